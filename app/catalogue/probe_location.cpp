#include "catalogue/probe_location.h"

#include <shlobj.h>

#include <string>

#include "base/handles.h"
#include "catalogue/availability_probe.h"

namespace ostrel {
namespace {

CStringW WithBackslash(CStringW folder) {
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != L'\\') folder += L'\\';
    return folder;
}

CStringW ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return CStringW();
    return path;
}

CStringW ProgramFolder() {
    std::wstring path(32768, L'\0');
    DWORD n = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return CStringW();
    CStringW file(path.c_str());
    int slash = file.ReverseFind(L'\\');
    return slash > 0 ? file.Left(slash) : CStringW();
}

bool StartsWithNoCase(const CStringW& text, const CStringW& prefix) {
    return !prefix.IsEmpty() && text.GetLength() >= prefix.GetLength() &&
           ::CompareStringOrdinal(text, prefix.GetLength(), prefix, prefix.GetLength(), TRUE) == CSTR_EQUAL;
}

// Subfolders of the Windows folder in which a default installation lets standard users create files.
const wchar_t* const kWritableUnderWindows[] = {
    L"Temp\\",
    L"Tasks\\",
    L"tracing\\",
    L"debug\\",
    L"Registration\\CRMLog\\",
    L"System32\\Tasks\\",
    L"System32\\spool\\",
    L"System32\\Microsoft\\Crypto\\RSA\\MachineKeys\\",
    L"SysWOW64\\Tasks\\",
    L"SysWOW64\\Microsoft\\Crypto\\RSA\\MachineKeys\\",
};

// "X:\" followed by plain names: no "." or ".." steps, no empty steps, no names the file system
// would silently shorten (trailing dots or spaces), no wildcards and no stream suffixes.
bool IsPlainAbsolutePath(const CStringW& path) {
    if (path.GetLength() < 4 || !iswalpha(path[0]) || path[1] != L':' || path[2] != L'\\') return false;
    int start = 3;
    for (;;) {
        int slash = path.Find(L'\\', start);
        CStringW step = path.Mid(start, slash < 0 ? path.GetLength() - start : slash - start);
        if (step.IsEmpty()) return false;
        wchar_t last = step[step.GetLength() - 1];
        if (last == L'.' || last == L' ') return false;
        for (int i = 0; i < step.GetLength(); ++i) {
            wchar_t ch = step[i];
            if (ch < 32 || wcschr(L"/:*?\"<>|%", ch)) return false;
        }
        if (slash < 0) return true;
        start = slash + 1;
    }
}

}  // namespace

std::vector<CStringW> TrustedProbeFolders() {
    std::vector<CStringW> folders;
    for (const CStringW& folder : {ProgramFolder(), ShellFolder(CSIDL_PROGRAM_FILES), ShellFolder(CSIDL_PROGRAM_FILESX86)}) {
        if (!folder.IsEmpty()) folders.push_back(WithBackslash(folder));
    }
    wchar_t windows[MAX_PATH] = {};
    UINT n = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) folders.push_back(WithBackslash(windows));
    return folders;
}

BOOL IsTrustedProbeLocation(const CStringW& path) {
    if (!IsPlainAbsolutePath(path)) return FALSE;
    // The plain form above should already be what the system makes of the path; anything it would
    // still rewrite is refused rather than judged in one form and loaded in another.
    std::wstring full(32768, L'\0');
    DWORD n = ::GetFullPathNameW(path, static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (n == 0 || n >= full.size() || CStringW(full.c_str()).CompareNoCase(path) != 0) return FALSE;

    wchar_t windowsBuffer[MAX_PATH] = {};
    UINT w = ::GetSystemWindowsDirectoryW(windowsBuffer, MAX_PATH);
    CStringW windows = w > 0 && w < MAX_PATH ? WithBackslash(windowsBuffer) : CStringW();
    for (const CStringW& folder : TrustedProbeFolders()) {
        if (!StartsWithNoCase(path, folder) || path.GetLength() == folder.GetLength()) continue;
        if (folder.CompareNoCase(windows) == 0) {
            bool writable = false;
            for (const wchar_t* sub : kWritableUnderWindows) writable = writable || StartsWithNoCase(path, windows + sub);
            if (writable) continue;
        }
        return TRUE;
    }
    return FALSE;
}

int RunLocatedProbe(const CStringW& module, const CStringW& function, int argument1, int argument2) {
    if (!IsTrustedProbeLocation(module)) return 0;
    int chars = ::WideCharToMultiByte(CP_ACP, 0, function, -1, nullptr, 0, nullptr, nullptr);
    if (chars <= 1) return 0;
    std::string name(static_cast<size_t>(chars), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, function, -1, &name[0], chars, nullptr, nullptr);

    // The probe's own imports are looked for in its (trusted) folder first, not in the current folder.
    base::UniqueModule library(::LoadLibraryExW(module, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library) return 0;
    auto call = reinterpret_cast<ProbeFunction>(::GetProcAddress(library.get(), name.c_str()));
    return CallProbe(call, argument1, argument2);
}

}  // namespace ostrel
