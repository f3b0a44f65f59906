#include "base/window.h"

#include "base/thread.h"

namespace {
const wchar_t kObjectProperty[] = L"Ostrel.CWnd";
const wchar_t kDefaultClass[] = L"OstrelWnd";

// Set while CreateWindowExW runs so that the first messages (WM_NCCREATE, WM_CREATE) reach the object.
thread_local CWnd* t_creating = nullptr;
}  // namespace

namespace {
// Class procedure of the default class: binds the object being created on the very first message,
// so WM_NCCREATE and WM_CREATE reach it too.
LRESULT CALLBACK CreationWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (t_creating && !CWnd::FromHandlePermanent(hwnd)) {
        CWnd* self = t_creating;
        t_creating = nullptr;
        self->SubclassWindow(hwnd);
        return ::SendMessageW(hwnd, message, wParam, lParam);
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

namespace base {
const wchar_t* DefaultWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc = {sizeof(wc)};
        wc.lpfnWndProc = CreationWindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kDefaultClass;
        return ::RegisterClassExW(&wc);
    }();
    (void)atom;
    return kDefaultClass;
}
}  // namespace base

CWnd::~CWnd() {
    // No message may reach a half-destroyed object: unbind first, then destroy what is left.
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        HWND hwnd = m_hWnd;
        Detach();
        ::DestroyWindow(hwnd);
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) noexcept {
    return hwnd ? static_cast<CWnd*>(::GetPropW(hwnd, kObjectProperty)) : nullptr;
}

void CWnd::Attach(HWND hwnd, WNDPROC previous) {
    m_hWnd = hwnd;
    previousProc_ = previous;
    ::SetPropW(hwnd, kObjectProperty, this);
}

void CWnd::Detach() noexcept {
    if (m_hWnd) {
        if (previousProc_ && reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC)) == StaticWindowProc) {
            ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
        }
        ::RemovePropW(m_hWnd, kObjectProperty);
    }
    m_hWnd = nullptr;
    previousProc_ = nullptr;
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect,
                    HWND parent, UINT_PTR id) {
    if (!className) className = base::DefaultWindowClass();
    t_creating = this;
    HWND hwnd = ::CreateWindowExW(exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(id),
                                  ::GetModuleHandleW(nullptr), nullptr);
    t_creating = nullptr;
    if (!hwnd) return FALSE;
    if (!m_hWnd) SubclassWindow(hwnd);
    return TRUE;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandlePermanent(hwnd)) return FALSE;
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWindowProc)));
    // Windows of the default class would otherwise loop back into the creation hook.
    if (previous == CreationWindowProc) previous = ::DefWindowProcW;
    Attach(hwnd, previous);
    return TRUE;
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    Detach();
    return hwnd;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

CStringW CWnd::GetWindowText() const {
    CStringW text;
    int length = ::GetWindowTextLengthW(m_hWnd);
    if (length > 0) {
        ::GetWindowTextW(m_hWnd, text.GetBuffer(length + 1), length + 1);
        text.ReleaseBuffer();
    }
    return text;
}

LRESULT CWnd::WindowProc(UINT, WPARAM, LPARAM) { return Default(); }

LRESULT CWnd::Default() {
    if (!current_) return 0;
    return DefWindowProc(current_->message, current_->wParam, current_->lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (previousProc_) return ::CallWindowProcW(previousProc_, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* self = FromHandlePermanent(hwnd);
    if (!self) {
        // Windows made by CreateEx arrive here only if their class procedure is this one.
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    MSG msg = {hwnd, message, wParam, lParam, 0, {0, 0}};
    const MSG* outer = self->current_;
    self->current_ = &msg;
    LRESULT result = self->WindowProc(message, wParam, lParam);
    self->current_ = outer;
    if (message == WM_NCDESTROY) {
        self->Detach();
        // The main window of a thread going away ends that thread's message loop.
        CWinThread* thread = CWinThread::Current();
        if (thread && thread->m_pMainWnd == self) {
            thread->m_pMainWnd = nullptr;
            ::PostQuitMessage(0);
        }
        self->PostNcDestroy();
    }
    return result;
}
