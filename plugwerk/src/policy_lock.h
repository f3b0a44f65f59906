#pragma once
// Settings an administrator locked by policy, on the pages: the framework disables such an item's
// controls and the page shows one line saying that the organisation manages some settings. Plug-ins
// take no part; the state lives here rather than in the exported item classes, whose layout is fixed.
#include <windows.h>

class SettingItem;

namespace plugwerk {

// The control id of the managed line, above the ids dialog templates give their controls.
constexpr int kManagedLineId = 0x7FF0;
// String-table id of the managed line's text in Plugwerk's resources.
constexpr UINT kIdsManagedBySettings = 1001;

// Whether a policy locks the setting (asked of the service each time; 0 without a service that knows
// policies, or for an item without a stored value).
bool IsLockedByPolicy(SettingItem& item);
// Disables the item's controls while a policy locks its setting; enables them again when the policy
// went and it was the framework that had disabled them; page is the item's page window. Returns
// whether the item is locked.
bool FollowPolicyLock(SettingItem& item, HWND page);
// Whether the framework has the item's controls disabled for a policy (as of the last follow).
bool HadPolicyLock(SettingItem& item);
// The item no longer counts for its page's managed line (page closed, item deleted).
void ForgetPolicyLock(SettingItem& item);
// Shows the page's managed line while any of its items is locked, creating it at the bottom of the
// page on the page's own thread (made hidden at page initialisation, so later calls from the listener
// thread only show or hide it).
void CreateManagedLine(HWND page);
void UpdateManagedLine(HWND page);

}  // namespace plugwerk
