#pragma once
// The user-interface threads of the two top-level windows. Each window lives on its own thread so a
// busy page never blocks the other window or the message window.
#include <atomic>
#include <memory>

#include "base/cstringw.h"
#include "base/thread.h"

class CCatalogueOwner;

class CWorkThread : public CWinThread {
public:
    // messageWindow receives the thread-ended message; it also owns and deletes this object.
    explicit CWorkThread(HWND messageWindow);
    ~CWorkThread() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    virtual BOOL CreateMainWindow() { return FALSE; }
    virtual void DestroyMainWindow();

    // The window, readable from other threads (null when there is none).
    HWND MainWindowHandle() const noexcept { return mainHwnd_.load(); }
    // Asks the thread to make its window again, on its own thread.
    BOOL PostRecreateWindow();
    // Names the thread in its thread-ended message. Never reused within the process, unlike the
    // object's address or the system's thread id, so a message still queued for an ended thread is
    // never taken for a newer one.
    WPARAM Serial() const noexcept { return serial_; }
    // TRUE once the thread has left its message loop: its window is gone for good, so a request for
    // it needs a new thread, even while this one is still finishing.
    bool IsEnding() const noexcept { return ending_.load(); }

protected:
    // Takes ownership of the window, which becomes the thread's main window.
    void SetMainWindow(CWnd* window);
    HWND messageWindow_;

private:
    const WPARAM serial_;
    std::atomic<bool> ending_{false};
    std::unique_ptr<CWnd> window_;
    std::atomic<HWND> mainHwnd_{nullptr};
};

class COSLThread : public CWorkThread {
public:
    using CWorkThread::CWorkThread;
    BOOL CreateMainWindow() override;
    CStringW m_strClassId;
    // The catalogue owner the settings window reads from.
    CCatalogueOwner* m_pOwner = nullptr;
};

class CPMXThread : public CWorkThread {
public:
    using CWorkThread::CWorkThread;
    BOOL CreateMainWindow() override;
    CCatalogueOwner* m_pOwner = nullptr;
};

// TRUE while the thread has not ended or begun to end.
BOOL IsThreadRunning(const CWorkThread* thread);
// Shows and raises the thread's window, or has the thread make it again when it is gone.
void BringThreadWindow(CWorkThread* thread, int showCommand);
// Ends the thread's loop and waits up to 5000 ms; a thread that does not stop is terminated.
void StopThread(CWorkThread* thread);

// Sent by a window thread to the message window when it ends; wParam = the thread's Serial().
constexpr UINT WM_OSL_THREAD_ENDED = WM_USER + 200;
