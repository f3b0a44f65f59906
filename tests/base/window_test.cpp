#include <gtest/gtest.h>

#include <atomic>

#include "base/dialog.h"
#include "base/handles.h"
#include "base/thread.h"
#include "support/fixtures.h"

namespace {

struct CountingWnd : CWnd {
    int creates = 0;
    int postNcDestroys = 0;
    UINT lastCustom = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) ++creates;
        if (message == WM_APP + 1) {
            lastCustom = static_cast<UINT>(wParam);
            return 77;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    void PostNcDestroy() override { ++postNcDestroys; }
};

TEST(CWnd, DefaultClassWindowSeesCreateAndDestroy) {
    CountingWnd w;
    RECT r = {0, 0, 0, 0};
    ASSERT_TRUE(w.CreateEx(0, nullptr, L"test window", 0, r, nullptr, 0));
    EXPECT_EQ(1, w.creates);
    EXPECT_EQ(&w, CWnd::FromHandlePermanent(w.m_hWnd));
    EXPECT_EQ(77, w.SendMessage(WM_APP + 1, 5));
    EXPECT_EQ(5u, w.lastCustom);
    EXPECT_STREQ(L"test window", w.GetWindowText());
    HWND hwnd = w.m_hWnd;
    w.DestroyWindow();
    EXPECT_EQ(nullptr, w.m_hWnd);
    EXPECT_EQ(1, w.postNcDestroys);
    EXPECT_FALSE(::IsWindow(hwnd));
}

TEST(CWnd, SubclassedControlKeepsItsOwnBehaviour) {
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"hello", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, edit);
    CountingWnd w;
    ASSERT_TRUE(w.SubclassWindow(edit));
    EXPECT_FALSE(CountingWnd().SubclassWindow(edit));  // one object per window
    EXPECT_EQ(77, ::SendMessageW(edit, WM_APP + 1, 9, 0));
    EXPECT_STREQ(L"hello", w.GetWindowText());
    EXPECT_EQ(edit, w.UnsubclassWindow());
    EXPECT_EQ(0, ::SendMessageW(edit, WM_APP + 1, 9, 0));
    EXPECT_EQ(9u, w.lastCustom);
    ::DestroyWindow(edit);
}

TEST(CWnd, DestructorDestroysWindowWithoutCallingBackIntoObject) {
    HWND hwnd;
    {
        CountingWnd w;
        RECT r = {0, 0, 0, 0};
        ASSERT_TRUE(w.CreateEx(0, nullptr, L"x", 0, r, nullptr, 0));
        hwnd = w.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hwnd));
}

struct TestDialog : CDialog {
    TestDialog() : CDialog(900) {}
    int inits = 0;
    int commands = 0;
    bool endOnInit = false;
    BOOL OnInitDialog() override {
        ++inits;
        if (endOnInit) PostMessage(WM_COMMAND, IDOK);
        return TRUE;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM) override {
        if (LOWORD(wParam) == 1001) {
            ++commands;
            return TRUE;
        }
        return FALSE;
    }
};

TEST(CDialog, ModelessFromTemplate_InitialisesAndCancelDestroys) {
    TestDialog d;
    ASSERT_TRUE(d.Create(900, nullptr));
    EXPECT_EQ(1, d.inits);
    EXPECT_NE(nullptr, d.GetDlgItem(1001));
    EXPECT_STREQ(L"Layer test", d.GetWindowText());
    wchar_t cls[16] = {};
    ::GetClassNameW(d.m_hWnd, cls, 16);
    EXPECT_STREQ(L"#32770", cls);
    d.SendMessage(WM_COMMAND, 1001);
    EXPECT_EQ(1, d.commands);
    d.SendMessage(WM_COMMAND, IDCANCEL);
    EXPECT_EQ(nullptr, d.m_hWnd);
}

TEST(CDialog, ModalEndsWithTheButtonsResult) {
    TestDialog d;
    d.endOnInit = true;
    EXPECT_EQ(IDOK, d.DoModal(nullptr));
    EXPECT_EQ(1, d.inits);
    EXPECT_EQ(nullptr, d.m_hWnd);
}

TEST(CDialog, MissingTemplateFails) {
    CDialog d;
    EXPECT_FALSE(d.Create(31999, nullptr));
}

// A thread whose main window is a modeless dialog; closing the window ends the thread, which
// deletes itself.
struct WindowThread : CWinThread {
    HANDLE deleted;
    std::atomic<HWND>* window;
    int* exits;
    WindowThread(HANDLE deletedEvent, std::atomic<HWND>* w, int* e) : deleted(deletedEvent), window(w), exits(e) {}
    ~WindowThread() override { ::SetEvent(deleted); }
    BOOL InitInstance() override {
        auto* d = new TestDialog;
        if (!d->Create(900, nullptr)) return FALSE;
        m_pMainWnd = d;
        dialog_ = d;
        *window = d->m_hWnd;
        return TRUE;
    }
    int ExitInstance() override {
        ++*exits;
        delete dialog_;
        return 3;
    }
    TestDialog* dialog_ = nullptr;
};

TEST(CWinThread, DestroyingMainWindowEndsLoopAndDeletesObject) {
    base::UniqueHandle deleted(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<HWND> window{nullptr};
    int exits = 0;
    auto* t = new WindowThread(deleted.get(), &window, &exits);
    ASSERT_TRUE(t->CreateThread());
    HANDLE threadHandle = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), t->m_hThread, ::GetCurrentProcess(), &threadHandle,
                      SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, 0);
    base::UniqueHandle handle(threadHandle);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return window.load() != nullptr; }, 5000));
    ::PostMessageW(window.load(), WM_COMMAND, IDCANCEL, 0);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(handle.get(), 5000));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(deleted.get(), 0));
    DWORD code = 0;
    ::GetExitCodeThread(handle.get(), &code);
    EXPECT_EQ(3u, code);
    EXPECT_EQ(1, exits);
}

struct QuitThread : CWinThread {
    int* exits;
    explicit QuitThread(int* e) : exits(e) { m_bAutoDelete = FALSE; }
    BOOL InitInstance() override { return TRUE; }
    int ExitInstance() override {
        ++*exits;
        return 0;
    }
};

TEST(CWinThread, QuitMessageEndsLoop) {
    int exits = 0;
    QuitThread t(&exits);
    ASSERT_TRUE(t.CreateThread());
    // The queue exists before InitInstance runs, so the message cannot be lost.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return t.PostThreadMessage(WM_QUIT, 0, 0) != FALSE; }, 5000));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t.m_hThread, 5000));
    EXPECT_EQ(1, exits);
}

}  // namespace
