#include "ui/high_contrast.h"

#include <commctrl.h>

#include <atomic>

namespace ostrel {
namespace {
std::atomic<int> g_highContrast{-1};

bool ReadHighContrast() {
    HIGHCONTRASTW hc = {sizeof(hc)};
    if (::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(hc), &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON)) {
        return true;
    }
    // Wine answers the query with the mode off and refuses to set it, whatever the user profile
    // holds; the profile's stored flags (the same value Windows keeps there) still say it.
    wchar_t flags[16] = {};
    DWORD size = sizeof(flags) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Accessibility\\HighContrast", L"Flags",
                       RRF_RT_REG_SZ, nullptr, flags, &size) != ERROR_SUCCESS) {
        return false;
    }
    return (wcstoul(flags, nullptr, 10) & HCF_HIGHCONTRASTON) != 0;
}
}  // namespace

bool HighContrastOn() {
    int state = g_highContrast.load();
    if (state < 0) {
        state = ReadHighContrast() ? 1 : 0;
        g_highContrast.store(state);
    }
    return state == 1;
}

void RefreshHighContrast() { g_highContrast.store(ReadHighContrast() ? 1 : 0); }

Palette CurrentPalette() {
    if (HighContrastOn()) {
        return {::GetSysColor(COLOR_WINDOW),    ::GetSysColor(COLOR_WINDOWTEXT),    ::GetSysColor(COLOR_WINDOWTEXT),
                ::GetSysColor(COLOR_HIGHLIGHT), ::GetSysColor(COLOR_HIGHLIGHTTEXT), ::GetSysColor(COLOR_BTNFACE),
                ::GetSysColor(COLOR_BTNTEXT),   ::GetSysColor(COLOR_WINDOWTEXT)};
    }
    return {RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 51, 153),    RGB(185, 218, 252),
            RGB(0, 0, 0),       RGB(191, 189, 185), RGB(0, 0, 0),       RGB(231, 242, 254)};
}

HBRUSH PageBrush(HBRUSH designed) { return HighContrastOn() ? ::GetSysColorBrush(COLOR_WINDOW) : designed; }

HBRUSH PageCtlColor(HDC dc, HBRUSH designed) {
    Palette palette = CurrentPalette();
    ::SetBkColor(dc, palette.background);
    if (HighContrastOn()) ::SetTextColor(dc, palette.text);
    return PageBrush(designed);
}

void OnSystemColoursChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    RefreshHighContrast();
    struct Forward {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } forward = {message, wParam, lParam};
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            const auto* f = reinterpret_cast<const Forward*>(data);
            ::SendMessageW(child, f->message, f->wParam, f->lParam);
            // A list view keeps the colours it took at creation even when told of the change.
            wchar_t cls[32] = {};
            if (f->message == WM_SYSCOLORCHANGE && ::GetClassNameW(child, cls, 32) && !_wcsicmp(cls, WC_LISTVIEWW)) {
                ListView_SetBkColor(child, ::GetSysColor(COLOR_WINDOW));
                ListView_SetTextBkColor(child, ::GetSysColor(COLOR_WINDOW));
                ListView_SetTextColor(child, ::GetSysColor(COLOR_WINDOWTEXT));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&forward));
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace ostrel
