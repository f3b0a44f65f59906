#include "plugwerk/pdialog.h"

#include "internal.h"

using plugwerk::Guarded;
using plugwerk::GuardedVoid;

CPDialog::CPDialog(HINSTANCE module) : m_hDlg(nullptr), m_hInstance(module) {}
CPDialog::~CPDialog() = default;

long CPDialog::Create(HWND parent, int templateID) {
    INT_PTR result = ::DialogBoxParamW(m_hInstance, MAKEINTRESOURCEW(templateID), parent, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    m_hDlg = nullptr;
    return static_cast<long>(result);
}

HWND CPDialog::GetDlgHWND() const { return m_hDlg; }
void CPDialog::SetDlgHWND(HWND window) { m_hDlg = window; }

long CPDialog::WndFunc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == 0) OnSystemCmd(LOWORD(wParam), static_cast<long>(lParam));
    return 0;
}

long CPDialog::OnSystemCmd(unsigned wParam, long) {
    if (wParam == IDOK) {
        OnOK();
    } else if (wParam == IDCANCEL) {
        OnCancel();
    }
    return 0;
}

void CPDialog::OnOK() {
    if (m_hDlg && ::IsWindow(m_hDlg)) ::EndDialog(m_hDlg, IDOK);
}

void CPDialog::OnCancel() {
    if (m_hDlg && ::IsWindow(m_hDlg)) ::EndDialog(m_hDlg, IDCANCEL);
}

INT_PTR CALLBACK CPDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Each dialog window keeps its own object, so an inner dialog never takes an outer one's messages.
    auto* self = reinterpret_cast<CPDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    switch (message) {
    case WM_CLOSE:
        // The close box: the same as Cancel.
        if (self) GuardedVoid([&] { self->OnCancel(); });
        return 0;
    case WM_DESTROY:
        // Only unbinding here: the dialog may be ending after OnOK, which must not turn into a cancel.
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        return 0;
    case WM_INITDIALOG:
        self = reinterpret_cast<CPDialog*>(lParam);
        if (!self) return 0;
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->SetDlgHWND(window);
        break;
    default:
        break;
    }
    if (!self || !self->m_hDlg || !::IsWindow(self->m_hDlg)) return 0;
    return Guarded(0L, [&] { return self->WndFunc(message, wParam, lParam); });
}
