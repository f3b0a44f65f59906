#pragma once
// Turns the user's high-contrast mode on for a test, with a dark scheme of system colours, and puts
// both back at the end. The mode is set where the user profile keeps it: Wine refuses
// SPI_SETHIGHCONTRAST, and the program reads the profile's flags as well.
#include <windows.h>

#include <vector>

#include "base/handles.h"
#include "ui/high_contrast.h"

namespace apptest {

class HighContrastScheme {
public:
    static constexpr COLORREF kWindow = RGB(0, 0, 0);
    static constexpr COLORREF kWindowText = RGB(255, 255, 0);
    static constexpr COLORREF kHighlight = RGB(0, 128, 255);
    static constexpr COLORREF kHighlightText = RGB(255, 255, 255);

    HighContrastScheme() {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
        wchar_t old[32] = {};
        DWORD size = sizeof(old) - sizeof(wchar_t);
        hadFlags_ = ::RegQueryValueExW(key_.get(), L"Flags", nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) ==
                    ERROR_SUCCESS;
        oldFlags_ = old;
        SetFlags(L"127");
        for (int i = 0; i < 4; ++i) oldColours_.push_back(::GetSysColor(kElements[i]));
        const COLORREF scheme[4] = {kWindow, kWindowText, kHighlight, kHighlightText};
        ::SetSysColors(4, kElements, scheme);
        ostrel::RefreshHighContrast();
    }
    ~HighContrastScheme() {
        ::SetSysColors(4, kElements, oldColours_.data());
        if (hadFlags_) {
            SetFlags(oldFlags_.c_str());
        } else {
            ::RegDeleteValueW(key_.get(), L"Flags");
        }
        ostrel::RefreshHighContrast();
    }
    HighContrastScheme(const HighContrastScheme&) = delete;
    HighContrastScheme& operator=(const HighContrastScheme&) = delete;

private:
    static constexpr const wchar_t* kKey = L"Control Panel\\Accessibility\\HighContrast";
    static constexpr INT kElements[4] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT};
    void SetFlags(const wchar_t* flags) {
        ::RegSetValueExW(key_.get(), L"Flags", 0, REG_SZ, reinterpret_cast<const BYTE*>(flags),
                         static_cast<DWORD>((wcslen(flags) + 1) * sizeof(wchar_t)));
    }

    base::UniqueHKey key_;
    bool hadFlags_ = false;
    std::wstring oldFlags_;
    std::vector<COLORREF> oldColours_;
};

}  // namespace apptest
