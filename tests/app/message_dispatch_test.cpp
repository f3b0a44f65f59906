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

TEST_F(MessageDispatch, ClosingTheOnlyWindowSendsOneThreadEndedAndDestroysTheMessageWindow) {
    CountingDispatchWnd window;
    ASSERT_TRUE(window.Create());
    Request(window, ostrel::REQ_OPEN_MAIN, L"ABC");
    ASSERT_TRUE(testsupport::PumpUntil([&] { return SettingsWindow() != nullptr; }, 10000));
    // A second request raises the same window instead of opening another.
    HWND first = SettingsWindow();
    Request(window, ostrel::REQ_OPEN_MAIN, nullptr);
    EXPECT_EQ(first, SettingsWindow());

    ::PostMessageW(first, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return window.m_hWnd == nullptr; }, 10000));
    EXPECT_EQ(1, window.threadEnded);
    EXPECT_NE(0u, window.lastThread);
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

TEST_F(MessageDispatch, StatusRequestWithoutTheFeatureOpensNothing) {
    CountingDispatchWnd window;
    ASSERT_TRUE(window.Create());
    Request(window, ostrel::REQ_OPEN_STATUS, nullptr);
    Request(window, 42, nullptr);
    testsupport::PumpUntil([] { return false; }, 200);
    EXPECT_NE(nullptr, window.m_hWnd);
    EXPECT_EQ(0, window.threadEnded);
}

}  // namespace
