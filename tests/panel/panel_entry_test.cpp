// The module's entry point: it registers "MyClass" on every call and always reports success.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "panel/panel_module.h"

namespace {

using EntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

EntryPoint EntryOf(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return reinterpret_cast<EntryPoint>(base + nt->OptionalHeader.AddressOfEntryPoint);
}

bool ClassRegistered(HMODULE module, WNDCLASSEXW* wc = nullptr) {
    WNDCLASSEXW local = {};
    local.cbSize = sizeof(local);
    return ::GetClassInfoExW(module, L"MyClass", wc ? wc : &local) != FALSE;
}

// Each new thread calls the entry point of every loaded module with DLL_THREAD_ATTACH, and with
// DLL_THREAD_DETACH when it ends.
void RunThreads(int count) {
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) threads.emplace_back([] {});
    for (auto& t : threads) t.join();
}

TEST(PanelEntry, LoadingRegistersTheClassAsDescribed) {
    base::UniqueModule panel = paneltest::LoadPanel();
    ASSERT_TRUE(panel.valid()) << "the entry point refused the process attach";
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(ClassRegistered(panel.get(), &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(wc.hInstance, panel.get());
    EXPECT_EQ(wc.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_NE(wc.hCursor, nullptr);
    EXPECT_NE(wc.hIcon, nullptr);
    EXPECT_EQ(wc.lpszMenuName, nullptr);
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, 0);

    // The procedure answers 1 to everything, including messages whose default answer is 0.
    for (UINT message : {UINT(WM_NULL), UINT(WM_CREATE), UINT(WM_PAINT), UINT(WM_CLOSE), UINT(WM_DESTROY), UINT(WM_USER + 7)}) {
        EXPECT_EQ(::CallWindowProcW(wc.lpfnWndProc, nullptr, message, 0, 0), 1) << "message " << message;
    }
}

TEST(PanelEntry, FurtherThreadsKeepOneRegistration) {
    base::UniqueModule panel = paneltest::LoadPanel();
    ASSERT_TRUE(panel.valid());
    RunThreads(4);
    ASSERT_TRUE(ClassRegistered(panel.get()));
    // Registered once: a second registration under the module's name is refused.
    WNDCLASSEXW again = {};
    again.cbSize = sizeof(again);
    again.lpfnWndProc = ::DefWindowProcW;
    again.hInstance = panel.get();
    again.lpszClassName = L"MyClass";
    EXPECT_EQ(::RegisterClassExW(&again), 0);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    // A second load of the same module hands back the same, still working, image.
    base::UniqueModule second = paneltest::LoadPanel();
    EXPECT_EQ(second.get(), panel.get());
    EXPECT_TRUE(ClassRegistered(panel.get()));
}

TEST(PanelEntry, EveryCallRegistersAgainWhenTheClassIsGone) {
    base::UniqueModule panel = paneltest::LoadPanel();
    ASSERT_TRUE(panel.valid());
    ASSERT_TRUE(::UnregisterClassW(L"MyClass", panel.get()));
    ASSERT_FALSE(ClassRegistered(panel.get()));
    RunThreads(1);
    EXPECT_TRUE(ClassRegistered(panel.get()));
}

TEST(PanelEntry, ThreadCallsReturnSuccessWhetherOrNotTheClassExists) {
    base::UniqueModule panel = paneltest::LoadPanel();
    ASSERT_TRUE(panel.valid());
    EntryPoint entry = EntryOf(panel.get());
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(entry(panel.get(), DLL_THREAD_ATTACH, nullptr));
        EXPECT_TRUE(entry(panel.get(), DLL_THREAD_DETACH, nullptr));
    }
    ASSERT_TRUE(::UnregisterClassW(L"MyClass", panel.get()));
    EXPECT_TRUE(entry(panel.get(), DLL_THREAD_ATTACH, nullptr));
    EXPECT_TRUE(ClassRegistered(panel.get()));
}

}  // namespace
