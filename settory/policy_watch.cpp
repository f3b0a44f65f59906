// The policy watch: one thread per process that holds the service, woken by registry notifications on
// both hives' policy keys. Group Policy refreshes write the registry without a word to anyone, so this
// is how a changed policy reaches the pages and status items of running clients: through the same
// per-setting events and reload message an outside save uses.
#include "settory/policy.h"

#include <cwctype>
#include <map>
#include <string>
#include <utility>

#include "base/handles.h"
#include "settory/msg_callback.h"
#include "settory/named_objects.h"
#include "settory/settings_store.h"
#include "settory/thread_manager.h"

namespace settory {
namespace policy {
namespace {

constexpr const wchar_t kPolicyWatchName[] = L"PolicyWatch";

// A key that does not exist cannot be watched, and Group Policy creates the policy key only when it
// writes the first policy; so the nearest existing ancestor is watched until it does.
const wchar_t* const kWatchChain[] = {
    kPolicyKey,
    L"SOFTWARE\\Policies\\Quor Corporation",
    L"SOFTWARE\\Policies",
    L"SOFTWARE",
};

class CPolicyWatch final : public CThreadWaitWork {
public:
    CPolicyWatch() : CThreadWaitWork(kPolicyWatchName) {
        events_[0].reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        events_[1].reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    }
    bool Usable() const noexcept { return events_[0] && events_[1]; }

    void Run() override {
        announced_ = Rearm();
        HANDLE handles[2] = {events_[0].get(), events_[1].get()};
        for (;;) {
            DWORD wait = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
            if (wait != WAIT_OBJECT_0 + 1 || !WorkStep()) break;
        }
        // Lookups must not wait on an event that is about to be closed.
        UseChangeNotification(nullptr);
    }

    bool WorkStep() override {
        Snapshot now = Rearm();
        auto changed = ChangedSettings(announced_, now);
        announced_ = std::move(now);
        for (const auto& setting : changed) {
            for (const CStringW& classId : service::StoredClassIds(setting.first.c_str())) {
                CStringW name;
                name.Format(L"Global\\%s,%d", classId.GetString(), setting.second);
                SignalNamedEvent(name);
            }
        }
        if (!changed.empty()) RegisteredWindows().PostReload();
        return true;
    }

private:
    Snapshot Rearm() {
        return RearmAndRefresh([this] {
            bool armed = true;
            std::map<std::wstring, base::UniqueHKey> keep;
            for (const auto& hive : {std::make_pair(HKEY_LOCAL_MACHINE, L"HKLM\\"), std::make_pair(HKEY_CURRENT_USER, L"HKCU\\")}) {
                armed = Gather(hive.first, hive.second, keep) && armed;
            }
            // Closing a watched key's handle sets the event; what goes is closed before the reset.
            watched_ = std::move(keep);
            ::ResetEvent(events_[1].get());
            const DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
            for (auto& key : watched_) {
                armed = ::RegNotifyChangeKeyValue(key.second.get(), TRUE, filter, events_[1].get(), TRUE) == ERROR_SUCCESS &&
                        armed;
            }
            // Without notifications on everything, lookups read the registry every time.
            UseChangeNotification(armed ? events_[1].get() : nullptr);
        });
    }

    // The keys of one hive to watch, reusing the handles already open: a new handle for the same key
    // would close the old one, and a closed handle sets the event, which would wake the watch for
    // nothing, again and again. Under Wine a subtree watch reports new and deleted keys but not values
    // set in a subkey, so each class key is watched as well as the policy key above it.
    bool Gather(HKEY hive, const wchar_t* prefix, std::map<std::wstring, base::UniqueHKey>& keep) {
        const wchar_t* found = nullptr;
        if (!Take(hive, prefix, kWatchChain[0], keep)) {
            for (const wchar_t* path : kWatchChain) {
                if (path != kWatchChain[0] && Take(hive, prefix, path, keep)) {
                    found = path;
                    break;
                }
            }
            return found != nullptr;
        }
        base::UniqueHKey enumerable;
        if (::RegOpenKeyExW(hive, kPolicyKey, 0, KEY_ENUMERATE_SUB_KEYS, enumerable.put()) != ERROR_SUCCESS) return true;
        for (DWORD index = 0;; ++index) {
            wchar_t name[64] = {};
            DWORD chars = ARRAYSIZE(name);
            LONG status = ::RegEnumKeyExW(enumerable.get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_NO_MORE_ITEMS) break;
            if (status != ERROR_SUCCESS) continue;
            Take(hive, prefix, (std::wstring(kPolicyKey) + L"\\" + name).c_str(), keep);
        }
        return true;
    }

    // Moves the key's open handle into keep, or opens it; false when the key does not exist.
    bool Take(HKEY hive, const wchar_t* prefix, const wchar_t* path, std::map<std::wstring, base::UniqueHKey>& keep) {
        std::wstring id = std::wstring(prefix) + path;
        for (wchar_t& c : id) c = static_cast<wchar_t>(towupper(c));
        auto open = watched_.find(id);
        // A deleted key's handle stays valid but hears nothing more; it is replaced.
        if (open != watched_.end() && ::RegQueryInfoKeyW(open->second.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) ==
                                          ERROR_SUCCESS) {
            keep[id] = std::move(open->second);
            watched_.erase(open);
            return true;
        }
        base::UniqueHKey key;
        if (::RegOpenKeyExW(hive, path, 0, KEY_NOTIFY | KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
        keep[id] = std::move(key);
        return true;
    }

    // Watched keys by hive and path in upper case.
    std::map<std::wstring, base::UniqueHKey> watched_;
    Snapshot announced_;
};

struct WatchState {
    base::CriticalSection lock;
    bool started = false;
    CThreadManager threads;
};

// Never destroyed, like the reload listener's state: the thread may outlive static destruction.
WatchState& State() {
    static WatchState* state = new WatchState();
    return *state;
}

}  // namespace

void StartPolicyWatch() {
    WatchState& s = State();
    {
        base::CriticalSectionLock lock(s.lock);
        if (s.started) return;
        s.started = true;
    }
    auto* work = new CPolicyWatch();
    if (!work->Usable()) {
        delete work;
        return;
    }
    s.threads.Start(work);
}

void StopPolicyWatch() { State().threads.Stop(kPolicyWatchName, 500); }

}  // namespace policy
}  // namespace settory
