#include "info/status_list_ctrl.h"

#include <windowsx.h>
// windowsx.h has a macro of this name.
#undef SubclassWindow

BOOL CStatusListCtrl::Attach(HWND list) { return list && SubclassWindow(list); }

LRESULT CStatusListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) OnLeftButtonDown(lParam);
    return CWnd::WindowProc(message, wParam, lParam);
}

void CStatusListCtrl::OnLeftButtonDown(LPARAM lParam) {
    LVHITTESTINFO hit = {};
    hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    m_nHitRow = ListView_HitTest(m_hWnd, &hit);
    m_bHit = m_nHitRow >= 0 && (hit.flags & LVHT_ONITEM) != 0;
}
