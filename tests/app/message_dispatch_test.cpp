#include <gtest/gtest.h>

#include "base/resource_module.h"
#include "core/message_dispatch_wnd.h"
#include "common/open_request.h"
#include "resource.h"
#include "support/fixtures.h"

namespace {

// Counts the thread-ended messages on their way to the real handling.
struct CountingDispatchWnd : CMessageDispatchWnd {
    int threadEnded = 0;
    WPARAM lastThread = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_OSL_THREAD_ENDED) {
            ++threadEnded;
            lastThread = wParam;
        }
        return CMessageDispatchWnd::WindowProc(message, wParam, lParam);
    }
};

class MessageDispatch : public testing::Test {
protected:
    void SetUp() override {
        resources_ = base::LoadLocalisedModule(testsupport::BinFolder(), L"Ostrel.exe.mui");
        ASSERT_TRUE(resources_.valid());
        previous_ = base::SetResourceModule(resources_.get());
        caption_ = base::LoadResString(IDS_SETTINGS_WINDOW_CAPTION);
    }
    void TearDown() override { base::SetResourceModule(previous_); }

    void Request(CWnd& window, ULONG_PTR code, const wchar_t* classId) {
        ostrel::RequestPayload payload;
        ostrel::FillRequestPayload(payload, classId, classId != nullptr);
        COPYDATASTRUCT data = {code, ostrel::kRequestPayloadBytes, &payload};
        window.SendMessage(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }
    HWND SettingsWindow() {
        // Only windows of this process: the test must not pick up a running instance's window.
        HWND found = nullptr;
        for (HWND w = ::FindWindowW(MAKEINTATOM(0x8002), caption_); w;
             w = ::FindWindowExW(nullptr, w, MAKEINTATOM(0x8002), caption_)) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(w, &pid);
            if (pid == ::GetCurrentProcessId()) found = w;
        }
        return found;
    }

    base::UniqueModule resources_;
    HINSTANCE previous_ = nullptr;
    CStringW caption_;
};

TEST_F(MessageDispatch, EachThreadEndedMatchesOnlyItsOwnThreadAndClosingTheLastWindowEndsTheInstance) {
    CountingDispatchWnd window;
    ASSERT_TRUE(window.Create());
    Request(window, ostrel::REQ_OPEN_MAIN, L"ABC");
    ASSERT_TRUE(testsupport::PumpUntil([&] { return SettingsWindow() != nullptr; }, 10000));
    // A second request raises the same window instead of opening another; an unknown code changes nothing.
    HWND first = SettingsWindow();
    Request(window, ostrel::REQ_OPEN_MAIN, nullptr);
    Request(window, 42, nullptr);
    EXPECT_EQ(first, SettingsWindow());

    // The window closes, and while its thread's ended message still waits in the queue a request
    // opens a new one, whose thread object may take the old one's place in memory. The late message
    // must not be taken for the new thread.
    ::PostMessageW(first, WM_COMMAND, IDCANCEL, 0);
    MSG queued = {};
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            return ::PeekMessageW(&queued, window.m_hWnd, WM_OSL_THREAD_ENDED, WM_OSL_THREAD_ENDED, PM_NOREMOVE) != FALSE;
        },
        10000));
    Request(window, ostrel::REQ_OPEN_MAIN, nullptr);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return window.threadEnded == 1 && SettingsWindow() != nullptr; }, 10000));
    HWND second = SettingsWindow();
    ASSERT_NE(nullptr, window.m_hWnd) << "the late message ended the new window's instance";

    ::PostMessageW(second, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return window.m_hWnd == nullptr; }, 10000));
    EXPECT_EQ(2, window.threadEnded);
    EXPECT_NE(queued.wParam, window.lastThread);
}

TEST_F(MessageDispatch, CloseStopsTheWindowThreadsAndDestroysTheWindow) {
    CountingDispatchWnd window;
    ASSERT_TRUE(window.Create());
    Request(window, ostrel::REQ_OPEN_MAIN, nullptr);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return SettingsWindow() != nullptr; }, 10000));
    window.SendMessage(WM_CLOSE);
    EXPECT_EQ(nullptr, window.m_hWnd);
    EXPECT_EQ(nullptr, SettingsWindow());
}

// An instance left without a window ends at once instead of holding the instance for later starts.
TEST_F(MessageDispatch, StatusRequestWithoutTheFeatureOpensNothingAndAWindowlessInstanceEnds) {
    {
        CountingDispatchWnd window;
        ASSERT_TRUE(window.Create());
        Request(window, ostrel::REQ_OPEN_STATUS, nullptr);
        // A status thread, had one started, would keep the message window.
        EXPECT_EQ(nullptr, window.m_hWnd);
        EXPECT_EQ(0, window.threadEnded);
    }
    // A settings window whose dialog cannot be made (no template in this module): its thread ends.
    base::SetResourceModule(::GetModuleHandleW(nullptr));
    CountingDispatchWnd window;
    ASSERT_TRUE(window.Create());
    Request(window, ostrel::REQ_OPEN_MAIN, nullptr);
    EXPECT_TRUE(testsupport::PumpUntil([&] { return window.m_hWnd == nullptr; }, 10000));
    EXPECT_EQ(1, window.threadEnded);
}

}  // namespace
