#include "window/html_help.h"

#include <shlwapi.h>

#include <mutex>

#include "base/handles.h"
#include "catalogue/registry_values.h"

namespace {
typedef HWND(WINAPI* HtmlHelpFn)(HWND, LPCWSTR, UINT, DWORD_PTR);
constexpr UINT kDisplayToc = 0x0001;  // HH_DISPLAY_TOC

std::once_flag g_loadOnce;
HtmlHelpFn g_htmlHelp = nullptr;

void LoadHtmlHelp() {
    CStringW path;
    base::UniqueHKey key;
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", 0,
                        KEY_READ, &raw) == ERROR_SUCCESS) {
        key.reset(raw);
        ostrel::ReadRegString(key.get(), L"", &path);
    }
    HMODULE module = path.IsEmpty() ? nullptr : ::LoadLibraryW(path);
    if (!module) module = ::LoadLibraryW(L"hhctrl.ocx");
    // Kept loaded for the rest of the run: help windows live inside it.
    if (module) g_htmlHelp = reinterpret_cast<HtmlHelpFn>(::GetProcAddress(module, "HtmlHelpW"));
}
}  // namespace

namespace ostrel {

CStringW LocalisedHelpFile(const CStringW& helpPath) {
    CStringW file = helpPath;
    wchar_t languages[85] = {};
    ULONG count = 0, size = 85;
    if (::GetThreadPreferredUILanguages(MUI_LANGUAGE_NAME, &count, languages, &size) && languages[0]) {
        wchar_t language[LOCALE_NAME_MAX_LENGTH] = {};
        lstrcpynW(language, languages, LOCALE_NAME_MAX_LENGTH);
        ULONG languageChars = LOCALE_NAME_MAX_LENGTH;
        wchar_t found[MAX_PATH] = {};
        ULONG foundChars = MAX_PATH;
        ULONGLONG enumerator = 0;
        CStringW unquoted = helpPath;
        unquoted.Trim(L'"');
        if (::GetFileMUIPath(MUI_LANGUAGE_NAME, unquoted, language, &languageChars, found, &foundChars, &enumerator) &&
            found[0]) {
            file = found;
        }
    }
    wchar_t buffer[MAX_PATH * 2] = {};
    lstrcpynW(buffer, file, MAX_PATH * 2);
    ::PathUnquoteSpacesW(buffer);
    return buffer;
}

HWND ShowHelp(const CStringW& helpPath, UINT option) {
    if (helpPath.IsEmpty()) return nullptr;
    std::call_once(g_loadOnce, LoadHtmlHelp);
    if (!g_htmlHelp) return nullptr;
    CStringW file = LocalisedHelpFile(helpPath);
    return g_htmlHelp(nullptr, file, kDisplayToc, option);
}

}  // namespace ostrel
