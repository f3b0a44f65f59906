#include "installer/installed_product.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>
#include <commctrl.h>

#include <vector>

#include "base/com_ptr.h"
#include "base/handles.h"
#include "support/fixtures.h"

namespace installertest {
namespace {

CStringW Expand(const wchar_t* text) {
    wchar_t buffer[1024] = {};
    DWORD n = ::ExpandEnvironmentStringsW(text, buffer, 1024);
    return n > 0 && n <= 1024 ? CStringW(buffer) : CStringW();
}

constexpr DWORD kSetupTimeoutMs = 120000;

// Starts a command line and waits for it; the process id through *id.
int RunAndWait(const CStringW& commandLine, DWORD* id = nullptr) {
    testsupport::ChildProcess child(commandLine);
    if (!child.Started()) return -1;
    if (id) *id = child.Id();
    DWORD code = 0;
    if (!child.WaitExit(kSetupTimeoutMs, &code)) return -1;
    return static_cast<int>(code);
}

}  // namespace

CStringW ProgramFolder() { return Expand(L"%ProgramFiles%\\Quor\\Ostrel"); }
CStringW DataFolder() { return Expand(L"%ALLUSERSPROFILE%\\Quor Corporation\\Ostrel"); }

CStringW UserDataFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return CStringW(folder) + L"\\Quor Corporation\\Ostrel";
}

CStringW StartMenuLink(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, folder);
    return CStringW(folder) + L"\\" + name + L".lnk";
}

int RunSetup(const wchar_t* arguments) {
    wchar_t setup[1024] = {};
    if (!::GetEnvironmentVariableW(L"OSTREL_SETUP", setup, 1024)) return -1;
    return RunAndWait(L"\"" + CStringW(setup) + L"\" " + arguments);
}

bool RunUninstaller(const CStringW& folder) {
    // The uninstaller copies itself to the temporary folder, starts the copy and ends at once, so
    // that the copy can remove the original; the work is done when the copy has ended too.
    DWORD id = 0;
    if (RunAndWait(L"\"" + (folder.IsEmpty() ? ProgramFolder() : folder) + L"\\Uninstall.exe\" /S", &id) != 0) {
        return false;
    }
    base::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    std::vector<base::UniqueHandle> copies;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID != id) continue;
        base::UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (process) copies.push_back(std::move(process));
    }
    for (auto& process : copies) {
        if (::WaitForSingleObject(process.get(), kSetupTimeoutMs) != WAIT_OBJECT_0) return false;
    }
    // The copy may be gone from the snapshot before it was taken, or not yet listed in it; its last
    // step removes the product's entry from the list of installed programs.
    return testsupport::WaitUntil(
        [] {
            return !KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ostrel");
        },
        kSetupTimeoutMs);
}

bool WaitUntilNotRunning(const wchar_t* exeName, DWORD timeoutMs) {
    return testsupport::WaitUntil(
        [exeName] {
            base::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
            PROCESSENTRY32W entry = {};
            entry.dwSize = sizeof(entry);
            for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
                 more = ::Process32NextW(snapshot.get(), &entry)) {
                if (_wcsicmp(entry.szExeFile, exeName) == 0) return false;
            }
            return true;
        },
        timeoutMs);
}

bool KeyExists(HKEY root, const wchar_t* path) {
    base::UniqueHKey key;
    return ::RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS;
}

CStringW RegString(HKEY root, const wchar_t* path, const wchar_t* value) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (::RegGetValueW(root, path, value, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                       nullptr, buffer, &size) != ERROR_SUCCESS) {
        return CStringW();
    }
    return CStringW(buffer);
}

CStringW FindPanelEntry() {
    const wchar_t* ns = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace";
    base::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ns, 0, KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
        return CStringW();
    }
    const CStringW expected = L"@" + ProgramFolder() + L"\\OstrelPanel.dll,-200";
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        CStringW cls = CStringW(L"SOFTWARE\\Classes\\CLSID\\") + name;
        if (RegString(HKEY_LOCAL_MACHINE, cls, L"LocalizedString").CompareNoCase(expected) == 0) return name;
    }
    return CStringW();
}

bool ReadLink(const CStringW& link, CStringW* target, CStringW* arguments, CStringW* iconPath, int* iconIndex) {
    base::ComInit com(COINIT_APARTMENTTHREADED);
    base::ComPtr<IShellLinkW> shellLink;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  shellLink.PutVoid()))) {
        return false;
    }
    base::ComPtr<IPersistFile> file;
    if (FAILED(shellLink.As(IID_IPersistFile, file)) || FAILED(file->Load(link, STGM_READ))) return false;
    wchar_t buffer[1024] = {};
    if (FAILED(shellLink->GetPath(buffer, 1024, nullptr, SLGP_RAWPATH))) return false;
    *target = buffer;
    buffer[0] = 0;
    shellLink->GetArguments(buffer, 1024);
    *arguments = buffer;
    if (iconPath && iconIndex) {
        buffer[0] = 0;
        if (FAILED(shellLink->GetIconLocation(buffer, 1024, iconIndex))) return false;
        *iconPath = buffer;
    }
    return true;
}

bool TreeContains(HWND tree, const wchar_t* text) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(tree, &pid);
    base::UniqueHandle process(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!process) return false;
    // One block in the tree's process: the item structure, then its text buffer.
    constexpr SIZE_T kChars = 260;
    BYTE* remote = static_cast<BYTE*>(::VirtualAllocEx(process.get(), nullptr, sizeof(TVITEMW) + kChars * sizeof(wchar_t),
                                                       MEM_COMMIT, PAGE_READWRITE));
    if (!remote) return false;
    bool found = false;
    // Depth-first over every item.
    std::vector<HTREEITEM> pending;
    for (auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
         item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        pending.push_back(item);
    }
    while (!pending.empty() && !found) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        TVITEMW request = {};
        request.mask = TVIF_TEXT;
        request.hItem = item;
        request.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TVITEMW));
        request.cchTextMax = kChars;
        wchar_t buffer[kChars] = {};
        if (::WriteProcessMemory(process.get(), remote, &request, sizeof(request), nullptr) &&
            ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote)) &&
            ::ReadProcessMemory(process.get(), remote + sizeof(TVITEMW), buffer, sizeof(buffer) - sizeof(wchar_t), nullptr)) {
            found = wcscmp(buffer, text) == 0;
        }
        for (auto child = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
             child; child = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)))) {
            pending.push_back(child);
        }
    }
    ::VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return found;
}

}  // namespace installertest
