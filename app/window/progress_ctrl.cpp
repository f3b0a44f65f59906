#include "window/progress_ctrl.h"

#include <commctrl.h>

#include "resource.h"

COSLProgressCtrl::COSLProgressCtrl(IApplyProgressOwner* owner, UINT tickMs, UINT limitMs)
    : CDialog(IDD_PROGRESS), m_pOwner(owner), tickMs_(tickMs), limitMs_(limitMs) {}

BOOL COSLProgressCtrl::OnInitDialog() {
    CentreOnOwner();
    HWND bar = GetDlgItem(IDC_PROGRESS_BAR);
    ::SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, kLastPosition));
    ::SendMessageW(bar, PBM_SETSTEP, 1, 0);
    SetTimer(kTickTimer, tickMs_);
    SetTimer(kLimitTimer, limitMs_);
    return TRUE;
}

void COSLProgressCtrl::CentreOnOwner() {
    HWND owner = m_pOwner ? m_pOwner->OwnerWindow() : nullptr;
    if (!owner) return;
    // The normal rectangle, so a minimised owner still gives a sensible place.
    WINDOWPLACEMENT placement = {sizeof(placement)};
    if (!::GetWindowPlacement(owner, &placement)) return;
    const RECT& o = placement.rcNormalPosition;
    RECT own;
    ::GetWindowRect(m_hWnd, &own);
    int left = (o.left + o.right) / 2 - (own.right - own.left) / 2;
    int top = (o.top + o.bottom) / 2 - (own.bottom - own.top) / 2;
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void COSLProgressCtrl::OnTick() {
    if (!m_pOwner || !m_pOwner->IsApplying() || m_pOwner->IsPageWaitingUI()) {
        Finish();
        return;
    }
    HWND bar = GetDlgItem(IDC_PROGRESS_BAR);
    int position = static_cast<int>(::SendMessageW(bar, PBM_GETPOS, 0, 0));
    ::SendMessageW(bar, PBM_SETPOS, position >= kLastPosition ? 0 : position + 1, 0);
}

void COSLProgressCtrl::OnLimit() {
    KillTimer(kLimitTimer);
    if (m_pOwner && m_pOwner->IsApplyWorkerRunning()) m_pOwner->TerminateApplyWorker(kTerminateGraceMs);
    Finish();
}

void COSLProgressCtrl::Finish() {
    KillTimer(kTickTimer);
    KillTimer(kLimitTimer);
    // Shown modally, EndDialog lets DoModal return a result and the dialog manager destroy the window.
    if (IsModal()) {
        EndDialog(IDOK);
    } else {
        DestroyWindow();
    }
}

LRESULT COSLProgressCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kTickTimer) {
            OnTick();
            return 0;
        }
        if (wParam == kLimitTimer) {
            OnLimit();
            return 0;
        }
        break;
    case WM_CLOSE:
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) return 0;
        break;
    case WM_DESTROY:
        // Destroyed from outside (its owner went away): the modal loop must end with it.
        KillTimer(kTickTimer);
        KillTimer(kLimitTimer);
        if (IsModal()) EndDialog(IDCANCEL);
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
