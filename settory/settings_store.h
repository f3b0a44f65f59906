#pragma once
// The settings store: default settings (read-only, one or more files), the current settings of all
// users and of each user, and the operations ISettory is a thin layer over.
#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/handles.h"
#include "settory/class_contain.h"

namespace settory {

// Result codes of ISettory.
enum SettoryResult : int {
    kOk = 0,
    kFailed = 1,
    kBadClassId = 2,
    kNoDefaultFiles = 3,
    kUnknownSetting = 4,
    kMutexTimeout = 9,
};

// Results of loading a store.
enum LoadResult : int {
    kLoaded = 100,
    kNotLoaded = 101,
    kNoFiles = 50,
    kFileFailed = 51,
};

constexpr DWORD kWriteMutexTimeoutMs = 15000;
constexpr int kValueCapacity = 256;  // wide characters including the terminator (Ex methods)

// Locations, from the environment of the calling process.
CStringW ProductFolder();  // "%ALLUSERSPROFILE%\Quor Corporation\Ostrel\"
CStringW DefaultFolder();
CStringW DefaultSchemaPath();
CStringW CurrentSchemaPath();
CStringW AllUsersFilePath();
CStringW PerUserFolder();
// The per-user file of the token's user; of the process's own user (from the environment) when null.
CStringW PerUserFilePath(HANDLE token = nullptr);
bool DefaultFilesExist();
// Full paths of the files (not folders) in folder (ending in "\") matching pattern, in the order the
// file system lists them.
std::vector<CStringW> ListFiles(const CStringW& folder, const wchar_t* pattern);

// "Global\CurrentSettingWrite_Mutex", held for the object's lifetime when Obtained().
class WriteMutex {
public:
    explicit WriteMutex(DWORD timeoutMs = kWriteMutexTimeoutMs);
    // Also wakes when the event alsoWakeOn is set before the mutex is free, and then leaves the mutex
    // alone (WokenInstead). Without an event, the same as the constructor above.
    WriteMutex(HANDLE alsoWakeOn, DWORD timeoutMs = kWriteMutexTimeoutMs);
    ~WriteMutex();
    WriteMutex(const WriteMutex&) = delete;
    WriteMutex& operator=(const WriteMutex&) = delete;
    bool Obtained() const noexcept { return owned_; }
    bool WokenInstead() const noexcept { return woken_; }
    // Waits for the mutex alone, for what is left of the time-out given at construction; nothing when
    // it is already held.
    void WaitOn();

private:
    HANDLE mutex_ = nullptr;  // the process's one handle; not owned here
    ULONGLONG start_ = 0;
    DWORD timeoutMs_ = 0;
    bool owned_ = false;
    bool woken_ = false;
};

class CDefaultSetting : public CClassContain {
public:
    [[nodiscard]] int LoadAll();
    // 100 and the item's bAllUser when the item exists, else 101.
    int DefaultKind(const wchar_t* classId, int settingId, int* allUser) const;
    bool GetValue(const wchar_t* classId, int settingId, VARIANT* value) const;
    const std::vector<CStringW>& Files() const noexcept { return files_; }

private:
    std::vector<CStringW> files_;
};

class CCurrentSetting : public CClassContain {
public:
    explicit CCurrentSetting(const CStringW& path) : path_(path) {}
    [[nodiscard]] int LoadFile();
    // Reads the file again; values set since the last successful save are set again afterwards.
    [[nodiscard]] bool Reload();
    [[nodiscard]] bool SaveFile();
    bool GetValue(const wchar_t* classId, int settingId, VARIANT* value) const;
    bool SetValue(const wchar_t* classId, int settingId, bool allUser, const wchar_t* text);
    bool MarkForEvents(const wchar_t* classId, int settingId, bool allUser, const wchar_t* mark,
                       const CDefaultSetting& defaults);
    // Reloads when the file on disk is no longer the one this store last loaded or saved: another
    // process saved it meanwhile; *reloaded is then set. False when that reload failed.
    [[nodiscard]] bool RefreshIfChangedOnDisk(bool* reloaded = nullptr);
    // After a peer's announced save, which names no file: the count moved for every store, so the
    // file itself tells whether it was replaced. One that was is read at the store's next use
    // (RefreshIfReplaced); one that was not takes the new count into its stamp.
    void NoteIfReplacedOnDisk();
    bool ReplacedOnDisk() const noexcept { return replacedOnDisk_; }
    [[nodiscard]] bool RefreshIfReplaced(bool* reloaded = nullptr);
    const CStringW& Path() const noexcept { return path_; }
    // The name the unreadable file was moved to before the first save replaced it; empty when none.
    const CStringW& KeptAside() const noexcept { return keptAside_; }
    // True while the document holds anything its file does not: a value or mark set since the last
    // load or save, or a document made afresh because the file was missing or unreadable. Saving a
    // document without changes would rewrite the same content, durably, for nothing.
    bool HasChanges() const noexcept { return changed_ || !unsaved_.empty(); }
    // Takes the machine-wide count into the stamp after a save of the other store moved it. Only with
    // the write mutex held since this store was last loaded, saved or found current: its file is then
    // still the one the stamp describes.
    void TakeCount();

private:
    bool CreateEmpty();
    bool NoteChange(bool changed) noexcept {
        changed_ = changed_ || changed;
        return changed;
    }
    bool CreateItem(const wchar_t* classId, int settingId, bool allUser, const wchar_t* eventText,
                    const wchar_t* text);
    // Puts text into the document; announce signals the item's change event and notes the write for
    // the reload announcement, which a value set again after a reload has already had.
    bool WriteValue(const wchar_t* classId, int settingId, bool allUser, const wchar_t* text, bool announce);

    // A value set in the document and not saved yet. A save can fail, and the file is read again
    // before the retry whenever anyone saved meanwhile (the save count is machine-wide): without
    // these the retry would save the file's old value and report success.
    struct UnsavedValue {
        CStringW classId;
        int settingId;
        bool allUser;
        CStringW text;
    };

    // What identifies one version of the file: the machine-wide count of saves made through the
    // service, and for writers outside it the file's write time, size and file index (a save renames a
    // new file over it, with an index of its own). Write times are coarse; the index and the count tell
    // quick saves apart. Taken with the write mutex held, except where NoteIfReplacedOnDisk says.
    struct FileStamp {
        LONG saves = 0;
        bool present = false;
        FILETIME written = {};
        ULONGLONG size = 0;
        ULONGLONG index = 0;
        bool operator==(const FileStamp& other) const noexcept;
        // Every save renames a new file over the old, so a file with the same index, size and write
        // time is the same version. Without a file index (some shares) only the count can tell.
        bool SameFile(const FileStamp& other) const noexcept;
    };
    static FileStamp StampOf(const CStringW& path);
    static FileStamp StampFrom(const BY_HANDLE_FILE_INFORMATION& info, LONG saves);
    bool WriteTimeOrSizeDiffers() const;

    CStringW path_;
    FileStamp stamp_;
    std::vector<UnsavedValue> unsaved_;  // in the order set; one entry a setting
    bool unreadableOnDisk_ = false;
    bool replacedOnDisk_ = false;
    bool changed_ = false;
    CStringW keptAside_;
};

// One queued write of a CSettory object.
struct PendingWrite {
    CStringW classId;
    int settingId;
    CStringW text;
};
using PendingList = std::vector<PendingWrite>;

// The ISettory operations over the process-wide stores.
namespace service {
int GetDefaultValue(const wchar_t* classId, int settingId, VARIANT* value);
int GetCurrentValue(const wchar_t* classId, int settingId, VARIANT* value);
int GetDefaultValueEx(const wchar_t* classId, int settingId, wchar_t* buffer);
int GetCurrentValueEx(const wchar_t* classId, int settingId, wchar_t* buffer);
void QueueWrite(PendingList& pending, const wchar_t* classId, int settingId, const wchar_t* text);
int Reload();
int UpdateCurrentSetting(PendingList& pending);
int RegisterSettingChangeEvent(const wchar_t* classId, int settingId);
int UnRegisterSettingChangeEvent(const wchar_t* classId, int settingId);
// Whether a policy locks the setting: *source is 0 (not locked), 1 (machine policy) or 2 (user
// policy). The checks and result codes of GetCurrentValue, without the write mutex.
int LockSource(const wchar_t* classId, int settingId, int* source);
// The class id as the default files spell it (clients name a setting's event that way, and event names
// are case-sensitive), matched ignoring case; the text itself when no default file has the class.
std::vector<CStringW> StoredClassIds(const wchar_t* classId);
// The reload listener's work after another process saved: each store notes whether its file was
// replaced; then, when there are windows to tell, the write mutex is waited for so that they are told
// once the writer is done. kMutexTimeout when it was not obtained.
//
// Every operation here reaches the stores' documents and indexes under one process-wide lock, taken
// after the write mutex where both are needed: COM calls of any apartment and the reload listener
// would otherwise find an index that a reload is dropping.
int ReloadForPeer(bool waitForWriter = true);

// Drops every process-wide store; the next call builds them again from the files. For unloading the
// DLL and for tests that change the environment between cases.
void ResetStores();
}  // namespace service

}  // namespace settory
