#pragma once
// CWnd: a C++ object bound to one window. The static procedure finds the object through a window
// property and forwards every message to the virtual WindowProc; Default() hands the message on to
// the procedure the window had before (the class procedure, or a dialog's DefDlgProc).
#include <windows.h>
#include "base/cstringw.h"

class CWinThread;

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // className null uses the layer's default window class.
    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect,
                  HWND parent, UINT_PTR id);
    virtual BOOL DestroyWindow();

    // Binds an existing window to this object (window subclassing).
    BOOL SubclassWindow(HWND hwnd);
    HWND UnsubclassWindow();

    // The object bound to a window, or null.
    static CWnd* FromHandlePermanent(HWND hwnd) noexcept;

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }
    BOOL IsWindow() const noexcept { return m_hWnd && ::IsWindow(m_hWnd); }
    operator HWND() const noexcept { return m_hWnd; }

    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    BOOL BringWindowToTop() { return ::BringWindowToTop(m_hWnd); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    HWND SetActiveWindow() { return ::SetActiveWindow(m_hWnd); }
    BOOL SetWindowText(const wchar_t* text) { return ::SetWindowTextW(m_hWnd, text); }
    CStringW GetWindowText() const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    // Offered every message of the thread's loop before dialog navigation sees it; TRUE swallows it.
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Passes the message being handled on to the window's previous procedure.
    LRESULT Default();
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called once the window is gone (after WM_NCDESTROY); the object may delete itself here.
    virtual void PostNcDestroy() {}

    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND hwnd, WNDPROC previous);
    friend class CDialog;

private:
    void Detach() noexcept;

    WNDPROC previousProc_ = nullptr;
    // The message being dispatched, for Default().
    const MSG* current_ = nullptr;
};

namespace base {
// The class registered for CWnd::CreateEx with a null class name.
const wchar_t* DefaultWindowClass();
}
