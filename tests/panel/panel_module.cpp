#include "panel/panel_module.h"

#include "support/fixtures.h"

namespace paneltest {

base::UniqueModule LoadPanel() {
    return base::UniqueModule(::LoadLibraryW(testsupport::BinFile(L"OstrelPanel.dll")));
}

std::vector<BYTE> ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
    HRSRC info = ::FindResourceExW(module, type, name, language);
    if (!info) return {};
    HGLOBAL data = ::LoadResource(module, info);
    const BYTE* bytes = data ? static_cast<const BYTE*>(::LockResource(data)) : nullptr;
    if (!bytes) return {};
    return std::vector<BYTE>(bytes, bytes + ::SizeofResource(module, info));
}

bool StringInLanguage(HMODULE module, UINT id, WORD language, std::wstring* text) {
    // A string table block holds 16 counted strings; block n carries the ids 16 (n - 1) to 16 n - 1.
    std::vector<BYTE> block = ResourceBytes(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    const size_t words = block.size() / sizeof(WCHAR);
    const WCHAR* p = reinterpret_cast<const WCHAR*>(block.data());
    size_t at = 0;
    for (UINT i = 0; i < 16 && at < words; ++i) {
        size_t length = p[at++];
        if (at + length > words) return false;
        if (i == id % 16) {
            if (length == 0) return false;
            text->assign(p + at, length);
            return true;
        }
        at += length;
    }
    return false;
}

}  // namespace paneltest
