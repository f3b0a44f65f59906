#include "window/search_mark.h"

namespace {
constexpr COLORREF kMarkColour = RGB(255, 140, 0);
constexpr UINT_PTR kGoneTimer = 1;

bool RegisterBarClass(WNDPROC procedure) {
    static const bool registered = [procedure] {
        WNDCLASSEXW cls = {sizeof(cls)};
        cls.lpfnWndProc = procedure;
        cls.hInstance = ::GetModuleHandleW(nullptr);
        cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        cls.lpszClassName = CSearchMark::kClassName;
        return ::RegisterClassExW(&cls) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}
}  // namespace

CSearchMark::~CSearchMark() { Clear(); }

LRESULT CALLBACK CSearchMark::BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* mark = reinterpret_cast<CSearchMark*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_TIMER:
        if (wParam == kGoneTimer && mark) mark->Clear();
        return 0;
    case WM_NCHITTEST:
        return HTTRANSPARENT;  // clicks go to what lies below
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(window, &ps);
        ::SetDCBrushColor(dc, kMarkColour);
        ::FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        ::EndPaint(window, &ps);
        return 0;
    }
    case WM_DESTROY:
        // The page may go first and take the bars with it.
        if (mark) {
            for (HWND& bar : mark->bars_) {
                if (bar == window) bar = nullptr;
            }
        }
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void CSearchMark::Show(HWND parent, const RECT& around, UINT showMs) {
    Clear();
    if (!::IsWindow(parent) || !RegisterBarClass(&CSearchMark::BarProc)) return;
    const int t = kThickness;
    const RECT r = {around.left - t - 1, around.top - t - 1, around.right + t + 1, around.bottom + t + 1};
    const RECT sides[4] = {{r.left, r.top, r.right, r.top + t},
                           {r.left, r.bottom - t, r.right, r.bottom},
                           {r.left, r.top, r.left + t, r.bottom},
                           {r.right - t, r.top, r.right, r.bottom}};
    for (int i = 0; i < 4; ++i) {
        const RECT& s = sides[i];
        bars_[i] = ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, s.left, s.top, s.right - s.left,
                                     s.bottom - s.top, parent, nullptr, ::GetModuleHandleW(nullptr), this);
        if (bars_[i]) ::SetWindowPos(bars_[i], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (bars_[0]) ::SetTimer(bars_[0], kGoneTimer, showMs, nullptr);
}

void CSearchMark::Clear() {
    for (HWND& bar : bars_) {
        HWND window = bar;
        bar = nullptr;
        if (window && ::IsWindow(window)) ::DestroyWindow(window);
    }
}

bool CSearchMark::IsShown() const {
    for (HWND bar : bars_) {
        if (bar) return true;
    }
    return false;
}
