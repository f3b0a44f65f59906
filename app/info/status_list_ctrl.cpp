#include "info/status_list_ctrl.h"

#include <windowsx.h>
// windowsx.h has a macro of this name.
#undef SubclassWindow

#include "ui/accessible_object.h"

BOOL CStatusListCtrl::Attach(HWND list) { return list && SubclassWindow(list); }

LRESULT CStatusListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) OnLeftButtonDown(lParam);
    if (message == WM_SETFOCUS) OnSetFocus();
    if (message == WM_GETOBJECT && m_hCaption) {
        // A list view's own object has no name; the caption above it is what a sighted user reads.
        HWND caption = m_hCaption;
        LRESULT object = ostrel::AnswerGetObject(wParam, lParam, [this, caption] {
            return new ostrel::NamedAccessible(m_hWnd, ROLE_SYSTEM_LIST, [caption] { return ostrel::SpokenWindowText(caption); });
        });
        if (object) return object;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CStatusListCtrl::OnSetFocus() {
    // A list reached with Tab shows its focus on a row; with no focused row it would show nothing.
    // The row is focused, not selected: selecting would pick a jump target the user did not choose.
    if (ListView_GetItemCount(m_hWnd) > 0 && ListView_GetNextItem(m_hWnd, -1, LVNI_FOCUSED) < 0) {
        ListView_SetItemState(m_hWnd, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    }
}

void CStatusListCtrl::OnLeftButtonDown(LPARAM lParam) {
    LVHITTESTINFO hit = {};
    hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    m_nHitRow = ListView_HitTest(m_hWnd, &hit);
    m_bHit = m_nHitRow >= 0 && (hit.flags & LVHT_ONITEM) != 0;
}
