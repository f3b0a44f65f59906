#pragma once
// Administrator policy: values an organisation fixes for every user, written where Group Policy
// writes, "SOFTWARE\Policies\Quor Corporation\Ostrel\<class id>" under HKEY_LOCAL_MACHINE (machine
// policy) and HKEY_CURRENT_USER (user policy), one value a setting named by its id in decimal.
// While a usable policy value exists it is the setting's current value and writes to the setting are
// not stored; the files keep the user's own value for when the policy goes.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/cstringw.h"
#include "base/handles.h"
#include "base/policy_key.h"

namespace settory {
namespace policy {

using base::kPolicyKey;

// Where a setting's lock comes from; ISettory3::IsLocked answers these numbers.
enum Source : int {
    kNotLocked = 0,
    kMachinePolicy = 1,
    kUserPolicy = 2,
};

// One registry value as read, before it is checked against the setting.
struct RawValue {
    DWORD type = REG_NONE;
    DWORD number = 0;   // REG_DWORD of exactly four bytes
    bool sized = false; // the data had the size its type needs
    CStringW text;      // REG_SZ without its terminator
    bool operator==(const RawValue& other) const noexcept {
        return type == other.type && number == other.number && sized == other.sized && text == other.text;
    }
};

// Both hives' values of one setting; a hive without one has type REG_NONE.
struct SettingPolicy {
    RawValue machine;
    RawValue user;
    bool operator==(const SettingPolicy& other) const noexcept {
        return machine == other.machine && user == other.user;
    }
};

// Keyed by the class id in upper case (registry key names ignore case) and the setting id.
using Snapshot = std::map<std::pair<std::wstring, int>, SettingPolicy>;

// Every policy value of both hives as they are now.
Snapshot ReadSnapshot();

// Whether a setting whose default is defaultText takes a number (REG_DWORD) rather than a text
// (REG_SZ) as its policy value; the templates declare each policy by the same rule.
bool TakesNumber(const wchar_t* defaultText);

// Whether raw can be the value of a setting whose default is defaultText: a setting with an integer
// default takes a four-byte REG_DWORD, any other a REG_SZ short enough to hand back. On success
// *text is the value as the store would hold it. Otherwise *why says what is wrong.
bool Usable(const RawValue& raw, const wchar_t* defaultText, CStringW* text, CStringW* why);

// The policy that locks the setting in this process's current snapshot, with its value as text; machine
// policy first, user policy when machine policy has no usable value. An unusable value is reported on
// the debug output once for each time the policies change.
// defaultText is asked only when a policy value names the setting, so reads of settings without policy
// pay for no default lookup.
Source Lookup(const wchar_t* classId, int settingId, const std::function<CStringW()>& defaultText, CStringW* text);

// Lookup in the snapshot as it stands, without asking whether the registry changed since: that
// question is a round trip to the kernel. For a caller that puts the question in a wait of its own,
// on the event ChangeEventToWaitOn gives. The answer stands if that wait did not wake on the event
// and SnapshotNumber is still *snapshot afterwards (the watch resets the event when it reads the
// registry again); otherwise the caller asks Lookup.
Source LookupAsCached(const wchar_t* classId, int settingId, const std::function<CStringW()>& defaultText,
                      CStringW* text, unsigned* snapshot);
unsigned SnapshotNumber();
// The event set when the snapshot may be stale, in a handle that stays open while the caller holds
// it. Null while no watch runs; every Lookup then reads the registry.
std::shared_ptr<base::UniqueHandle> ChangeEventToWaitOn();

// The settings whose policy values differ between two snapshots (added, removed or changed in either
// hive), class ids in upper case.
std::vector<std::pair<std::wstring, int>> ChangedSettings(const Snapshot& before, const Snapshot& after);

// Watches both hives' policy keys from a thread of the process: answers then come from a snapshot
// read again only after the registry changed, and each change of policy signals the settings'
// change events and the registered windows as an outside change does. Started once per process.
void StartPolicyWatch();
void StopPolicyWatch();

// For the watch: the snapshot lookups use. Marked stale by the watch's registry notification
// (changed, a manual-reset event); without a watch (notify is null) every lookup reads afresh.
void UseChangeNotification(HANDLE changed);
// Runs rearm (which resets the change event and arms the notifications again) and reads the registry,
// both under the lock lookups take: a lookup never finds the event reset before the snapshot is new.
// Returns the new snapshot.
Snapshot RearmAndRefresh(const std::function<void()>& rearm);

}  // namespace policy
}  // namespace settory
