#include "base/dialog.h"

#include "base/resource_module.h"

BOOL CDialog::Create(UINT templateId, HWND parent) {
    if (m_hWnd) return FALSE;
    m_nIDTemplate = templateId;
    modal_ = false;
    HWND hwnd = ::CreateDialogParamW(base::CurrentResourceModule(), MAKEINTRESOURCEW(templateId), parent,
                                     StaticDialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

INT_PTR CDialog::DoModal(HWND parent) {
    if (m_hWnd) return -1;
    modal_ = true;
    return ::DialogBoxParamW(base::CurrentResourceModule(), MAKEINTRESOURCEW(m_nIDTemplate), parent,
                             StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::EndDialog(INT_PTR result) { return ::EndDialog(m_hWnd, result); }

void CDialog::OnOK() {
    if (modal_) {
        EndDialog(IDOK);
    } else {
        DestroyWindow();
    }
}

void CDialog::OnCancel() {
    if (modal_) {
        EndDialog(IDCANCEL);
    } else {
        DestroyWindow();
    }
}

BOOL CDialog::OnCommand(WPARAM, LPARAM) { return FALSE; }

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return 0;
        case IDCANCEL:
            OnCancel();
            return 0;
        default:
            if (OnCommand(wParam, lParam)) return 0;
            break;
        }
        break;
    }
    return Default();
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lParam);
        if (!self || !self->SubclassWindow(hwnd)) return TRUE;
        // The subclassed procedure answers from now on; this first message goes to it directly.
        return ::SendMessageW(hwnd, WM_INITDIALOG, wParam, lParam);
    }
    // Everything after WM_INITDIALOG reaches the object through the subclassed procedure first; what
    // it passes on with Default() lands here and takes the dialog manager's default handling.
    return FALSE;
}
