#pragma once
// CWinThread: a user-interface thread with its own message loop. The loop ends when the thread's main
// window is destroyed or WM_QUIT arrives; with m_bAutoDelete the object deletes itself as the thread
// ends (after ExitInstance), so other threads must judge it by its handle, not by touching it.
#include <windows.h>
#include "base/window.h"

class CWinThread {
public:
    CWinThread() = default;
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread; flags and stack size as for CreateThread.
    BOOL CreateThread(DWORD flags = 0, UINT stackSize = 0);
    BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::PostThreadMessageW(m_nThreadID, message, wParam, lParam);
    }

    virtual BOOL InitInstance() { return FALSE; }
    virtual int Run();
    virtual int ExitInstance() { return exitCode_; }
    // TRUE when the message was handled and must not be dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // The CWinThread running on the calling thread (the application object on the main thread).
    static CWinThread* Current() noexcept;

    CWnd* m_pMainWnd = nullptr;
    BOOL m_bAutoDelete = TRUE;
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;

    // Makes the calling thread (the process's main thread) the one this object runs on.
    void BindMainThread() noexcept { BindToCurrentThread(); }

protected:
    // Makes this object the calling thread's CWinThread (the application object does so on the main thread).
    void BindToCurrentThread() noexcept;
    int exitCode_ = 0;

private:
    static DWORD WINAPI ThreadEntry(void* parameter);
};
