#pragma once
// Settings an administrator locked by policy, as the settory command shows and refuses them.
#include <windows.h>

#include <string>

#include "Settory_h.h"

namespace settorycli {

// Exit code of a `set` refused because a policy locks the setting.
constexpr int kLockedExit = 77;

// The lock on the setting (0 none, 1 machine policy, 2 user policy); 0 too when the service is older
// than policies or cannot tell.
int LockOf(ISettory* settory, const std::wstring& classId, int settingId);

// "locked by machine policy" or "locked by user policy"; empty for 0.
std::wstring LockText(int lock);

// The message for a refused `set`.
std::wstring RefusedMessage(const std::wstring& classId, int settingId, int lock);

}  // namespace settorycli
