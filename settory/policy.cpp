#include "settory/policy.h"

#include <cwctype>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

#include "base/handles.h"
#include "settory/settings_store.h"
#include "settory/values.h"

namespace settory {
namespace policy {
namespace {

std::wstring Upper(const wchar_t* text) {
    std::wstring upper(text ? text : L"");
    for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
    return upper;
}

// A value name counts only in the form the service writes setting ids: "05" is not setting 5.
bool ParseSettingName(const wchar_t* name, int* id) {
    if (!name || !*name || wcslen(name) > 11) return false;
    wchar_t* end = nullptr;
    long long value = wcstoll(name, &end, 10);
    if (*end || value < INT_MIN || value > INT_MAX) return false;
    if (SettingIdText(static_cast<int>(value)) != name) return false;
    *id = static_cast<int>(value);
    return true;
}

RawValue ReadRaw(DWORD type, const BYTE* data, DWORD size) {
    RawValue raw;
    raw.type = type;
    if (type == REG_DWORD) {
        raw.sized = size == sizeof(DWORD);
        if (raw.sized) memcpy(&raw.number, data, sizeof(DWORD));
    } else if (type == REG_SZ) {
        raw.sized = size % sizeof(wchar_t) == 0;
        size_t chars = size / sizeof(wchar_t);
        const auto* text = reinterpret_cast<const wchar_t*>(data);
        // Terminated or not, the text ends at its first zero.
        size_t length = 0;
        while (length < chars && text[length]) ++length;
        raw.text = CStringW(text, static_cast<int>(length));
    }
    return raw;
}

void ReadClass(HKEY classKey, const std::wstring& classId, bool machine, Snapshot& snapshot) {
    // Value names of setting ids are short; data is at most a text the Ex methods can hand back, and
    // anything longer is read only far enough to be refused.
    for (DWORD index = 0;; ++index) {
        wchar_t name[64] = {};
        DWORD nameChars = ARRAYSIZE(name);
        BYTE data[(kValueCapacity + 1) * sizeof(wchar_t)] = {};
        DWORD size = sizeof(data);
        DWORD type = REG_NONE;
        LONG status = ::RegEnumValueW(classKey, index, name, &nameChars, nullptr, &type, data, &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        int id = 0;
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) break;
        // A name too long is no setting id.
        if (!ParseSettingName(name, &id)) continue;
        // size is then the length needed, not what was read.
        RawValue raw = ReadRaw(type, data, status == ERROR_MORE_DATA ? 0 : size);
        // Data that did not fit can never be handed back: the value is kept only to be refused.
        if (status == ERROR_MORE_DATA) raw.sized = false;
        (machine ? snapshot[{classId, id}].machine : snapshot[{classId, id}].user) = raw;
    }
}

void ReadHive(HKEY hive, bool machine, Snapshot& snapshot) {
    base::UniqueHKey root;
    if (::RegOpenKeyExW(hive, kPolicyKey, 0, KEY_READ, root.put()) != ERROR_SUCCESS) return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[64] = {};
        DWORD chars = ARRAYSIZE(name);
        LONG status = ::RegEnumKeyExW(root.get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;  // a name too long is no class id
        if (!IsWellFormedClassId(name)) continue;
        base::UniqueHKey classKey;
        if (::RegOpenKeyExW(root.get(), name, 0, KEY_QUERY_VALUE, classKey.put()) != ERROR_SUCCESS) continue;
        ReadClass(classKey.get(), Upper(name), machine, snapshot);
    }
}

const wchar_t* TypeName(DWORD type) {
    switch (type) {
    case REG_SZ: return L"REG_SZ";
    case REG_EXPAND_SZ: return L"REG_EXPAND_SZ";
    case REG_BINARY: return L"REG_BINARY";
    case REG_DWORD: return L"REG_DWORD";
    case REG_MULTI_SZ: return L"REG_MULTI_SZ";
    case REG_QWORD: return L"REG_QWORD";
    default: return L"a value of another type";
    }
}

struct Cache {
    base::CriticalSection lock;
    HANDLE changed = nullptr;  // the watch's event; not owned here
    // A duplicate of it for callers that wait on it outside the lock: it stays open while any of them
    // holds it, whatever the watch does meanwhile.
    std::shared_ptr<base::UniqueHandle> waitable;
    bool loaded = false;
    Snapshot snapshot;
    unsigned number = 0;  // of the snapshot: advances whenever the registry is read again
    // Unusable values already reported since the policies last changed.
    std::set<std::tuple<std::wstring, int, bool>> reported;
};

// Never destroyed: the watch thread may still look while the process exits.
Cache& TheCache() {
    static Cache* cache = new Cache();
    return *cache;
}

// With the cache locked.
void Replace(Cache& cache, Snapshot snapshot) {
    if (!cache.loaded || !(snapshot == cache.snapshot)) cache.reported.clear();
    cache.snapshot = std::move(snapshot);
    cache.loaded = true;
    ++cache.number;
}

void Report(const wchar_t* hive, const std::wstring& classId, int settingId, const CStringW& why) {
    CStringW line;
    line.Format(L"Settory: policy value %s\\%s\\%s\\%d ignored: %s\n", hive, kPolicyKey, classId.c_str(), settingId,
                why.GetString());
    ::OutputDebugStringW(line);
}

}  // namespace

Snapshot ReadSnapshot() {
    Snapshot snapshot;
    ReadHive(HKEY_LOCAL_MACHINE, true, snapshot);
    ReadHive(HKEY_CURRENT_USER, false, snapshot);
    return snapshot;
}

bool TakesNumber(const wchar_t* text) {
    if (!text) return false;
    if (*text == L'-' || *text == L'+') ++text;
    if (!*text) return false;
    for (; *text; ++text) {
        if (*text < L'0' || *text > L'9') return false;
    }
    return true;
}

bool Usable(const RawValue& raw, const wchar_t* defaultText, CStringW* text, CStringW* why) {
    const bool number = TakesNumber(defaultText);
    const DWORD wanted = number ? REG_DWORD : REG_SZ;
    if (raw.type != wanted) {
        if (why) {
            why->Format(L"%s where the setting takes %s", TypeName(raw.type), number ? L"a number (REG_DWORD)" : L"a text (REG_SZ)");
        }
        return false;
    }
    if (!raw.sized) {
        if (why) *why = number ? L"a REG_DWORD that is not four bytes long" : L"a text too long for the setting";
        return false;
    }
    if (!number && raw.text.GetLength() >= kValueCapacity) {
        if (why) why->Format(L"a text longer than %d characters", kValueCapacity - 1);
        return false;
    }
    if (text) {
        if (number) {
            text->Format(L"%d", static_cast<int>(raw.number));
        } else {
            *text = raw.text;
        }
    }
    return true;
}

namespace {

// With the cache locked and its snapshot as current as the caller wants it.
Source Answer(Cache& cache, const wchar_t* classId, int settingId, const std::function<CStringW()>& defaultText,
              CStringW* text) {
    if (cache.snapshot.empty()) return kNotLocked;
    auto it = cache.snapshot.find({Upper(classId), settingId});
    if (it == cache.snapshot.end()) return kNotLocked;
    const CStringW fallback = defaultText();
    const std::pair<const RawValue*, Source> candidates[] = {{&it->second.machine, kMachinePolicy},
                                                              {&it->second.user, kUserPolicy}};
    for (const auto& candidate : candidates) {
        if (candidate.first->type == REG_NONE) continue;
        CStringW why;
        if (Usable(*candidate.first, fallback, text, &why)) return candidate.second;
        const bool machine = candidate.second == kMachinePolicy;
        if (cache.reported.emplace(it->first.first, settingId, machine).second) {
            Report(machine ? L"HKEY_LOCAL_MACHINE" : L"HKEY_CURRENT_USER", it->first.first, settingId, why);
        }
    }
    return kNotLocked;
}

}  // namespace

Source Lookup(const wchar_t* classId, int settingId, const std::function<CStringW()>& defaultText, CStringW* text) {
    Cache& cache = TheCache();
    base::CriticalSectionLock lock(cache.lock);
    if (!cache.loaded || !cache.changed || ::WaitForSingleObject(cache.changed, 0) == WAIT_OBJECT_0) {
        Replace(cache, ReadSnapshot());
    }
    return Answer(cache, classId, settingId, defaultText, text);
}

Source LookupAsCached(const wchar_t* classId, int settingId, const std::function<CStringW()>& defaultText,
                      CStringW* text, unsigned* snapshot) {
    Cache& cache = TheCache();
    base::CriticalSectionLock lock(cache.lock);
    if (!cache.loaded || !cache.changed) Replace(cache, ReadSnapshot());
    *snapshot = cache.number;
    return Answer(cache, classId, settingId, defaultText, text);
}

unsigned SnapshotNumber() {
    Cache& cache = TheCache();
    base::CriticalSectionLock lock(cache.lock);
    return cache.number;
}

std::shared_ptr<base::UniqueHandle> ChangeEventToWaitOn() {
    Cache& cache = TheCache();
    base::CriticalSectionLock lock(cache.lock);
    return cache.changed ? cache.waitable : nullptr;
}

std::vector<std::pair<std::wstring, int>> ChangedSettings(const Snapshot& before, const Snapshot& after) {
    std::vector<std::pair<std::wstring, int>> changed;
    for (const auto& entry : before) {
        auto other = after.find(entry.first);
        if (other == after.end() || !(other->second == entry.second)) changed.push_back(entry.first);
    }
    for (const auto& entry : after) {
        if (!before.count(entry.first)) changed.push_back(entry.first);
    }
    return changed;
}

void UseChangeNotification(HANDLE changed) {
    Cache& cache = TheCache();
    base::CriticalSectionLock lock(cache.lock);
    if (changed != cache.changed) {
        cache.waitable.reset();
        HANDLE copy = nullptr;
        if (changed && ::DuplicateHandle(::GetCurrentProcess(), changed, ::GetCurrentProcess(), &copy, 0, FALSE,
                                         DUPLICATE_SAME_ACCESS)) {
            cache.waitable = std::make_shared<base::UniqueHandle>(copy);
        }
    }
    cache.changed = changed;
}

Snapshot RearmAndRefresh(const std::function<void()>& rearm) {
    Cache& cache = TheCache();
    base::CriticalSectionLock lock(cache.lock);
    rearm();
    Replace(cache, ReadSnapshot());
    return cache.snapshot;
}

}  // namespace policy
}  // namespace settory
