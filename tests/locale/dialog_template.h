#pragma once
// Reads the extended dialog templates of a resource module, so that tests can compare a language's
// dialogs with the English ones and measure their texts without creating any window.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace localetest {

struct DialogControl {
    DWORD id = 0;
    DWORD style = 0;
    std::wstring windowClass;  // "Button", "Static", ... for the predefined classes' ordinals
    std::wstring text;         // empty for an ordinal (an icon or bitmap id)
    RECT units = {};           // in dialog units
};

struct DialogTemplate {
    WORD id = 0;
    std::wstring caption;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE charset = DEFAULT_CHARSET;
    std::wstring face;
    std::vector<DialogControl> controls;
};

// Every dialog of the module in the given language, by id; one whose template cannot be read is
// left out, which the comparison with English then reports.
std::map<WORD, DialogTemplate> ReadDialogs(HMODULE module, LANGID language);

// Every string of the module's string tables in the given language, by id.
std::map<UINT, std::wstring> ReadStrings(HMODULE module, LANGID language);

// The character after a single "&" (upper-cased), or 0 when the text has no mnemonic.
wchar_t Mnemonic(const std::wstring& text);

}  // namespace localetest
