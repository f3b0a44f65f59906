#include "core/work_thread.h"

#include "info/status_info.h"
#include "resource.h"
#include "window/main_dlg.h"

namespace {
// Thread message: make the main window again (the window was destroyed while the thread still runs).
constexpr UINT kRecreateWindowMessage = WM_APP + 0x120;

WPARAM NextSerial() {
    static std::atomic<WPARAM> next{1};
    return next++;
}
}  // namespace

CWorkThread::CWorkThread(HWND messageWindow) : messageWindow_(messageWindow), serial_(NextSerial()) {
    // The message window deletes the object once the thread has really ended; deleting it from the
    // thread itself would leave the main thread holding a dangling pointer until the ended message
    // arrives.
    m_bAutoDelete = FALSE;
}

CWorkThread::~CWorkThread() = default;

BOOL CWorkThread::InitInstance() {
    if (!CreateMainWindow()) return FALSE;
    if (HWND hwnd = MainWindowHandle()) {
        ::SetForegroundWindow(hwnd);
        ::SetActiveWindow(hwnd);
        ::BringWindowToTop(hwnd);
    }
    return TRUE;
}

int CWorkThread::ExitInstance() {
    ending_ = true;
    DestroyMainWindow();
    ::PostMessageW(messageWindow_, WM_OSL_THREAD_ENDED, serial_, 0);
    return CWinThread::ExitInstance();
}

void CWorkThread::SetMainWindow(CWnd* window) {
    window_.reset(window);
    m_pMainWnd = window;
    mainHwnd_ = window ? window->m_hWnd : nullptr;
}

void CWorkThread::DestroyMainWindow() {
    if (window_ && window_->IsWindow()) window_->DestroyWindow();
    m_pMainWnd = nullptr;
    mainHwnd_ = nullptr;
    window_.reset();
}

BOOL CWorkThread::PostRecreateWindow() { return PostThreadMessage(kRecreateWindowMessage, 0, 0); }

BOOL CWorkThread::PreTranslateMessage(MSG* msg) {
    if (!msg->hwnd && msg->message == kRecreateWindowMessage) {
        if (!MainWindowHandle() || !::IsWindow(MainWindowHandle())) {
            window_.reset();
            // A thread without a window would keep the process alive showing nothing.
            if (!CreateMainWindow()) ::PostQuitMessage(0);
        }
        return TRUE;
    }
    return CWinThread::PreTranslateMessage(msg);
}

// Both windows: FALSE when the dialog cannot be made, which ends the thread. A thread left running
// without its window would hold the process, and with it the instance mutex, while showing nothing.
BOOL COSLThread::CreateMainWindow() {
    auto* dialog = new (std::nothrow) COSLMainDlg;
    if (!dialog) return FALSE;
    dialog->m_pOwner = m_pOwner;
    dialog->m_strStartClassId = m_strClassId;
    if (!dialog->Create(IDD_OSL_MAIN_DIALOG, ::GetDesktopWindow())) {
        delete dialog;
        return FALSE;
    }
    SetMainWindow(dialog);
    dialog->ShowWindow(SW_SHOW);
    dialog->SetForegroundWindow();
    return TRUE;
}

BOOL CPMXThread::CreateMainWindow() {
    auto* dialog = new (std::nothrow) COSLStatusInfo;
    if (!dialog) return FALSE;
    dialog->m_pOwner = m_pOwner;
    if (!dialog->Create(IDD_STATUS_INFO, ::GetDesktopWindow())) {
        delete dialog;
        return FALSE;
    }
    SetMainWindow(dialog);
    dialog->ShowWindow(SW_SHOW);
    dialog->BringWindowToTop();
    dialog->SetActiveWindow();
    dialog->SetForegroundWindow();
    return TRUE;
}

BOOL IsThreadRunning(const CWorkThread* thread) {
    return thread && !thread->IsEnding() && thread->m_hThread &&
           ::WaitForSingleObject(thread->m_hThread, 0) == WAIT_TIMEOUT;
}

void BringThreadWindow(CWorkThread* thread, int showCommand) {
    if (!thread) return;
    HWND hwnd = thread->MainWindowHandle();
    if (!hwnd || !::IsWindow(hwnd)) {
        // The window belongs on the thread that pumps its messages, so the thread makes it itself.
        thread->PostRecreateWindow();
        return;
    }
    ::ShowWindow(hwnd, showCommand);
    if (showCommand == SW_SHOW) {
        ::SetFocus(hwnd);
        ::SetForegroundWindow(hwnd);
        ::BringWindowToTop(hwnd);
        ::SetFocus(hwnd);
    }
}

void StopThread(CWorkThread* thread) {
    if (!IsThreadRunning(thread)) return;
    thread->PostThreadMessage(WM_QUIT, 0, 0);
    if (::WaitForSingleObject(thread->m_hThread, 5000) != WAIT_OBJECT_0) {
        ::TerminateThread(thread->m_hThread, 0);
        ::CloseHandle(thread->m_hThread);
        thread->m_hThread = nullptr;
    }
}
