#include "window/search_target.h"

#include <commctrl.h>

namespace ostrel {

namespace {
CStringW ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

bool IsRadioButton(HWND control) {
    if (ClassOf(control).CompareNoCase(L"Button") != 0) return false;
    LONG type = ::GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// Labels and group boxes name the control after them, as their mnemonics do.
bool NamesNextControl(HWND control) {
    if (ClassOf(control).CompareNoCase(L"Static") == 0) return true;
    return ClassOf(control).CompareNoCase(L"Button") == 0 &&
           (::GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool Follows(HWND first, HWND later) {
    for (HWND next = ::GetWindow(first, GW_HWNDNEXT); next; next = ::GetWindow(next, GW_HWNDNEXT)) {
        if (next == later) return true;
    }
    return false;
}

bool CanTakeFocus(HWND control) { return control && ::IsWindowVisible(control) && ::IsWindowEnabled(control); }

HWND CheckedInGroup(HWND page, HWND radio) {
    HWND item = radio;
    for (int guard = 0; guard < 256 && item; ++guard) {
        if (IsRadioButton(item) && ::SendMessageW(item, BM_GETCHECK, 0, 0) == BST_CHECKED) return item;
        item = ::GetNextDlgGroupItem(page, item, FALSE);
        if (item == radio) break;
    }
    return nullptr;
}
}  // namespace

HWND FindPageControl(HWND page, int controlId, const CStringW& rawText) {
    if (!page) return nullptr;
    if (controlId != -1 && controlId != 0xFFFF) {
        if (HWND control = ::GetDlgItem(page, controlId)) return control;
    }
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::GetDlgCtrlID(child) != controlId) continue;
        wchar_t text[512] = {};
        ::GetWindowTextW(child, text, 512);
        if (rawText == text) return child;
    }
    return nullptr;
}

BOOL BringControlTabForward(HWND page, HWND control) {
    if (!page || !control) return FALSE;
    if (::IsWindowVisible(control)) return TRUE;
    for (HWND tabs = ::GetWindow(page, GW_CHILD); tabs; tabs = ::GetWindow(tabs, GW_HWNDNEXT)) {
        if (ClassOf(tabs).CompareNoCase(WC_TABCONTROLW) != 0) continue;
        const int count = static_cast<int>(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
        const int original = static_cast<int>(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
        for (int index = 0; index < count; ++index) {
            ::SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
            NMHDR change = {tabs, static_cast<UINT_PTR>(::GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
            ::SendMessageW(page, WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
            if (::IsWindowVisible(control)) return TRUE;
        }
        if (original >= 0) {
            ::SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(original), 0);
            NMHDR back = {tabs, static_cast<UINT_PTR>(::GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
            ::SendMessageW(page, WM_NOTIFY, back.idFrom, reinterpret_cast<LPARAM>(&back));
        }
    }
    return ::IsWindowVisible(control);
}

HWND FocusTargetFor(HWND page, HWND control) {
    if (!page || !control) return nullptr;
    HWND target = control;
    if (NamesNextControl(control)) {
        target = ::GetNextDlgTabItem(page, control, FALSE);
        // The search from a label wraps to the page's first control when nothing follows it.
        if (!target || !Follows(control, target)) return nullptr;
    }
    if (IsRadioButton(target) && ::SendMessageW(target, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        target = CheckedInGroup(page, target);
    }
    return CanTakeFocus(target) ? target : nullptr;
}

}  // namespace ostrel
