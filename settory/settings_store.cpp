#include "settory/settings_store.h"

#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "settory/identity.h"
#include "settory/machine_id.h"
#include "settory/model_config.h"
#include "settory/session_api.h"
#include "settory/named_objects.h"
#include "settory/policy.h"
#include "settory/reload_listener.h"
#include "settory/test_hook.h"
#include "settory/values.h"

namespace settory {
namespace {

constexpr DWORD kResetMutexWaitMs = 2000;

// Text values longer than this are not stored: no caller's buffer holds them, and a runaway value must
// not grow the file past what a load accepts.
constexpr int kMaxStoredValueChars = 32767;

CStringW Expand(const wchar_t* text) {
    wchar_t buffer[1024] = {};
    DWORD n = ::ExpandEnvironmentStringsW(text, buffer, ARRAYSIZE(buffer));
    if (n == 0 || n > ARRAYSIZE(buffer)) return CStringW();
    return CStringW(buffer);
}

struct ProcessStores {
    // Serialises every access to the stores' documents and indexes. The write mutex alone does not:
    // registering for events takes no mutex, and it reaches the same store that the listener thread
    // may be reloading.
    base::CriticalSection documentLock;
    base::CriticalSection defaultLock;
    base::CriticalSection allUsersLock;
    base::CriticalSection perUserLock;
    base::CriticalSection stateLock;
    std::unique_ptr<CDefaultSetting> defaults;
    std::unique_ptr<CCurrentSetting> allUsers;
    // Keyed by the user the store belongs to; "" is the process's own user.
    std::map<std::wstring, std::unique_ptr<CCurrentSetting>> perUser;
    std::set<std::pair<std::wstring, int>> changeEvents;
    bool reloadNeeded = false;
    // Event marks made since the last save, in order: a reload from disk drops them from the documents,
    // so they are made again afterwards until a save has written them.
    std::vector<std::tuple<std::wstring, int, std::wstring>> unsavedMarks;
    // Set by the reload listener when it found a file replaced, so that reads need not look up the
    // caller's stores to learn that nothing waits to be read. Under documentLock.
    bool replacedFiles = false;
};

// Deliberately never destroyed at process exit: the DOM objects it holds belong to a DLL that may
// already be gone by then. ResetStores frees them while everything is still loaded.
ProcessStores& Stores() {
    static ProcessStores* stores = new ProcessStores();
    return *stores;
}

void AddChangeEvent(void*, const CStringW& classId, int settingId) {
    ProcessStores& s = Stores();
    base::CriticalSectionLock lock(s.stateLock);
    s.changeEvents.emplace(classId.Str(), settingId);
}

void NoteWriteForReload(const wchar_t* classId, int settingId) {
    ProcessStores& s = Stores();
    base::CriticalSectionLock lock(s.stateLock);
    if (!s.reloadNeeded && s.changeEvents.count({classId, settingId})) s.reloadNeeded = true;
}

// Counts every save of a current-settings file by any process, so a store can tell that its file was
// saved since it read it. Never destroyed, like the stores.
CNamedCounter& SaveCounter() {
    static CNamedCounter* counter = new CNamedCounter(L"Global\\CurrentSettingSaveCount");
    return *counter;
}

CDefaultSetting* DefaultStore() {
    ProcessStores& s = Stores();
    base::CriticalSectionLock lock(s.defaultLock);
    if (!s.defaults) {
        // The first attempt starts this process's reload listener and policy watch, whatever the
        // load's outcome.
        StartReloadListener();
        policy::StartPolicyWatch();
        auto store = std::make_unique<CDefaultSetting>();
        if (store->LoadAll() == kLoaded) s.defaults = std::move(store);
    }
    return s.defaults.get();
}

CCurrentSetting* AllUsersStore(bool create = true) {
    ProcessStores& s = Stores();
    base::CriticalSectionLock lock(s.allUsersLock);
    if (!s.allUsers && create) {
        auto store = std::make_unique<CCurrentSetting>(AllUsersFilePath());
        if (store->LoadFile() == kLoaded) s.allUsers = std::move(store);
    }
    return s.allUsers.get();
}

bool PerUserManagerExists() {
    ProcessStores& s = Stores();
    base::CriticalSectionLock lock(s.perUserLock);
    return !s.perUser.empty();
}

// The per-user store of the caller. A token for some other user (a system-account process serving the
// user at the console) gets a store of its own, found and loaded while the service acts as that user;
// a token for the process's own user means the same store as no token, whose folder follows the
// process's environment.
CCurrentSetting* PerUserStore() {
    ProcessStores& s = Stores();
    base::CriticalSectionLock lock(s.perUserLock);
    base::UniqueHandle token(CallerUserToken());
    std::wstring key;
    if (token) {
        key = TokenUserSid(token.get());
        // A process's own user never changes, so its SID is read once; calls of every thread come here.
        static const std::wstring* ownSid = new std::wstring(TokenUserSid(nullptr));
        if (key.empty() || key == *ownSid) {
            key.clear();
            token.reset();
        }
    }
    auto it = s.perUser.find(key);
    if (it == s.perUser.end()) {
        Impersonation asUser(token.get());
        auto store = std::make_unique<CCurrentSetting>(PerUserFilePath(asUser.Active() ? token.get() : nullptr));
        (void)store->LoadFile();
        it = s.perUser.emplace(key, std::move(store)).first;
    }
    return it->second.get();
}

CCurrentSetting* StoreForKind(int allUser) { return allUser ? AllUsersStore() : PerUserStore(); }

int CopyOut(int result, VARIANT& value, wchar_t* buffer) {
    if (result != kOk || V_VT(&value) != VT_BSTR || !V_BSTR(&value)) return kFailed;
    size_t length = wcslen(V_BSTR(&value));
    if (length + 1 > static_cast<size_t>(kValueCapacity)) return kFailed;
    memcpy(buffer, V_BSTR(&value), (length + 1) * sizeof(wchar_t));
    return kOk;
}

// The policy that locks the setting, with its value; the setting's default tells which values fit it.
policy::Source PolicyOf(const CDefaultSetting& defaults, const wchar_t* classId, int settingId, CStringW* text,
                        unsigned* cachedSnapshot = nullptr) {
    auto defaultText = [&] {
        base::Variant fallback;
        V_VT(fallback.Get()) = VT_BSTR;
        V_BSTR(fallback.Get()) = nullptr;
        defaults.GetValue(classId, settingId, fallback.Get());
        return CStringW(V_VT(fallback.Get()) == VT_BSTR && V_BSTR(fallback.Get()) ? V_BSTR(fallback.Get()) : L"");
    };
    return cachedSnapshot ? policy::LookupAsCached(classId, settingId, defaultText, text, cachedSnapshot)
                          : policy::Lookup(classId, settingId, defaultText, text);
}

void EnsurePerUserFolder() {
    CStringW folder = PerUserFolder();
    if (!folder.IsEmpty() && ::GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES) {
        ::SHCreateDirectoryExW(nullptr, folder, nullptr);
    }
}

}  // namespace

CStringW ProductFolder() { return Expand(L"%ALLUSERSPROFILE%\\Quor Corporation\\Ostrel\\"); }
CStringW DefaultFolder() { return ProductFolder() + L"Default\\"; }
CStringW DefaultSchemaPath() { return ProductFolder() + L"Schema files\\DefaultSetting.xsd"; }
CStringW CurrentSchemaPath() { return ProductFolder() + L"Schema files\\CurrentSetting.xsd"; }
CStringW AllUsersFilePath() { return ProductFolder() + L"CurrentSettingProfileData.xml"; }
CStringW PerUserFolder() { return Expand(L"%APPDATA%\\Quor Corporation\\Ostrel\\"); }

CStringW PerUserFilePath(HANDLE token) {
    CStringW folder;
    if (!token) {
        // Without a user token the file lives in the folder every GetCurrentValue makes sure of, so
        // the two never disagree (the shell's folder lookup does not follow the environment under Wine).
        folder = Expand(L"%APPDATA%");
    }
    if (folder.IsEmpty() || folder.Find(L'%') >= 0) {
        wchar_t path[MAX_PATH] = {};
        if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, token, SHGFP_TYPE_CURRENT, path))) return CStringW();
        folder = path;
    }
    return folder + L"\\Quor Corporation\\Ostrel\\CurrentSettingProfileData.xml";
}

std::vector<CStringW> ListFiles(const CStringW& folder, const wchar_t* pattern) {
    std::vector<CStringW> files;
    WIN32_FIND_DATAW data;
    base::UniqueFind find(::FindFirstFileW(folder + pattern, &data));
    if (!find) return files;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(folder + data.cFileName);
    } while (::FindNextFileW(find.get(), &data));
    return files;
}

// Every read asks whether default files exist, and a folder search costs more than the rest of a read
// (under Wine it lists the folder on each call). A file found once still matches the pattern for as
// long as it is there, so asking for that one file gives the same answer; only when it has gone, or the
// environment points at another folder, is the folder searched again.
class DefaultFilePresence {
public:
    bool Exists() {
        CStringW folder = DefaultFolder();
        {
            base::CriticalSectionLock lock(lock_);
            if (!found_.IsEmpty() && folder == folder_ && ::GetFileAttributesW(found_) != INVALID_FILE_ATTRIBUTES) {
                return true;
            }
        }
        WIN32_FIND_DATAW data;
        base::UniqueFind find(::FindFirstFileW(folder + L"DefaultSetting*.xml", &data));
        base::CriticalSectionLock lock(lock_);
        folder_ = folder;
        found_ = find ? folder + data.cFileName : CStringW();
        return find.valid();
    }

private:
    base::CriticalSection lock_;
    CStringW folder_;
    CStringW found_;
};

bool DefaultFilesExist() {
    static DefaultFilePresence presence;
    return presence.Exists();
}

// The write mutex is opened once and kept for the life of the process: every read takes it, and
// creating, opening and closing a named object costs several round trips to the kernel (the wine
// server), more than the read itself. Ownership still comes and goes with each WriteMutex.
class SharedWriteMutex {
public:
    HANDLE Get() {
        base::CriticalSectionLock lock(lock_);
        if (!mutex_) mutex_.reset(::CreateMutexW(nullptr, FALSE, L"Global\\CurrentSettingWrite_Mutex"));
        return mutex_.get();
    }

private:
    base::CriticalSection lock_;
    base::UniqueHandle mutex_;
};

HANDLE WriteMutexHandle() {
    static SharedWriteMutex shared;
    return shared.Get();
}

WriteMutex::WriteMutex(DWORD timeoutMs)
    : mutex_(WriteMutexHandle()), start_(::GetTickCount64()), timeoutMs_(timeoutMs) {
    WaitOn();
}

WriteMutex::WriteMutex(HANDLE alsoWakeOn, DWORD timeoutMs)
    : mutex_(WriteMutexHandle()), start_(::GetTickCount64()), timeoutMs_(timeoutMs) {
    if (!mutex_) return;
    // The event first: when both are set, the wake is the event's and the mutex is not taken.
    HANDLE handles[2] = {alsoWakeOn, mutex_};
    DWORD wait = alsoWakeOn ? ::WaitForMultipleObjects(2, handles, FALSE, timeoutMs) : WAIT_FAILED;
    woken_ = wait == WAIT_OBJECT_0;
    owned_ = wait == WAIT_OBJECT_0 + 1 || wait == WAIT_ABANDONED_0 + 1;
    if (wait == WAIT_FAILED) WaitOn();
}

void WriteMutex::WaitOn() {
    woken_ = false;
    if (!mutex_ || owned_) return;
    // However often the wait was woken for something else, the mutex is given up on once in all.
    const ULONGLONG waited = ::GetTickCount64() - start_;
    const DWORD left = waited < timeoutMs_ ? static_cast<DWORD>(timeoutMs_ - waited) : 0;
    // A holder that died leaves the mutex abandoned; the files are whole (saves are atomic), so take it.
    DWORD wait = ::WaitForSingleObject(mutex_, left);
    owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

WriteMutex::~WriteMutex() {
    if (owned_) ::ReleaseMutex(mutex_);
}

// ---- default store ----

int CDefaultSetting::LoadAll() {
    if (Initialise() != kXmlOk) return kFileFailed;
    (void)SetSchema(DefaultSchemaPath());
    files_ = ListFiles(DefaultFolder(), L"DefaultSetting*.xml");
    if (files_.empty()) return kNoFiles;
    for (const CStringW& file : files_) {
        if (Load(file) != kXmlOk) {
            DropIndex();
            return kFileFailed;
        }
        IndexDocument(L"DefaultSetting", AddChangeEvent, nullptr);
    }
    return kLoaded;
}

int CDefaultSetting::DefaultKind(const wchar_t* classId, int settingId, int* allUser) const {
    FoundItem found = FindItem(classId, settingId);
    if (!found) return kNotLoaded;
    CStringW text;
    GetAttribute(found.record->item.Get(), L"bAllUser", text);
    if (allUser) *allUser = _wtoi(text);
    return kLoaded;
}

bool CDefaultSetting::GetValue(const wchar_t* classId, int settingId, VARIANT* value) const {
    FoundItem found = FindItem(classId, settingId);
    CStringW text;
    if (!found || !ValueForMachine(*found.record, CurrentMachineId(), nullptr, &text)) return false;
    TextToVariant(text, value);
    return true;
}

// ---- current stores ----

bool CCurrentSetting::CreateEmpty() {
    changed_ = true;
    if (!CreateRoot(L"CurrentSetting")) return false;
    CStringW machine;
    machine.Format(L"%ld", CurrentMachineId());
    return SetAttribute(Root(), L"MachineID", machine);
}

bool CCurrentSetting::FileStamp::operator==(const FileStamp& other) const noexcept {
    return saves == other.saves && SameFile(other);
}

bool CCurrentSetting::FileStamp::SameFile(const FileStamp& other) const noexcept {
    if (present != other.present) return false;
    if (!present) return true;
    if (index == 0 && saves != other.saves) return false;
    return ::CompareFileTime(&written, &other.written) == 0 && size == other.size && index == other.index;
}

CCurrentSetting::FileStamp CCurrentSetting::StampFrom(const BY_HANDLE_FILE_INFORMATION& info, LONG saves) {
    FileStamp stamp;
    stamp.saves = saves;
    stamp.present = true;
    stamp.written = info.ftLastWriteTime;
    stamp.size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.index = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return stamp;
}

CCurrentSetting::FileStamp CCurrentSetting::StampOf(const CStringW& path) {
    LONG saves = SaveCounter().Current();
    base::UniqueFile file(::CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || !::GetFileInformationByHandle(file.get(), &info)) {
        FileStamp absent;
        absent.saves = saves;
        return absent;
    }
    return StampFrom(info, saves);
}

void CCurrentSetting::TakeCount() { stamp_.saves = SaveCounter().Current(); }

bool CCurrentSetting::WriteTimeOrSizeDiffers() const {
    WIN32_FILE_ATTRIBUTE_DATA seen = {};
    bool present = ::GetFileAttributesExW(path_, GetFileExInfoStandard, &seen) != 0;
    ULONGLONG size = (static_cast<ULONGLONG>(seen.nFileSizeHigh) << 32) | seen.nFileSizeLow;
    return present != stamp_.present ||
           (present && (::CompareFileTime(&seen.ftLastWriteTime, &stamp_.written) != 0 || size != stamp_.size));
}

bool CCurrentSetting::RefreshIfChangedOnDisk(bool* reloaded) {
    // With the count where it was, no save through the service replaced the file; a writer outside it
    // changes the write time or the size. Opening the file for its index costs more than the rest of
    // an update's bookkeeping together under Wine, so it is left for when the count moved.
    if (SaveCounter().Current() == stamp_.saves && !WriteTimeOrSizeDiffers()) return true;
    if (StampOf(path_) == stamp_) return true;
    if (reloaded) *reloaded = true;
    return Reload();
}

void CCurrentSetting::NoteIfReplacedOnDisk() {
    // A different write time or size settles it without opening the file.
    if (WriteTimeOrSizeDiffers()) {
        replacedOnDisk_ = true;
        return;
    }
    // The count is read before the file: a file found unchanged was not replaced by any save counted
    // so far, so its stamp may take that count even without the write mutex.
    FileStamp now = StampOf(path_);
    if (now.SameFile(stamp_)) {
        stamp_ = now;
    } else {
        replacedOnDisk_ = true;
    }
}

bool CCurrentSetting::RefreshIfReplaced(bool* reloaded) {
    if (!replacedOnDisk_) return true;
    if (reloaded) *reloaded = true;
    return Reload();
}

int CCurrentSetting::LoadFile() {
    // Taken before reading: a file replaced during the load then counts as changed at the next check.
    stamp_ = StampOf(path_);
    changed_ = false;
    replacedOnDisk_ = false;
    if (Initialise() != kXmlOk) return kNotLoaded;
    if (::GetFileAttributesW(path_) != INVALID_FILE_ATTRIBUTES) {
        (void)SetSchema(CurrentSchemaPath());
        if (Load(path_) == kXmlOk) {
            IndexDocument();
            return kLoaded;
        }
        if (Clear() != kXmlOk) return kNotLoaded;
        DropIndex();
        // A writer on another machine's share may still be replacing the file.
        ::Sleep(300);
        if (Load(path_) == kXmlOk) {
            IndexDocument();
            return kLoaded;
        }
        if (Clear() != kXmlOk) return kNotLoaded;
        DropIndex();
        unreadableOnDisk_ = true;
    }
    return CreateEmpty() ? kLoaded : kNotLoaded;
}

bool CCurrentSetting::Reload() {
    if (Clear() != kXmlOk) return false;
    DropIndex();
    RunTestHook(HookPoint::StoreCleared);
    if (LoadFile() != kLoaded) return false;
    for (const UnsavedValue& value : unsaved_) {
        (void)WriteValue(value.classId, value.settingId, value.allUser, value.text, false);
    }
    return true;
}

bool CCurrentSetting::SaveFile() {
    if (unreadableOnDisk_ && ::GetFileAttributesW(path_) != INVALID_FILE_ATTRIBUTES) {
        // The file on disk could not be read; it is moved aside, never overwritten, so whatever it
        // holds can still be recovered by hand.
        SYSTEMTIME now;
        ::GetSystemTime(&now);
        CStringW aside;
        aside.Format(L"%s.unreadable-%04u%02u%02u-%02u%02u%02u", path_.GetString(), now.wYear, now.wMonth, now.wDay,
                     now.wHour, now.wMinute, now.wSecond);
        CStringW candidate = aside;
        for (int n = 2; ::GetFileAttributesW(candidate) != INVALID_FILE_ATTRIBUTES && n < 100; ++n) {
            candidate.Format(L"%s-%d", aside.GetString(), n);
        }
        if (!::MoveFileExW(path_, candidate, MOVEFILE_WRITE_THROUGH)) return false;
        keptAside_ = candidate;
    }
    unreadableOnDisk_ = false;
    BY_HANDLE_FILE_INFORMATION saved = {};
    if (Save(path_, &saved) != kXmlOk) return false;
    stamp_ = StampFrom(saved, SaveCounter().Advance());
    unsaved_.clear();
    changed_ = false;
    return true;
}

bool CCurrentSetting::GetValue(const wchar_t* classId, int settingId, VARIANT* value) const {
    FoundItem found = FindItem(classId, settingId);
    CStringW text;
    if (!found || !ValueForMachine(*found.record, CurrentMachineId(), nullptr, &text)) return false;
    TextToVariant(text, value);
    return true;
}

bool CCurrentSetting::CreateItem(const wchar_t* classId, int settingId, bool allUser, const wchar_t* eventText,
                                 const wchar_t* text) {
    if (!Root()) return false;
    CClass* cls = FindClass(classId);
    if (!cls) cls = AppendClass(classId);
    return AppendItem(cls, SettingIdText(settingId), allUser ? L"1" : L"0", eventText, text) != nullptr;
}

bool CCurrentSetting::SetValue(const wchar_t* classId, int settingId, bool allUser, const wchar_t* text) {
    if (!WriteValue(classId, settingId, allUser, text, true)) return false;
    unsaved_.erase(std::remove_if(unsaved_.begin(), unsaved_.end(),
                                  [&](const UnsavedValue& v) { return v.settingId == settingId && v.classId == classId; }),
                   unsaved_.end());
    unsaved_.push_back(UnsavedValue{CStringW(classId), settingId, allUser, CStringW(text)});
    return true;
}

bool CCurrentSetting::WriteValue(const wchar_t* classId, int settingId, bool allUser, const wchar_t* text,
                                 bool announce) {
    if (announce) NoteWriteForReload(classId, settingId);
    FoundItem found = FindItem(classId, settingId);
    if (!found) return NoteChange(CreateItem(classId, settingId, allUser, L"0", text));

    IXMLDOMElement* data = nullptr;
    CStringW old;
    // An item with no value for this machine keeps its other machines' values; the write is dropped.
    if (!ValueForMachine(*found.record, CurrentMachineId(), &data, &old) || old == text) return false;
    if (!NoteChange(SetText(data, text))) return false;
    CStringW event;
    if (announce && GetAttribute(found.record->item.Get(), L"bEvent", event) && event == L"1") {
        CStringW name;
        name.Format(L"Global\\%s,%d", classId, settingId);
        SignalNamedEvent(name.GetString());
    }
    return true;
}

bool CCurrentSetting::MarkForEvents(const wchar_t* classId, int settingId, bool allUser, const wchar_t* mark,
                                    const CDefaultSetting& defaults) {
    FoundItem found = FindItem(classId, settingId);
    if (found) {
        CStringW event;
        GetAttribute(found.record->item.Get(), L"bEvent", event);
        if (event == mark) return false;
        return NoteChange(SetAttribute(found.record->item.Get(), L"bEvent", mark));
    }
    base::Variant value;
    V_VT(value.Get()) = VT_INT;
    V_INT(value.Get()) = 0;
    defaults.GetValue(classId, settingId, value.Get());
    CStringW text;
    text.Format(L"%d", V_VT(value.Get()) == VT_INT ? V_INT(value.Get()) : 0);
    return NoteChange(CreateItem(classId, settingId, allUser, SettingIdText(_wtoi(mark)), text));
}

// ---- ISettory operations ----

namespace service {

int GetDefaultValue(const wchar_t* classId, int settingId, VARIANT* value) {
    if (!DefaultFilesExist()) return kNoDefaultFiles;
    if (!IsWellFormedClassId(classId)) return kBadClassId;
    if (!value) return kFailed;
    base::CriticalSectionLock documents(Stores().documentLock);
    CDefaultSetting* defaults = DefaultStore();
    if (!defaults) return kFailed;
    return defaults->GetValue(classId, settingId, value) ? kOk : kUnknownSetting;
}

static void ReadReplacedFiles();

// A read's answer before the files: the code of a setting that cannot be read, or kOk with the value
// of a policy that locks it (which answers for every user, whatever the files hold, and needs neither
// files nor mutex); nothing when the files answer. With cachedSnapshot, the policies are asked as last
// read, and *cachedSnapshot tells which reading answered.
static std::optional<int> AnswerBeforeFiles(const wchar_t* classId, int settingId, unsigned* cachedSnapshot,
                                            int* allUser, VARIANT* value) {
    base::CriticalSectionLock documents(Stores().documentLock);
    CDefaultSetting* defaults = DefaultStore();
    if (!defaults) return kFailed;
    if (defaults->DefaultKind(classId, settingId, allUser) != kLoaded) return kUnknownSetting;
    // A lock as last read is asked again as the registry stands now: it may have gone.
    if (cachedSnapshot && PolicyOf(*defaults, classId, settingId, nullptr, cachedSnapshot) == policy::kNotLocked) {
        return std::nullopt;
    }
    CStringW enforced;
    if (PolicyOf(*defaults, classId, settingId, &enforced) == policy::kNotLocked) return std::nullopt;
    TextToVariant(enforced, value);
    return kOk;
}

int GetCurrentValue(const wchar_t* classId, int settingId, VARIANT* value) {
    EnsurePerUserFolder();
    if (!DefaultFilesExist()) return kNoDefaultFiles;
    if (!IsWellFormedClassId(classId)) return kBadClassId;
    if (!value) return kFailed;
    // Asking whether the policies changed costs a round trip to the kernel, and most settings have
    // none: with the policy watch running, the policies are asked as last read, and the question goes
    // into the wait that takes the write mutex. A policy set before the mutex is taken still answers.
    std::shared_ptr<base::UniqueHandle> policyChanged = policy::ChangeEventToWaitOn();
    unsigned snapshot = 0;
    int allUser = 0;
    if (auto answer = AnswerBeforeFiles(classId, settingId, policyChanged ? &snapshot : nullptr, &allUser, value)) {
        return *answer;
    }
    WriteMutex mutex(policyChanged ? policyChanged->get() : nullptr);
    if (policyChanged && (mutex.WokenInstead() || policy::SnapshotNumber() != snapshot)) {
        if (auto answer = AnswerBeforeFiles(classId, settingId, nullptr, &allUser, value)) return *answer;
        mutex.WaitOn();
    }
    if (!mutex.Obtained()) return kMutexTimeout;
    base::CriticalSectionLock documents(Stores().documentLock);
    ReadReplacedFiles();
    CDefaultSetting* defaults = DefaultStore();
    if (!defaults) return kFailed;
    CCurrentSetting* store = StoreForKind(allUser);
    if (!store) return kFailed;
    if (store->GetValue(classId, settingId, value) || defaults->GetValue(classId, settingId, value)) return kOk;
    return kUnknownSetting;
}

int GetDefaultValueEx(const wchar_t* classId, int settingId, wchar_t* buffer) {
    if (!buffer) return kFailed;
    base::Variant value;
    V_VT(value.Get()) = VT_BSTR;
    V_BSTR(value.Get()) = nullptr;
    return CopyOut(GetDefaultValue(classId, settingId, value.Get()), *value.Get(), buffer);
}

int GetCurrentValueEx(const wchar_t* classId, int settingId, wchar_t* buffer) {
    if (!buffer) return kFailed;
    base::Variant value;
    V_VT(value.Get()) = VT_BSTR;
    V_BSTR(value.Get()) = nullptr;
    return CopyOut(GetCurrentValue(classId, settingId, value.Get()), *value.Get(), buffer);
}

void QueueWrite(PendingList& pending, const wchar_t* classId, int settingId, const wchar_t* text) {
    pending.push_back(PendingWrite{CStringW(classId), settingId, CStringW(text)});
}

static int MarkStore(const wchar_t* classId, int settingId, const wchar_t* mark, bool remember);

// After a reload from disk, with the write mutex held.
static void MakeUnsavedMarksAgain() {
    std::vector<std::tuple<std::wstring, int, std::wstring>> marks;
    {
        ProcessStores& s = Stores();
        base::CriticalSectionLock lock(s.stateLock);
        marks = s.unsavedMarks;
    }
    for (const auto& mark : marks) {
        (void)MarkStore(std::get<0>(mark).c_str(), std::get<1>(mark), std::get<2>(mark).c_str(), false);
    }
}

// With the write mutex held: brings this process's current stores up to date the way `refresh`
// decides, and makes its unsaved event marks again when any store was read anew. False when a read
// failed.
static bool RefreshCurrentStores(bool (CCurrentSetting::*refresh)(bool*)) {
    bool ok = true;
    bool reloaded = false;
    if (CCurrentSetting* all = AllUsersStore(false)) ok = (all->*refresh)(&reloaded) && ok;
    if (PerUserManagerExists()) ok = (PerUserStore()->*refresh)(&reloaded) && ok;
    if (reloaded) MakeUnsavedMarksAgain();
    return ok;
}

// With the write mutex held: reads the files the reload listener found replaced by a peer.
static void ReadReplacedFiles() {
    ProcessStores& s = Stores();
    if (!s.replacedFiles) return;
    s.replacedFiles = false;
    (void)RefreshCurrentStores(&CCurrentSetting::RefreshIfReplaced);
}

int Reload() {
    if (!DefaultFilesExist()) return kNoDefaultFiles;
    WriteMutex mutex;
    if (!mutex.Obtained()) return kMutexTimeout;
    base::CriticalSectionLock documents(Stores().documentLock);
    // Every client asks for this when it connects. A store whose file is still the one it last loaded
    // or saved already holds what reading it again would give, with this process's unsaved values and
    // marks on top, so only the files that changed are read.
    return RefreshCurrentStores(&CCurrentSetting::RefreshIfChangedOnDisk) ? kOk : kFailed;
}

int UpdateCurrentSetting(PendingList& pending) {
    struct ClearOnExit {
        PendingList& list;
        ~ClearOnExit() { list.clear(); }
    } clear{pending};

    if (!DefaultFilesExist()) return kNoDefaultFiles;
    WriteMutex mutex;
    if (!mutex.Obtained()) return kMutexTimeout;
    base::CriticalSectionLock documents(Stores().documentLock);

    // Another process may have saved since this one last read the files, and not every save makes
    // the others reload. The whole document is written back, so without taking in their values first
    // this save would put older ones over them, and a write equal to a stale value would be dropped.
    bool refreshed = false;
    if (CCurrentSetting* all = AllUsersStore(false)) {
        if (!all->RefreshIfChangedOnDisk(&refreshed)) return kFailed;
    }
    if (PerUserManagerExists()) {
        if (!PerUserStore()->RefreshIfChangedOnDisk(&refreshed)) return kFailed;
    }
    if (refreshed) MakeUnsavedMarksAgain();

    // A value too long to store is refused; the others are still saved, and the caller hears of it.
    bool refused = false;
    for (const PendingWrite& write : pending) {
        if (write.text.GetLength() > kMaxStoredValueChars) {
            refused = true;
            continue;
        }
        if (!IsWellFormedClassId(write.classId)) continue;
        CDefaultSetting* defaults = DefaultStore();
        int allUser = 0;
        if (!defaults || defaults->DefaultKind(write.classId, write.settingId, &allUser) != kLoaded) continue;
        // The file keeps the user's own value, which answers again once the policy is gone.
        if (PolicyOf(*defaults, write.classId, write.settingId, nullptr) != policy::kNotLocked) continue;
        if (CCurrentSetting* store = StoreForKind(allUser)) {
            store->SetValue(write.classId, write.settingId, allUser != 0, write.text);
        }
    }

    // A store without changes is not written again. Every save advances the machine-wide count, so
    // each store takes its stamp again once this update's saves are done: both were brought up to
    // date above and the write mutex has been held since, so their files are the ones they hold.
    // Otherwise this update's own save would look like someone else's at the next one, and the file
    // would be read and validated again for nothing.
    CCurrentSetting* all = AllUsersStore(false);
    CCurrentSetting* mine = nullptr;
    bool saved = false;
    if (all && all->HasChanges()) {
        if (!all->SaveFile()) return kFailed;
        saved = true;
    }
    if (PerUserManagerExists()) {
        mine = PerUserStore();
        if (mine->HasChanges()) {
            // A process may write before it ever read; the folder is otherwise made only by reads.
            EnsurePerUserFolder();
            if (!mine->SaveFile()) return kFailed;
            saved = true;
        }
    }
    if (saved) {
        if (all) all->TakeCount();
        if (mine) mine->TakeCount();
    }
    {
        ProcessStores& saved = Stores();
        base::CriticalSectionLock lock(saved.stateLock);
        saved.unsavedMarks.clear();
    }

    ProcessStores& s = Stores();
    bool signal = false;
    {
        base::CriticalSectionLock lock(s.stateLock);
        if (s.reloadNeeded) {
            s.reloadNeeded = false;
            signal = true;
        }
    }
    if (signal) AnnounceSave();
    return refused ? kFailed : kOk;
}

int LockSource(const wchar_t* classId, int settingId, int* source) {
    if (!source) return kFailed;
    *source = policy::kNotLocked;
    if (!DefaultFilesExist()) return kNoDefaultFiles;
    if (!IsWellFormedClassId(classId)) return kBadClassId;
    base::CriticalSectionLock documents(Stores().documentLock);
    CDefaultSetting* defaults = DefaultStore();
    if (!defaults) return kFailed;
    int allUser = 0;
    if (defaults->DefaultKind(classId, settingId, &allUser) != kLoaded) return kUnknownSetting;
    *source = PolicyOf(*defaults, classId, settingId, nullptr);
    return kOk;
}

std::vector<CStringW> StoredClassIds(const wchar_t* classId) {
    std::vector<CStringW> spellings;
    {
        base::CriticalSectionLock documents(Stores().documentLock);
        if (CDefaultSetting* defaults = DefaultStore()) {
            for (const auto& cls : defaults->Classes()) {
                const CStringW& stored = cls->ClassId();
                if (_wcsicmp(stored, classId) == 0 &&
                    std::find(spellings.begin(), spellings.end(), stored) == spellings.end()) {
                    spellings.push_back(stored);
                }
            }
        }
    }
    if (spellings.empty()) spellings.emplace_back(classId);
    return spellings;
}

int ReloadForPeer(bool waitForWriter) {
    // Most saves replace one of the two files, and most listening processes read nothing before the
    // next save: reading and validating both files here, in every listening process while the next
    // writer waits for the mutex, made each save cost more with every process listening. A replaced
    // file is read when its store is next used (reads and marks), with the mutex held. Looking at the
    // files needs no mutex (a save renames its file before it counts), so the mutex is only waited
    // for: the windows are told once the writer that announced is done, and a writer that keeps it
    // past the time-out still ends this listener. A process with no window to tell does not wait:
    // holding the mutex for nothing made the writer's next call wait for this thread.
    {
        base::CriticalSectionLock documents(Stores().documentLock);
        CCurrentSetting* all = AllUsersStore(false);
        CCurrentSetting* mine = PerUserManagerExists() ? PerUserStore() : nullptr;
        if (all) all->NoteIfReplacedOnDisk();
        if (mine) mine->NoteIfReplacedOnDisk();
        if ((all && all->ReplacedOnDisk()) || (mine && mine->ReplacedOnDisk())) Stores().replacedFiles = true;
    }
    if (!waitForWriter) return kOk;
    WriteMutex mutex;
    return mutex.Obtained() ? kOk : kMutexTimeout;
}

static int MarkStore(const wchar_t* classId, int settingId, const wchar_t* mark, bool remember) {
    if (!IsWellFormedClassId(classId)) return kBadClassId;
    CDefaultSetting* defaults = DefaultStore();
    if (!defaults) return kFailed;
    int allUser = 0;
    if (defaults->DefaultKind(classId, settingId, &allUser) != kLoaded) return kUnknownSetting;
    CCurrentSetting* store = StoreForKind(allUser);
    if (!store) return kFailed;
    bool changed = store->MarkForEvents(classId, settingId, allUser != 0, mark, *defaults);
    if (changed && remember) {
        ProcessStores& s = Stores();
        base::CriticalSectionLock lock(s.stateLock);
        // Only the latest mark of a setting counts; the list stays as long as the settings marked.
        auto& marks = s.unsavedMarks;
        marks.erase(std::remove_if(marks.begin(), marks.end(),
                                   [&](const auto& m) { return std::get<1>(m) == settingId && std::get<0>(m) == classId; }),
                    marks.end());
        marks.emplace_back(classId, settingId, mark);
    }
    return (allUser && !changed) ? kFailed : kOk;
}

static int Mark(const wchar_t* classId, int settingId, const wchar_t* mark) {
    {
        base::CriticalSectionLock documents(Stores().documentLock);
        if (!Stores().replacedFiles) return MarkStore(classId, settingId, mark, true);
    }
    // Whether the mark changes anything is decided against the file a peer saved, not the older
    // document. Without the mutex the mark still goes in; the update before the save reads the file.
    WriteMutex mutex;
    base::CriticalSectionLock documents(Stores().documentLock);
    if (mutex.Obtained()) ReadReplacedFiles();
    return MarkStore(classId, settingId, mark, true);
}

int RegisterSettingChangeEvent(const wchar_t* classId, int settingId) {
    if (!DefaultFilesExist()) return kNoDefaultFiles;
    return Mark(classId, settingId, L"1");
}

int UnRegisterSettingChangeEvent(const wchar_t* classId, int settingId) { return Mark(classId, settingId, L"0"); }

void ResetStores() {
    ProcessStores& s = Stores();
    // The reload listener works on the stores with the mutex held; they are not dropped under it. The
    // wait is short: a holder in another process must not stall an unload, and the listener of this
    // process is stopped before the DLL drops its stores anyway.
    WriteMutex mutex(kResetMutexWaitMs);
    base::CriticalSectionLock documents(s.documentLock);
    {
        base::CriticalSectionLock lock(s.defaultLock);
        s.defaults.reset();
    }
    {
        base::CriticalSectionLock lock(s.allUsersLock);
        s.allUsers.reset();
    }
    {
        base::CriticalSectionLock lock(s.perUserLock);
        s.perUser.clear();
    }
    {
        base::CriticalSectionLock lock(s.stateLock);
        s.changeEvents.clear();
        s.reloadNeeded = false;
    }
    s.replacedFiles = false;
    ResetModelConfig();
    ReleaseMachineIdProvider();
}

}  // namespace service
}  // namespace settory
