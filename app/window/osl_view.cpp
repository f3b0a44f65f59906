#include "window/osl_view.h"

#include "ui/high_contrast.h"

#include "plugwerk/plugin_class.h"
#include "window/change_marks.h"

namespace {
volatile LONG g_pagePaints = 0;

bool IsColourMessage(UINT message) { return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC; }
}  // namespace

namespace ostrel {
long PagePaintCount() noexcept { return g_pagePaints; }
}

COSL_View::COSL_View(PluginClass* plugin, IPageHost* host, const RECT& fullPage, HWND scrollView)
    : CTabDialog(0, host),
      m_pPlugin(plugin),
      m_pMainHost(host),
      m_nWidth(fullPage.right - fullPage.left),
      m_nHeight(fullPage.bottom - fullPage.top) {
    if (!plugin) return;
    UINT templateId = 0;
    try {
        templateId = plugin->GetIDD();
    } catch (...) {
        return;
    }
    m_nIDTemplate = templateId;
    m_brWhite.reset(::CreateSolidBrush(RGB(255, 255, 255)));
    if (Create(templateId, scrollView)) SetTimer(kPlaceTimer, 100);
}

COSL_View::~COSL_View() {
    // The window goes before the brush its controls were painted with.
    if (IsWindow()) DestroyWindow();
}

int COSL_View::Apply() {
    if (!m_pPlugin) return -1;
    m_bApplying = TRUE;
    long result = 1;
    try {
        result = m_pPlugin->WndFunc(PWM_APPLY, 0, 0);
    } catch (...) {
        result = 1;
    }
    m_bApplying = FALSE;
    return static_cast<int>(result);
}

int COSL_View::QueryClose(int finalFlag) {
    if (!m_pPlugin) return -1;
    try {
        return static_cast<int>(m_pPlugin->WndFunc(WM_DESTROY, static_cast<WPARAM>(finalFlag), 0));
    } catch (...) {
        return -1;
    }
}

BOOL COSL_View::ScrollTo(int position) {
    if (!IsWindow()) return TRUE;
    ::MoveWindow(m_hWnd, m_nLeft, m_nTop - position, m_nWidth, m_nHeight, TRUE);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return TRUE;
}

void COSL_View::OnCancel() {
    if (!m_pPlugin) return;
    try {
        m_pPlugin->WndFunc(PWM_CANCEL, 0, 0);
    } catch (...) {
    }
}

void COSL_View::PlaceAtOrigin() {
    ::MoveWindow(m_hWnd, m_nLeft, m_nTop, m_nWidth, m_nHeight, TRUE);
}

bool COSL_View::CanOfferApply() {
    return m_pPlugin && m_pPlugin->IsModified() && !(m_pMainHost && m_pMainHost->IsApplyWorkerRunning());
}

LRESULT COSL_View::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(message, wParam, lParam);
    } catch (...) {
        return 1;
    }
}

LRESULT COSL_View::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        if (::InterlockedIncrement(&g_pagePaints) % 4 == 0) ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    case WM_INITDIALOG:
        if (m_pPlugin) m_pPlugin->BindClassWnd(m_hWnd);
        break;
    case WM_TIMER:
        if (wParam == kPlaceTimer) {
            PlaceAtOrigin();
            ::InvalidateRect(m_hWnd, nullptr, TRUE);
            KillTimer(kPlaceTimer);
        }
        break;
    case PWM_VALUE_CHANGED:
        if (CanOfferApply() && m_pMainHost) m_pMainHost->EnableApplyButton();
        // The changed item's bar is redrawn with the page.
        if (m_pMainHost && m_pMainHost->MarksChangedSettings()) ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    case PWM_APPLY_NOW:
        if (CanOfferApply() && m_pMainHost) m_pMainHost->ApplyPage();
        break;
    default:
        break;
    }

    if (m_pPlugin) {
        HWND host = m_pMainHost ? m_pMainHost->HostWindow() : nullptr;
        // The host paints once the page is in place; the plug-in's own initialisation may draw.
        if (message == WM_INITDIALOG && host) ::SendMessageW(host, WM_SETREDRAW, TRUE, 0);
        m_pPlugin->WndFunc(message, wParam, lParam);
        if (message == WM_INITDIALOG && host) ::SendMessageW(host, WM_SETREDRAW, FALSE, 0);
    }

    LRESULT result = CTabDialog::WindowProc(message, wParam, lParam);
    if (message == WM_PAINT && m_pPlugin && m_pMainHost && m_pMainHost->MarksChangedSettings()) {
        m_pMainHost->PageMarksPainted(ostrel::PaintPageMarks(m_hWnd, m_pPlugin));
    }
    if (message == WM_SIZE && m_hWnd) {
        // A page that resizes itself is put back: the scroll view relies on the full page size.
        RECT r;
        ::GetWindowRect(m_hWnd, &r);
        if (r.right - r.left != m_nWidth || r.bottom - r.top != m_nHeight) PlaceAtOrigin();
    }
    if (IsColourMessage(message) && m_brWhite) {
        return reinterpret_cast<LRESULT>(ostrel::PageCtlColor(reinterpret_cast<HDC>(wParam), static_cast<HBRUSH>(m_brWhite.get())));
    }
    return result;
}
