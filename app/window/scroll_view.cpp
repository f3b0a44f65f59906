#include "window/scroll_view.h"

#include "resource.h"
#include "ui/high_contrast.h"

COSLScrollView::COSLScrollView(HWND host) : CDialog(IDD_SCROLL_VIEW) {
    m_brWhite.reset(::CreateSolidBrush(RGB(255, 255, 255)));
    Create(IDD_SCROLL_VIEW, host);
}

COSLScrollView::~COSLScrollView() {
    if (IsWindow()) DestroyWindow();
}

LRESULT COSLScrollView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC && m_brWhite) {
        return reinterpret_cast<LRESULT>(ostrel::PageCtlColor(reinterpret_cast<HDC>(wParam), static_cast<HBRUSH>(m_brWhite.get())));
    }
    if (message == WM_ERASEBKGND && m_brWhite) {
        RECT r;
        ::GetClientRect(m_hWnd, &r);
        ::FillRect(reinterpret_cast<HDC>(wParam), &r, ostrel::PageBrush(static_cast<HBRUSH>(m_brWhite.get())));
        return TRUE;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
