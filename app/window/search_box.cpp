#include "window/search_box.h"

BOOL CSearchBox::Attach(HWND edit, const CStringW& cue) {
    m_strCue = cue;
    return edit && SubclassWindow(edit);
}

void CSearchBox::DrawCue() {
    if (m_strCue.IsEmpty() || !IsEmpty()) return;
    HDC dc = ::GetDC(m_hWnd);
    if (!dc) return;
    RECT r = {};
    ::SendMessageW(m_hWnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
    ::DrawTextW(dc, m_strCue, m_strCue.GetLength(), &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
}

namespace {
// The messages by which an edit's text may change.
bool MayChangeText(UINT message) {
    switch (message) {
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_SETTEXT:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_REPLACESEL:
    case EM_UNDO:
        return true;
    default:
        return false;
    }
}
}  // namespace

LRESULT CSearchBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool watch = MayChangeText(message);
    const bool wasEmpty = watch && IsEmpty();
    LRESULT result = CWnd::WindowProc(message, wParam, lParam);
    if (message == WM_PAINT) {
        DrawCue();
    } else if (watch && IsWindow() && IsEmpty() != wasEmpty) {
        // The edit repaints only the text it holds; the cue comes and goes with the text.
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
    return result;
}
