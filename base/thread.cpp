#include "base/thread.h"

namespace {
thread_local CWinThread* t_current = nullptr;
}

CWinThread::~CWinThread() {
    if (t_current == this) t_current = nullptr;
    if (m_hThread) ::CloseHandle(m_hThread);
}

CWinThread* CWinThread::Current() noexcept { return t_current; }

void CWinThread::BindToCurrentThread() noexcept {
    t_current = this;
    m_nThreadID = ::GetCurrentThreadId();
}

BOOL CWinThread::CreateThread(DWORD flags, UINT stackSize) {
    if (m_hThread) return FALSE;
    // Started suspended so that the handle and id are recorded before the thread can end and delete us.
    m_hThread = ::CreateThread(nullptr, stackSize, ThreadEntry, this, flags | CREATE_SUSPENDED, &m_nThreadID);
    if (!m_hThread) return FALSE;
    if (!(flags & CREATE_SUSPENDED)) ::ResumeThread(m_hThread);
    return TRUE;
}

DWORD WINAPI CWinThread::ThreadEntry(void* parameter) {
    auto* self = static_cast<CWinThread*>(parameter);
    self->BindToCurrentThread();
    // Makes sure the thread has a message queue before anyone posts to it.
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    int code = self->InitInstance() ? self->Run() : self->ExitInstance();
    t_current = nullptr;
    if (self->m_bAutoDelete) delete self;
    return static_cast<DWORD>(code);
}

BOOL CWinThread::PreTranslateMessage(MSG* msg) {
    if (m_pMainWnd && m_pMainWnd->PreTranslateMessage(msg)) return TRUE;
    // Keyboard navigation (Tab, mnemonics, Enter, Esc) in the thread's modeless dialog.
    if (m_pMainWnd && m_pMainWnd->m_hWnd && ::IsDialogMessageW(m_pMainWnd->m_hWnd, msg)) return TRUE;
    return FALSE;
}

int CWinThread::Run() {
    MSG msg;
    for (;;) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            exitCode_ = got == 0 ? static_cast<int>(msg.wParam) : -1;
            break;
        }
        if (PreTranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}
