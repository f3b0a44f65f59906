// The settings window's keyboard: Escape, Tab across the page boundary, Alt+letter mnemonics that
// belong to the page, and keeping the focused page control in view on short screens.
#include "window/main_dlg.h"
#include "resource.h"
#include "ui/tab_dialog.h"
#include "window/scroll_view.h"

void COSLMainDlg::ComputeTabBookkeeping() {
    HWND first = nullptr, last = nullptr;
    ostrel::WalkTabOrder(m_hWnd, &first, &last);
    m_hFirstTab = first;
    m_hLastTab = last;
    m_nFirstTabId = first ? ::GetDlgCtrlID(first) : 0;
    m_nLastTabId = last ? ::GetDlgCtrlID(last) : 0;
}

void COSLMainDlg::FocusHostTabStop(bool last) {
    ComputeTabBookkeeping();
    HWND target = last ? m_hLastTab : m_hFirstTab;
    if (target) ::SetFocus(target);
}

BOOL COSLMainDlg::HostOwnsMnemonic(UINT virtualKey) {
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowEnabled(child) || !::IsWindowVisible(child)) continue;
        // What the person typed into the search box is no mnemonic of the window's.
        if (child == m_searchBox.m_hWnd) continue;
        wchar_t text[256] = {};
        ::GetWindowTextW(child, text, 256);
        if (ostrel::TextHasMnemonic(text, virtualKey)) return TRUE;
    }
    return FALSE;
}

bool COSLMainDlg::PageContains(HWND hwnd) {
    if (!m_pPageView || !m_pPageView->IsWindow() || !hwnd) return false;
    return hwnd == m_pPageView->m_hWnd || ::IsChild(m_pPageView->m_hWnd, hwnd);
}

BOOL COSLMainDlg::TranslateMnemonic(MSG* msg) {
    if (msg->message != WM_SYSKEYDOWN || !m_pPageView) return FALSE;
    UINT key = static_cast<UINT>(msg->wParam);
    if (key < 'A' || key > 'Z' || !(::GetKeyState(VK_MENU) & 0x8000)) return FALSE;
    if (!m_pPageView->OwnsMnemonic(key)) return FALSE;
    // The page's dialog manager resolves the letter once the focus is inside the page.
    m_pPageView->SetFocus();
    ::PostMessageW(m_pPageView->m_hWnd, msg->message, msg->wParam, msg->lParam);
    ostrel::ReplayKey(key);
    return TRUE;
}

void COSLMainDlg::ScrollFocusIntoView() {
    HWND bar = GetDlgItem(IDC_PAGE_SCROLLBAR);
    HWND focus = ::GetFocus();
    if (!bar || !::IsWindowVisible(bar) || !PageContains(focus) || !m_pScrollView || !m_pScrollView->IsWindow()) return;
    RECT control = {}, view = {};
    ::GetWindowRect(focus, &control);
    ::GetClientRect(*m_pScrollView, &view);
    ::MapWindowPoints(*m_pScrollView, nullptr, reinterpret_cast<POINT*>(&view), 2);
    int delta = 0;
    if (control.bottom > view.bottom) delta = control.bottom - view.bottom;
    // A control taller than the view shows its top.
    if (control.top - delta < view.top) delta = control.top - view.top;
    if (delta == 0) return;
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS;
    if (!::GetScrollInfo(bar, SB_CTL, &info)) return;
    info.nPos += delta;
    ::SetScrollInfo(bar, SB_CTL, &info, TRUE);
    ::GetScrollInfo(bar, SB_CTL, &info);
    m_scrollInfo.nPos = info.nPos;
    m_pPageView->ScrollTo(info.nPos);
}

BOOL COSLMainDlg::PreTranslateMessage(MSG* msg) {
    BOOL handled = TranslateKeys(msg);
    // On a short screen the page scrolls; a control the keyboard moved to must come into view.
    if (handled && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && IsWindow()) ScrollFocusIntoView();
    return handled;
}

BOOL COSLMainDlg::TranslateKeys(MSG* msg) {
    if (!IsWindow()) return FALSE;
    if (TranslateSearchKey(msg)) return TRUE;
    if (PageContains(msg->hwnd)) return m_pPageView->PreTranslateMessage(msg);
    if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)) return FALSE;
    if (::GetFocus() == m_hWnd && m_tree.IsWindow()) ::InvalidateRect(m_tree, nullptr, FALSE);
    if (m_tree.IsWindow() && m_tree.PreTranslateKey(msg)) return TRUE;
    if (TranslateMnemonic(msg)) return TRUE;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
        CloseDialog();
        return TRUE;
    }
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && m_pPageView) {
        ComputeTabBookkeeping();
        bool shift = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
        HWND edge = shift ? m_hFirstTab : m_hLastTab;
        if (edge && (msg->hwnd == edge || ::IsChild(edge, msg->hwnd))) {
            ::IsDialogMessageW(m_hWnd, msg);
            m_pPageView->MoveFocusIntoPage(shift);
            return TRUE;
        }
    }
    return ::IsDialogMessageW(m_hWnd, msg);
}
