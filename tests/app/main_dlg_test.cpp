// The settings window as a person meets it: real windows on this thread, a real plug-in with two
// pages, the framework and the window both talking to an in-process stand-in for the settings service.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
#include <shlobj.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/resource_module.h"
#include "catalogue/plugin_registered_application.h"
#include "core/message_dispatch_wnd.h"
#include "common/open_request.h"
#include "common/setting_services.h"
#include "common/status_gathering.h"
#include "info/status_info.h"
#include "info/sys_info_registered_application.h"
#include "plugwerk/fake_settory.h"
#include "resource.h"
#include "testing.h"
#include "high_contrast_scheme.h"
#include "support/fixtures.h"
#include "testdata/hostplugin/host_plugin_api.h"
#include "window/about_dlg.h"
#include "window/change_marks.h"
#include "window/osl_view.h"
#include "window/main_dlg.h"
#include "window/main_layout.h"
#include "window/new_tree_ctrl.h"
#include "window/tree_accessible.h"
#include "ui/accessible_object.h"
#include "ui/tab_dialog.h"

namespace {

using testsupport::PumpUntil;

constexpr DWORD kTimeout = 15000;

// ---- Layout numbers: no window needed ----------------------------------------------------------

TEST(MainLayout, ControlsScaleWithTheScreenDpi) {
    RECT client96 = {0, 0, 766, 545};
    ostrel::LayoutMetrics m96 = ostrel::ComputeLayoutMetrics(96, 96, L"en-US", 1024);
    ostrel::ControlRects r96 = ostrel::ComputeControlRects(m96, client96);
    EXPECT_FALSE(m96.compact);
    EXPECT_EQ(232, m96.treeWidth);
    EXPECT_EQ(256, r96.page.left);
    EXPECT_EQ(152, r96.page.top);
    EXPECT_EQ(742, r96.page.right);
    EXPECT_EQ(474, r96.page.bottom);
    EXPECT_EQ(232, r96.tree.right);

    ostrel::LayoutMetrics m144 = ostrel::ComputeLayoutMetrics(144, 144, L"en-US", 1536);
    RECT client144 = {0, 0, m144.ScaleX(766), m144.ScaleY(545)};
    ostrel::ControlRects r144 = ostrel::ComputeControlRects(m144, client144);
    EXPECT_FALSE(m144.compact);
    EXPECT_EQ(384, r144.page.left);
    EXPECT_EQ(228, r144.page.top);
    EXPECT_EQ(::MulDiv(474, 144, 96), r144.page.bottom);
    EXPECT_EQ(client144.right - 36, r144.page.right);
    EXPECT_EQ(348, r144.tree.right);
    // The search box sits above the tree at every dpi; the tree gives it the room and keeps its bottom.
    EXPECT_EQ(r96.search.bottom + 6, r96.tree.top);
    EXPECT_EQ(r144.search.bottom + 9, r144.tree.top);
    EXPECT_EQ(::MulDiv(24, 144, 96), r144.search.bottom - r144.search.top);
    EXPECT_LT(r144.search.right, r144.tree.right);
    EXPECT_EQ(client144.bottom + ::MulDiv(1, 144, 96), r144.tree.bottom);
    // The page keeps its design size in 96-dpi units at every dpi.
    EXPECT_EQ(::MulDiv(r96.page.right - r96.page.left, 144, 96), r144.page.right - r144.page.left);
}

TEST(MainLayout, WiderTreeAndWindowForLanguagesWithLongCategoryNames) {
    ostrel::LayoutMetrics french = ostrel::ComputeLayoutMetrics(96, 96, L"fr-FR", 1024);
    EXPECT_EQ(254, french.treeWidth);
    EXPECT_EQ(796, french.designWidth);
    ostrel::LayoutMetrics english = ostrel::ComputeLayoutMetrics(96, 96, L"en-US", 1024);
    EXPECT_EQ(766, english.designWidth);
}

TEST(MainLayout, ShortScreensGetTheCompactLayoutWithAPageScrollBar) {
    // 576 pixels at 96 dpi is short; 864 pixels at 144 dpi is 576 logical pixels, short as well.
    EXPECT_TRUE(ostrel::ComputeLayoutMetrics(96, 96, L"en-US", 576).compact);
    EXPECT_TRUE(ostrel::ComputeLayoutMetrics(144, 144, L"en-US", 864).compact);
    EXPECT_FALSE(ostrel::ComputeLayoutMetrics(96, 96, L"en-US", 600).compact);

    ostrel::LayoutMetrics m = ostrel::ComputeLayoutMetrics(96, 96, L"en-US", 576);
    RECT client = {0, 0, 786, 500};
    ostrel::ControlRects r = ostrel::ComputeControlRects(m, client);
    EXPECT_EQ(client.bottom - 45, r.page.bottom);
    EXPECT_EQ(474, r.fullPage.bottom);
    EXPECT_EQ(r.page.right, r.scrollBar.left);
    EXPECT_EQ(20, r.scrollBar.right - r.scrollBar.left);
    EXPECT_EQ(r.description.bottom, r.scrollBar.top);

    ostrel::FrameMetrics f;
    f.borderWidth = 4;
    f.borderHeight = 4;
    f.titleBarHeight = 20;
    f.workArea = {0, 0, 1024, 546};
    f.virtualWidth = 1024;
    f.virtualHeight = 576;
    f.screenHeight = 576;
    bool centre = false;
    RECT w = ostrel::ComputeWindowRect(m, f, false, 0, 0, &centre);
    EXPECT_TRUE(centre);
    EXPECT_EQ(766 + 8 + 20, w.right - w.left);
    EXPECT_EQ(546, w.bottom - w.top);
}

TEST(MainLayout, SavedPositionIsUsedOnlyWhenTheWindowWouldBeReachable) {
    ostrel::LayoutMetrics m = ostrel::ComputeLayoutMetrics(96, 96, L"en-US", 1024);
    ostrel::FrameMetrics f;
    f.borderWidth = 4;
    f.borderHeight = 4;
    f.titleBarHeight = 20;
    f.workArea = {0, 0, 1280, 994};
    f.virtualWidth = 1280;
    f.virtualHeight = 1024;
    f.screenHeight = 1024;
    bool centre = true;
    RECT r = ostrel::ComputeWindowRect(m, f, true, 100, 120, &centre);
    EXPECT_FALSE(centre);
    EXPECT_EQ(100, r.left);
    EXPECT_EQ(120, r.top);
    EXPECT_EQ(100 + 774, r.right);
    EXPECT_EQ(120 + 8 + 20 + 545, r.bottom);

    for (POINT bad : {POINT{1281, 10}, POINT{10, 1025}, POINT{-775, 10}, POINT{-32000, -32000}}) {
        ostrel::ComputeWindowRect(m, f, true, bad.x, bad.y, &centre);
        EXPECT_TRUE(centre) << bad.x << "," << bad.y;
    }
    ostrel::ComputeWindowRect(m, f, false, 100, 120, &centre);
    EXPECT_TRUE(centre);

    // At 144 dpi the stored position is in 96-dpi units both ways.
    ostrel::LayoutMetrics m144 = ostrel::ComputeLayoutMetrics(144, 144, L"en-US", 1536);
    POINT stored = ostrel::ToDesignUnits(m144, {150, 180});
    EXPECT_EQ(100, stored.x);
    EXPECT_EQ(120, stored.y);
    r = ostrel::ComputeWindowRect(m144, f, true, stored.x, stored.y, &centre);
    EXPECT_EQ(150, r.left);
    EXPECT_EQ(180, r.top);
}

TEST(MainLayout, DescriptionLinesMoveThePageAndButtonsGoRightToLeft) {
    // Laid out for three lines: one line moves the page up by two, five lines move it down by two.
    EXPECT_EQ(-30, ostrel::DescriptionShift(200, 486, 15));
    EXPECT_EQ(-15, ostrel::DescriptionShift(600, 486, 15));
    EXPECT_EQ(0, ostrel::DescriptionShift(1400, 486, 15));
    EXPECT_EQ(30, ostrel::DescriptionShift(486 * 5, 486, 15));
    EXPECT_EQ(-45, ostrel::DescriptionShift(0, 486, 15));
    EXPECT_EQ(0, ostrel::DescriptionShift(100, 0, 15));

    ostrel::LayoutMetrics m = ostrel::ComputeLayoutMetrics(96, 96, L"en-US", 1024);
    std::vector<ostrel::ButtonSlot> buttons = {{true, 80, {}}, {false, 80, {}}, {true, 90, {}}};
    ostrel::PlaceButtons(m, {0, 0, 766, 545}, buttons);
    EXPECT_EQ(742, buttons[0].rect.right);
    EXPECT_EQ(662, buttons[0].rect.left);
    EXPECT_EQ(654, buttons[2].rect.right);
    EXPECT_EQ(564, buttons[2].rect.left);
    EXPECT_EQ(545 - 31, buttons[0].rect.top);
    EXPECT_EQ(545 - 10, buttons[0].rect.bottom);
}

TEST(MainLayout, ScrollCodesMoveByLinesTenthsOrToTheEnds) {
    EXPECT_EQ(30, ostrel::NextScrollPosition(SB_LINEDOWN, 10, 0, 0, 300, 322));
    EXPECT_EQ(-10, ostrel::NextScrollPosition(SB_LINEUP, 10, 0, 0, 300, 322));
    EXPECT_EQ(42, ostrel::NextScrollPosition(SB_PAGEDOWN, 10, 0, 0, 300, 322));
    EXPECT_EQ(77, ostrel::NextScrollPosition(SB_THUMBTRACK, 10, 77, 0, 300, 322));
    EXPECT_EQ(300, ostrel::NextScrollPosition(SB_BOTTOM, 10, 0, 0, 300, 322));
    EXPECT_EQ(0, ostrel::NextScrollPosition(SB_TOP, 10, 0, 0, 300, 322));
    EXPECT_EQ(10, ostrel::NextScrollPosition(SB_ENDSCROLL, 10, 0, 0, 300, 322));
}

// ---- Real windows -------------------------------------------------------------------------------

// An entry that runs the test's hook whenever the window asks whether it is visible.
struct HookedEntry : CRegisteredApplication {
    std::function<void()> onIsVisible;
    BOOL IsVisible() override {
        if (onIsVisible) onIsVisible();
        return CRegisteredApplication::IsVisible();
    }
};

// The message window with a catalogue of the host test plug-in, an application whose Launch opens the
// status window, and the system-information entry; open requests it receives are recorded.
class TestOwner : public CMessageDispatchWnd {
public:
    std::vector<ULONG_PTR> requests;
    HookedEntry* launcher = nullptr;

protected:
    void BuildCatalogue() override {
        ostrel::DiscoverPlugins(Catalogue());
        auto* status = launcher = new HookedEntry;
        status->m_strKey = L"StatusLauncher";
        status->m_strName = L"Status values";
        status->m_strDescription = L"Opens the status window";
        status->m_strAppPath = L"StatusInfo";
        status->m_nCategory = 5;
        status->m_hReadyEvent = ostrel::CreateReadyEvent();
        ::SetEvent(status->m_hReadyEvent);
        Catalogue().Append(status);
        auto* systemInfo = new CSysInfoRegisteredApplication;
        if (systemInfo->Initialize() == 1) {
            Catalogue().Append(systemInfo);
        } else {
            delete systemInfo;
        }
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COPYDATA) {
            requests.push_back(reinterpret_cast<const COPYDATASTRUCT*>(lParam)->dwData);
            return TRUE;
        }
        return CMessageDispatchWnd::WindowProc(message, wParam, lParam);
    }
};

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};

// Answers the next message box of this thread with a button, from inside its modal loop.
class MessageBoxAnswer {
public:
    explicit MessageBoxAnswer(int button) {
        s_button = button;
        s_seen = 0;
        timer_ = ::SetTimer(nullptr, 0, 50, &MessageBoxAnswer::OnTimer);
    }
    ~MessageBoxAnswer() { ::KillTimer(nullptr, timer_); }
    static int Seen() { return s_seen; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND hwnd, LPARAM) -> BOOL {
                wchar_t cls[16] = {};
                ::GetClassNameW(hwnd, cls, 16);
                if (wcscmp(cls, L"#32770") || !::IsWindowVisible(hwnd) || !::GetDlgItem(hwnd, s_button)) return TRUE;
                ++s_seen;
                ::PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(s_button, BN_CLICKED), 0);
                return FALSE;
            },
            0);
    }
    static int s_button;
    static int s_seen;
    UINT_PTR timer_;
};
int MessageBoxAnswer::s_button = IDYES;
int MessageBoxAnswer::s_seen = 0;

class SettingsWindow : public testing::Test {
protected:
    void SetUp() override {
        resources_ = LoadResources();
        ASSERT_TRUE(resources_.valid());
        previous_ = base::SetResourceModule(resources_.get());
        ostrel::SetProductKeyForTests(HKEY_CURRENT_USER, scratch_.SubkeyPath());
        base::UniqueHKey plugins;
        ::RegCreateKeyExW(scratch_.Get(), L"Plugins", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, plugins.put(), nullptr);
        CStringW dll = testsupport::BinFile(L"HostTestPlugin.dll");
        Register(plugins.get(), L"host", dll);
        RegisterMorePlugins(plugins.get());
        services_.m_pSettory = base::ComPtr<ISettory>(&service_.fake);
        ostrel_testing::UseSettingServices(&services_);
        service_.fake.defaults[{HP_FIRST_CLASS_ID, 1}] = L"0";
        service_.fake.defaults[{HP_SECOND_CLASS_ID, 1}] = L"0";

        owner_ = std::make_unique<TestOwner>();
        ASSERT_TRUE(owner_->Create());
        owner_->Catalogue().CompleteAll();
        HMODULE plugin = ::GetModuleHandleW(dll);
        ASSERT_NE(nullptr, plugin);
        auto state = reinterpret_cast<HostPluginStateFunction>(::GetProcAddress(plugin, "HostPlugin_State"));
        ASSERT_NE(nullptr, state);
        state_ = state();
        *state_ = HostPluginState{};
    }
    void TearDown() override {
        dialog_.reset();
        owner_.reset();
        ostrel_testing::UseRealSettingServices();
        ostrel::SetProductKeyForTests(nullptr, nullptr);
        base::SetResourceModule(previous_);
    }

    static void Register(HKEY plugins, const wchar_t* name, const CStringW& dll) {
        ::RegSetValueExW(plugins, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.GetString()),
                         static_cast<DWORD>((dll.GetLength() + 1) * sizeof(wchar_t)));
    }
    virtual void RegisterMorePlugins(HKEY) {}
    static void RegisterSamples(HKEY plugins) {
        for (const wchar_t* dll : {L"MinimalPlugin.dll", L"OstrelDisplayKeyboard.dll", L"OstrelPowerWireless.dll"}) {
            Register(plugins, dll, testsupport::BinFile(dll));
        }
    }
    virtual base::UniqueModule LoadResources() {
        return base::LoadLocalisedModule(testsupport::BinFolder(), L"Ostrel.exe.mui");
    }

    COSLMainDlg* Open(const wchar_t* classId = nullptr) {
        dialog_ = std::make_unique<COSLMainDlg>();
        dialog_->m_pOwner = owner_.get();
        if (classId) dialog_->m_strStartClassId = classId;
        EXPECT_TRUE(dialog_->Create(IDD_OSL_MAIN_DIALOG, ::GetDesktopWindow()));
        dialog_->ShowWindow(SW_SHOW);
        return dialog_.get();
    }
    CStringW Title() const {
        wchar_t text[128] = {};
        ::GetDlgItemTextW(*dialog_, IDC_TITLE, text, 128);
        return text;
    }
    bool WaitShown(const wchar_t* name) {
        return PumpUntil([&] { return Title() == name && dialog_->PageView() && dialog_->PageView()->IsWindow(); },
                         kTimeout);
    }
    HTREEITEM Item(const wchar_t* name) {
        HWND tree = dialog_->Tree();
        for (HTREEITEM category = TreeView_GetRoot(tree); category; category = TreeView_GetNextSibling(tree, category)) {
            for (HTREEITEM item = TreeView_GetChild(tree, category); item; item = TreeView_GetNextSibling(tree, item)) {
                if (ostrel::TreeItemText(tree, item) == name) return item;
            }
        }
        return nullptr;
    }
    void Select(const wchar_t* name) {
        HTREEITEM item = Item(name);
        ASSERT_NE(nullptr, item) << CStringW(name).GetString();
        TreeView_SelectItem(dialog_->Tree(), item);
    }
    HWND PageControl(int id) const { return ::GetDlgItem(*dialog_->PageView(), id); }
    void ClickCheckBox() {
        ::SendMessageW(PageControl(IDC_HP_CHECK), BM_CLICK, 0, 0);
        PumpUntil([] { return false; }, 50);
    }
    // The test plug-in's page copies its state on every message it sees.
    void PokePage() { ::SendMessageW(*dialog_->PageView(), WM_NULL, 0, 0); }
    bool Closed() const { return !::IsWindow(dialog_->m_hWnd); }

    base::UniqueModule resources_;
    HMODULE previous_ = nullptr;
    testsupport::ScratchKey scratch_;
    GdiplusSession gdiplus_;
    pwtest::ScopedFakeService service_;
    CSettingServices services_;
    std::unique_ptr<TestOwner> owner_;
    std::unique_ptr<COSLMainDlg> dialog_;
    HostPluginState* state_ = nullptr;
};

TEST_F(SettingsWindow, WithoutTheServiceItOpensCentredOnTheSystemInformationPage) {
    ostrel_testing::UseSettingServices(nullptr);
    Open();
    CStringW systemInfo = base::LoadResString(IDS_SYSINFO_NAME);
    ASSERT_TRUE(WaitShown(systemInfo));
    EXPECT_EQ(dialog_->SystemInfoItem(), TreeView_GetSelection(dialog_->Tree()));

    RECT work = {}, window = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(*dialog_, &window);
    EXPECT_NEAR((work.left + work.right) / 2, (window.left + window.right) / 2, 1);
    EXPECT_NEAR((work.top + work.bottom) / 2, (window.top + window.bottom) / 2, 1);

    // Closing without a service stores nothing and still closes.
    dialog_->CloseDialog();
    EXPECT_TRUE(Closed());
}

// The layout follows the screen a process starts on, so on its first run this test runs again in
// processes of their own, each on a Wine desktop of a short screen's size.
TEST_F(SettingsWindow, OnShortScreensTheSystemInformationPageScrollsOnlyWhenItDoesNotFit) {
    constexpr wchar_t kRunOnShortScreen[] = L"OSTREL_TEST_SHORT_SCREEN";
    if (!_wgetenv(kRunOnShortScreen)) {
        testsupport::ScopedEnv again(kRunOnShortScreen, L"1");
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        CStringW self;
        ::GetModuleFileNameW(nullptr, self.GetBufferSetLength(MAX_PATH), MAX_PATH);
        self.ReleaseBuffer();
        CStringW command;
        command.Format(L"\"%s\" --gtest_filter=%S.%S", self.GetString(), test->test_suite_name(), test->name());
        for (const wchar_t* size : {L"1024x576", L"1024x480"}) {
            // Wine gives a new desktop the size stored under its name.
            CStringW name = testsupport::UniqueName(L"OstrelShort");
            base::UniqueHKey desktops;
            ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr,
                                                       0, KEY_ALL_ACCESS, nullptr, desktops.put(), nullptr));
            ::RegSetValueExW(desktops.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(size),
                             static_cast<DWORD>((wcslen(size) + 1) * sizeof(wchar_t)));
            std::unique_ptr<HDESK__, decltype(&::CloseDesktop)> desktop(
                ::CreateDesktopW(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr), &::CloseDesktop);
            ASSERT_NE(nullptr, desktop.get());
            testsupport::ChildProcess run(command, name);
            DWORD code = 1;
            EXPECT_TRUE(run.WaitExit(60000, &code)) << CStringW(size).GetString();
            EXPECT_EQ(0u, code) << CStringW(size).GetString();
            ::RegDeleteValueW(desktops.get(), name);
        }
        return;
    }
    ostrel_testing::UseSettingServices(nullptr);
    Open();
    ASSERT_TRUE(dialog_->Layout().compact);
    ASSERT_TRUE(WaitShown(base::LoadResString(IDS_SYSINFO_NAME)));
    HWND page = *dialog_->PageView();
    HWND view = ::GetParent(page);
    HWND bar = dialog_->GetDlgItem(IDC_PAGE_SCROLLBAR);
    RECT shown = {};
    ::GetClientRect(view, &shown);
    auto frameBottom = [&] {
        RECT frame = {};
        ::GetWindowRect(::GetDlgItem(page, IDC_SYSINFO_LOWER_FRAME), &frame);
        ::MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&frame), 2);
        return frame.bottom;
    };
    // A scroll bar exactly when part of the page is out of view, and it brings all of it in.
    EXPECT_EQ(frameBottom() > shown.bottom, ::IsWindowVisible(bar) != FALSE) << frameBottom() << " " << shown.bottom;
    ::SendMessageW(*dialog_, WM_VSCROLL, SB_BOTTOM, reinterpret_cast<LPARAM>(bar));
    EXPECT_LE(frameBottom(), shown.bottom);
    // Tab to a list out of view scrolls it in.
    ::SendMessageW(*dialog_, WM_VSCROLL, SB_TOP, reinterpret_cast<LPARAM>(bar));
    HWND upper = ::GetDlgItem(page, IDC_SYSINFO_UPPER_LIST);
    HWND lower = ::GetDlgItem(page, IDC_SYSINFO_LOWER_LIST);
    ::SetFocus(upper);
    MSG tab = {upper, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    dialog_->PreTranslateMessage(&tab);
    ASSERT_EQ(lower, ::GetFocus());
    RECT list = {};
    ::GetWindowRect(lower, &list);
    ::MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&list), 2);
    // A list taller than the view shows its top.
    EXPECT_GE(list.top, shown.top);
    EXPECT_TRUE(list.bottom <= shown.bottom || list.top == shown.top) << list.top << " " << list.bottom;
}

TEST_F(SettingsWindow, ClassIdSelectsItsPageAndPositionAndLastEntryAreReusedNextTime) {
    Open(HP_SECOND_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"Second page"));
    ::SetWindowPos(*dialog_, nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dialog_->CloseDialog();
    ASSERT_TRUE(Closed());
    EXPECT_EQ(L"100", (service_.fake.current[{COSLMainDlg::kPositionClass, 1}]));
    EXPECT_EQ(L"120", (service_.fake.current[{COSLMainDlg::kPositionClass, 2}]));
    EXPECT_EQ(HP_SECOND_CLASS_ID, (service_.fake.current[{COSLMainDlg::kLastEntryClass, 1}]));

    Open();
    ASSERT_TRUE(WaitShown(L"Second page"));
    RECT window = {};
    ::GetWindowRect(*dialog_, &window);
    EXPECT_EQ(100, window.left);
    EXPECT_EQ(120, window.top);
    dialog_->CloseDialog();

    // A position off every screen is not used: the window opens centred.
    service_.fake.current[{COSLMainDlg::kPositionClass, 1}] = L"99999";
    Open();
    ASSERT_TRUE(WaitShown(L"Second page"));
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(*dialog_, &window);
    EXPECT_NEAR((work.left + work.right) / 2, (window.left + window.right) / 2, 1);
}

// The window raises its start entries while the main thread may be sorting the catalogue by them; a
// sort whose priorities change under it is undefined, so the raise waits for the catalogue.
TEST_F(SettingsWindow, StartEntriesAreRaisedOnlyWhileNoSortHoldsTheCatalogue) {
    service_.fake.current[{COSLMainDlg::kLastEntryClass, 1}] = L"StatusLauncher";
    HookedEntry* launcher = owner_->launcher;
    base::UniqueHandle held(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    bool changedWhileHeld = true;
    std::thread sorter;
    // Once the entry is listed, the window's look at it is its last before the raise: a stand-in
    // sort takes the catalogue now.
    launcher->onIsVisible = [&] {
        if (sorter.joinable() || !Item(L"Status values")) return;
        sorter = std::thread([&] {
            owner_->Catalogue().Walk([&](const CCatalogue::Entries&) {
                ::SetEvent(held.get());
                changedWhileHeld = testsupport::WaitUntil([&] { return launcher->GetPriority() != 2; }, 500);
            });
        });
        ::WaitForSingleObject(held.get(), kTimeout);
    };
    Open();
    ASSERT_TRUE(sorter.joinable());
    sorter.join();
    EXPECT_FALSE(changedWhileHeld);
    EXPECT_EQ(5, launcher->GetPriority());
}

TEST_F(SettingsWindow, LeavingAModifiedPageAsksYesAppliesNoDiscards) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    ClickCheckBox();
    EXPECT_TRUE(::IsWindowEnabled(dialog_->GetDlgItem(IDC_APPLY)));
    {
        MessageBoxAnswer yes(IDYES);
        Select(L"Second page");
        EXPECT_EQ(1, MessageBoxAnswer::Seen());
    }
    ASSERT_TRUE(WaitShown(L"Second page"));
    EXPECT_EQ(1, state_->pages[0].sets);
    EXPECT_EQ(L"1", (service_.fake.current[{HP_FIRST_CLASS_ID, 1}]));

    ClickCheckBox();
    {
        MessageBoxAnswer no(IDNO);
        Select(L"First page");
        EXPECT_EQ(1, MessageBoxAnswer::Seen());
    }
    ASSERT_TRUE(WaitShown(L"First page"));
    EXPECT_EQ(0, state_->pages[1].sets);
    EXPECT_EQ(0u, service_.fake.current.count({HP_SECOND_CLASS_ID, 1}));
    // The discarded change is gone: the first page shows its applied value again, the second is not modified.
    EXPECT_EQ(BST_CHECKED, ::SendMessageW(PageControl(IDC_HP_CHECK), BM_GETCHECK, 0, 0));
}

TEST_F(SettingsWindow, APageThatAnswersEightKeepsItsPlaceUntilItLetsGo) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    state_->pages[0].leaveAnswer = 8;
    Select(L"Second page");
    EXPECT_TRUE(PumpUntil([&] { return state_->pages[0].leaveQuestions >= 3; }, kTimeout));
    EXPECT_EQ(L"First page", Title());
    state_->pages[0].leaveAnswer = 0;
    EXPECT_TRUE(WaitShown(L"Second page"));
}

// A switch paints the new page; the tree has nothing new to show and is not painted again.
TEST_F(SettingsWindow, ASwitchPaintsTheNewPageButNotTheTree) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    // Counted once the window shows the new title: the selection's own repaint comes before.
    static LONG treePaints;
    static WNDPROC treeProc;
    static HWND title;
    treePaints = 0;
    title = dialog_->GetDlgItem(IDC_TITLE);
    HWND tree = dialog_->Tree();
    treeProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
        tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
            wchar_t text[32] = {};
            ::GetWindowTextW(title, text, 32);
            if (message == WM_PAINT && !wcscmp(text, L"Second page")) ++treePaints;
            return ::CallWindowProcW(treeProc, window, message, w, l);
        })));
    long pagePaints = ostrel::PagePaintCount();
    Select(L"Second page");
    ASSERT_TRUE(WaitShown(L"Second page"));
    PumpUntil([] { return false; }, 300);
    ::SetWindowLongPtrW(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(treeProc));
    EXPECT_GT(ostrel::PagePaintCount(), pagePaints);
    EXPECT_EQ(0, treePaints);
}

TEST_F(SettingsWindow, OkOnAPluginPageClosesOnlyAfterTheApplyAndWhileNoOneWaitsForTheUser) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    ClickCheckBox();
    state_->pages[0].waitUI = 1;
    PokePage();
    ::SendMessageW(*dialog_, WM_COMMAND, MAKEWPARAM(IDC_OK, BN_CLICKED), 0);
    EXPECT_TRUE(PumpUntil([&] { return state_->pages[0].sets == 1; }, kTimeout));
    // Still open while the page waits for the user.
    PumpUntil([] { return false; }, 400);
    EXPECT_FALSE(Closed());
    state_->pages[0].waitUI = 0;
    PokePage();
    EXPECT_TRUE(PumpUntil([&] { return Closed(); }, kTimeout));
    EXPECT_EQ(L"1", (service_.fake.current[{HP_FIRST_CLASS_ID, 1}]));
}

TEST_F(SettingsWindow, AnApplyPastTheTimeLimitIsEndedAndTheWindowGoesOn) {
    Open(HP_FIRST_CLASS_ID);
    dialog_->m_nApplyLimitMs = 1500;
    ASSERT_TRUE(WaitShown(L"First page"));
    ClickCheckBox();
    state_->pages[0].setDelayMs = 30000;
    DWORD started = ::GetTickCount();
    // The progress dialog runs its own loop inside; the call returns once the worker is gone.
    dialog_->Apply();
    EXPECT_LT(::GetTickCount() - started, 15000u);
    EXPECT_FALSE(dialog_->IsApplyWorkerRunning());
    EXPECT_EQ(0, state_->pages[0].sets);
    state_->pages[0].setDelayMs = 0;
    // The window still switches pages.
    {
        MessageBoxAnswer no(IDNO);
        Select(L"Second page");
    }
    EXPECT_TRUE(WaitShown(L"Second page"));
}

TEST_F(SettingsWindow, LaunchOfStatusInfoAsksTheMessageWindowForTheStatusWindow) {
    Open();
    PumpUntil([&] { return !Title().IsEmpty(); }, kTimeout);
    Select(L"Status values");
    ASSERT_TRUE(PumpUntil([&] { return Title() == L"Status values"; }, kTimeout));
    HWND launch = dialog_->GetDlgItem(IDC_LAUNCH);
    EXPECT_TRUE(::IsWindowVisible(launch));
    ::SendMessageW(*dialog_, WM_COMMAND, MAKEWPARAM(IDC_LAUNCH, BN_CLICKED), reinterpret_cast<LPARAM>(launch));
    ASSERT_EQ(1u, owner_->requests.size());
    EXPECT_EQ(static_cast<ULONG_PTR>(ostrel::REQ_OPEN_STATUS), owner_->requests[0]);
}

// Marks of settings that differ from their defaults, switched in the window's system menu.
class SettingsWindowMarks : public SettingsWindow {
protected:
    void SwitchMarks() { ::SendMessageW(*dialog_, WM_SYSCOMMAND, IDM_HIGHLIGHT_CHANGED, 0); }
    bool RowMarked(const wchar_t* name) { return dialog_->IsItemMarked(Item(name)) != FALSE; }
    // Whether the bar at the left of a page control shows, as painted on the screen.
    bool BarBeside(int id) {
        HWND page = *dialog_->PageView();
        ::RedrawWindow(page, nullptr, nullptr, RDW_UPDATENOW);
        RECT r = {};
        ::GetWindowRect(PageControl(id), &r);
        ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        RECT bar = ostrel::PageMarkRect(r, dialog_->Layout().dpiX);
        HDC dc = ::GetDC(page);
        COLORREF colour = ::GetPixel(dc, (bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2);
        ::ReleaseDC(page, dc);
        return colour == ostrel::kChangeMarkColour;
    }
};

TEST_F(SettingsWindowMarks, ValuesOtherThanTheDefaultsAreMarkedOnThePageAndInTheTree_AndTheSwitchIsRemembered) {
    service_.fake.current[{HP_SECOND_CLASS_ID, 1}] = L"1";  // on a page not opened
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    EXPECT_FALSE(dialog_->MarksChanges());
    EXPECT_FALSE(RowMarked(L"Second page"));
    SwitchMarks();
    ASSERT_TRUE(dialog_->MarksChanges());
    EXPECT_EQ(L"1", (service_.fake.current[{COSLMainDlg::kLastEntryClass, ostrel::kHighlightChangedSetting}]));
    EXPECT_TRUE(RowMarked(L"Second page"));
    EXPECT_FALSE(RowMarked(L"First page"));
    EXPECT_FALSE(BarBeside(IDC_HP_CHECK));

    ClickCheckBox();  // marked as soon as it differs, before it is applied
    EXPECT_TRUE(PumpUntil([&] { return BarBeside(IDC_HP_CHECK) && RowMarked(L"First page"); }, kTimeout));
    dialog_->Apply();
    EXPECT_EQ(L"1", (service_.fake.current[{HP_FIRST_CLASS_ID, 1}]));
    EXPECT_TRUE(BarBeside(IDC_HP_CHECK));
    ::SendMessageW(*dialog_, WM_COMMAND, MAKEWPARAM(IDC_DEFAULTS, BN_CLICKED), 0);
    EXPECT_TRUE(PumpUntil([&] { return !BarBeside(IDC_HP_CHECK) && !RowMarked(L"First page"); }, kTimeout));
    dialog_->Apply();

    // Off: no mark anywhere; the choice holds for the next opening of the window.
    ClickCheckBox();
    SwitchMarks();
    EXPECT_FALSE(RowMarked(L"Second page"));
    EXPECT_FALSE(BarBeside(IDC_HP_CHECK));
    SwitchMarks();
    dialog_->CloseDialog();
    Open(HP_SECOND_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"Second page"));
    EXPECT_TRUE(dialog_->MarksChanges());
    EXPECT_TRUE(PumpUntil([&] { return BarBeside(IDC_HP_CHECK); }, kTimeout));
}

// The settings service itself, loaded into this process as the settings window loads it, over data
// folders of the test's own; settory.exe in a second process stores values through its own copy.
class SettingsWindowMarksWithService : public SettingsWindowMarks {
protected:
    void SetUp() override {
        const CStringW product = root_.Path() + L"\\all\\Quor Corporation\\Ostrel\\";
        ::SHCreateDirectoryExW(nullptr, product + L"Default", nullptr);
        ::SHCreateDirectoryExW(nullptr, product + L"Schema files", nullptr);
        ::SHCreateDirectoryExW(nullptr, root_.Path() + L"\\user\\Quor Corporation\\Ostrel", nullptr);
        for (const wchar_t* schema : {L"DefaultSetting.xsd", L"CurrentSetting.xsd"}) {
            ASSERT_TRUE(::CopyFileW(testsupport::BinFile(L"Schema files\\") + schema, product + L"Schema files\\" + schema, FALSE));
        }
        std::string classes;
        for (const char* id : {"BBBBBBBB-0000-0000-0000-000000000001", "BBBBBBBB-0000-0000-0000-000000000002"}) {
            classes += std::string("<Class ClassID=\"") + id +
                       "\"><Item SettingID=\"1\" bAllUser=\"1\" bEvent=\"0\"><SettingData>0</SettingData></Item></Class>";
        }
        ASSERT_TRUE(testsupport::WriteTextFile(product + L"Default\\DefaultSettingHostTest.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DefaultSetting>" + classes + "</DefaultSetting>\n"));
        testsupport::ChildProcess regsvr(L"regsvr32.exe /s \"" + testsupport::BinFile(L"Settory.dll") + L"\"");
        DWORD code = 1;
        ASSERT_TRUE(regsvr.WaitExit(60000, &code));
        ASSERT_EQ(0u, code);
        SettingsWindowMarks::SetUp();
        ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_INPROC_SERVER, IID_ISettory, settory_.PutVoid()));
        services_.m_pSettory = settory_;
        plugwerk_testing::UseSettory(settory_.Get());
    }
    void TearDown() override {
        SettingsWindowMarks::TearDown();
        plugwerk_testing::UseSettory(&service_.fake);
    }
    // settory.exe set <class> 1 <value>, its exit code.
    DWORD StoreElsewhere(const wchar_t* classId, const wchar_t* value) {
        testsupport::ChildProcess cli(L"\"" + testsupport::BinFile(L"settory.exe") + L"\" set " + classId + L" 1 " +
                                      value + L" --inproc");
        DWORD code = 1;
        return cli.WaitExit(60000, &code) ? code : 1;
    }

    testsupport::TempFolder root_;
    testsupport::ScopedEnv all_{L"ALLUSERSPROFILE", root_.Path() + L"\\all"};
    testsupport::ScopedEnv user_{L"APPDATA", root_.Path() + L"\\user"};
    base::ComInit com_;
    base::ComPtr<ISettory> settory_;
};

TEST_F(SettingsWindowMarksWithService, AValueStoredByAnotherProcessMarksAPageNotOpenedAndItsReturnUnmarksIt) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    SwitchMarks();
    ASSERT_TRUE(dialog_->MarksChanges());
    EXPECT_FALSE(RowMarked(L"Second page"));
    ASSERT_EQ(0u, StoreElsewhere(HP_SECOND_CLASS_ID, L"1"));
    EXPECT_TRUE(PumpUntil([&] { return RowMarked(L"Second page"); }, kTimeout));
    EXPECT_FALSE(RowMarked(L"First page"));
    ASSERT_EQ(0u, StoreElsewhere(HP_SECOND_CLASS_ID, L"0"));
    EXPECT_TRUE(PumpUntil([&] { return !RowMarked(L"Second page"); }, kTimeout));
}

// The status window over the host test plug-in's status items.
class StatusWindow : public SettingsWindow {
protected:
    void TearDown() override {
        status_.reset();
        SettingsWindow::TearDown();
    }
    COSLStatusInfo* OpenStatus() {
        status_ = std::make_unique<COSLStatusInfo>();
        status_->m_pOwner = owner_.get();
        EXPECT_TRUE(status_->Create(IDD_STATUS_INFO, ::GetDesktopWindow()));
        status_->ShowWindow(SW_SHOW);
        EXPECT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(status_->PreparedEvent(), 0) == WAIT_OBJECT_0; },
                              kTimeout));
        return status_.get();
    }
    static std::vector<std::pair<CStringW, CStringW>> Rows(HWND list) {
        std::vector<std::pair<CStringW, CStringW>> rows;
        int count = ListView_GetItemCount(list);
        for (int i = 0; i < count; ++i) {
            wchar_t name[128] = {}, value[128] = {};
            ListView_GetItemText(list, i, 0, name, 128);
            ListView_GetItemText(list, i, 1, value, 128);
            rows.push_back({name, value});
        }
        return rows;
    }
    std::unique_ptr<COSLStatusInfo> status_;
};

TEST_F(StatusWindow, RowsByCategoryWithFailedStatusesBelowAndSharedNamesSharingATarget) {
    state_->status.broken = 5;  // matches no status
    state_->status.next = 1;
    OpenStatus();
    auto first = Rows(status_->ListOfCategory(0));
    ASSERT_EQ(2u, first.size());
    EXPECT_STREQ(L"Fan speed", first[0].first);
    EXPECT_STREQ(L"Fan", first[1].first);
    EXPECT_STREQ(L"On", first[1].second);
    // The failed status keeps its row without text, and the next one of its list goes above it.
    auto second = Rows(status_->ListOfCategory(1));
    ASSERT_EQ(2u, second.size());
    EXPECT_STREQ(L"Lid", second[0].first);
    EXPECT_STREQ(L"Off", second[0].second);
    EXPECT_STREQ(L"Broken sensor", second[1].first);
    EXPECT_STREQ(L"", second[1].second);
    // Category 3 has no row; the second page's "Fan" is listed but jumps where the first one does.
    auto third = Rows(status_->ListOfCategory(2));
    ASSERT_EQ(1u, third.size());
    EXPECT_STREQ(L"Fan", third[0].first);
    EXPECT_STREQ(HP_FIRST_CLASS_ID, status_->TargetOf(L"Fan"));
    for (int category = 0; category < 3; ++category) {
        for (const auto& row : Rows(status_->ListOfCategory(category))) EXPECT_STRNE(L"Hidden value", row.first);
    }
    EXPECT_TRUE(::IsWindowEnabled(status_->ListOfCategory(0)));
}

TEST_F(StatusWindow, DeviceChangesUpdateRowsAndAJumpOpensThePage) {
    OpenStatus();
    state_->status.shown = 1;
    ::SendMessageW(*status_, WM_DEVICECHANGE, 0, 0);
    // "Fan" changes its own row, not "Fan speed" above it whose name starts the same.
    auto rows = Rows(status_->ListOfCategory(0));
    ASSERT_EQ(2u, rows.size());
    EXPECT_STREQ(L"On", rows[0].second);
    EXPECT_STREQ(L"Off", rows[1].second);

    HWND list = status_->ListOfCategory(0);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_STREQ(HP_FIRST_CLASS_ID, status_->SelectedTarget());
    HWND jump = status_->GetDlgItem(IDC_STATUS_JUMP);
    EXPECT_TRUE(::IsWindowEnabled(jump));
    ::SendMessageW(*status_, WM_COMMAND, MAKEWPARAM(IDC_STATUS_JUMP, BN_CLICKED), reinterpret_cast<LPARAM>(jump));
    ASSERT_EQ(1u, owner_->requests.size());
    EXPECT_EQ(static_cast<ULONG_PTR>(ostrel::REQ_OPEN_MAIN), owner_->requests[0]);

    // The close button ends the refresh thread and the window.
    ::SendMessageW(*status_, WM_COMMAND, MAKEWPARAM(IDC_STATUS_CLOSE, BN_CLICKED), 0);
    EXPECT_FALSE(::IsWindow(status_->m_hWnd));
    EXPECT_TRUE(ostrel::IsStatusGatheringIdle());
}

// Keys are handed to the window as its message loop would.
class SettingsWindowKeys : public SettingsWindow {
protected:
    BOOL Key(HWND target, UINT key, bool shift = false, bool control = false) {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_CONTROL] = control ? 0x80 : 0;
        ::SetKeyboardState(keys);
        MSG msg = {target, WM_KEYDOWN, key, 0, 0, {}};
        BOOL handled = dialog_->PreTranslateMessage(&msg);
        keys[VK_SHIFT] = 0;
        keys[VK_CONTROL] = 0;
        ::SetKeyboardState(keys);
        return handled;
    }
};

TEST_F(SettingsWindowKeys, TabAndShiftTabCrossThePageBoundary) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    // From the page's last tab stop, Tab leaves the page for the window's controls.
    ::SetFocus(PageControl(IDC_HP_LAST));
    Key(PageControl(IDC_HP_LAST), VK_TAB);
    HWND focus = ::GetFocus();
    EXPECT_FALSE(::IsChild(*dialog_->PageView(), focus));
    EXPECT_TRUE(focus == *dialog_ || ::IsChild(*dialog_, focus));

    // From the page's first tab stop, Shift+Tab leaves it the other way.
    ::SetFocus(PageControl(IDC_HP_CHECK));
    Key(PageControl(IDC_HP_CHECK), VK_TAB, true);
    focus = ::GetFocus();
    EXPECT_FALSE(::IsChild(*dialog_->PageView(), focus));

    // Tab inside the page moves within it.
    ::SetFocus(PageControl(IDC_HP_CHECK));
    Key(PageControl(IDC_HP_CHECK), VK_TAB);
    EXPECT_EQ(PageControl(IDC_HP_EDIT), ::GetFocus());
}

TEST_F(SettingsWindowKeys, EnterInAPageDoesNothingEscapeDestroysTheWindow) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    ClickCheckBox();
    ::SetFocus(PageControl(IDC_HP_EDIT));
    EXPECT_TRUE(Key(PageControl(IDC_HP_EDIT), VK_RETURN));
    PumpUntil([] { return false; }, 200);
    EXPECT_FALSE(Closed());
    EXPECT_EQ(0, state_->pages[0].sets);

    Key(PageControl(IDC_HP_EDIT), VK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return Closed(); }, kTimeout));
    // Escape goes without applying.
    EXPECT_EQ(0, state_->pages[0].sets);
}

TEST_F(SettingsWindowKeys, AltLetterOfAPageControlFromTheTreeReachesThePage) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    ::SetFocus(dialog_->Tree());
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_MENU] = 0x80;
    ::SetKeyboardState(keys);
    MSG msg = {dialog_->Tree(), WM_SYSKEYDOWN, 'Q', 0x20000000, 0, {}};
    EXPECT_TRUE(dialog_->PreTranslateMessage(&msg));
    keys[VK_MENU] = 0;
    ::SetKeyboardState(keys);
    EXPECT_TRUE(::IsChild(*dialog_->PageView(), ::GetFocus()));
    // A letter nobody owns stays with the window's own handling.
    ::SetFocus(dialog_->Tree());
    keys[VK_MENU] = 0x80;
    ::SetKeyboardState(keys);
    MSG other = {dialog_->Tree(), WM_SYSKEYDOWN, 'Z', 0x20000000, 0, {}};
    dialog_->PreTranslateMessage(&other);
    keys[VK_MENU] = 0;
    ::SetKeyboardState(keys);
    EXPECT_EQ(static_cast<HWND>(dialog_->Tree()), ::GetFocus());
}

// Searching the samples and the host test plug-in from the box above the tree.
class SettingsWindowSearch : public SettingsWindowKeys {
protected:
    void RegisterMorePlugins(HKEY plugins) override { RegisterSamples(plugins); }
    HWND Box() { return dialog_->SearchBox(); }
    void Type(const wchar_t* text) { ::SetWindowTextW(Box(), text); }
    // Every row of the tree in order, category rows marked by a leading "+" when they are open.
    std::vector<CStringW> Rows() {
        std::vector<CStringW> rows;
        HWND tree = dialog_->Tree();
        for (HTREEITEM category = TreeView_GetRoot(tree); category; category = TreeView_GetNextSibling(tree, category)) {
            bool open = (TreeView_GetItemState(tree, category, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
            rows.push_back((open ? L"+" : L"") + ostrel::TreeItemText(tree, category));
            for (HTREEITEM item = TreeView_GetChild(tree, category); item; item = TreeView_GetNextSibling(tree, item)) {
                rows.push_back(ostrel::TreeItemText(tree, item));
            }
        }
        return rows;
    }
    std::set<CStringW> Pages() {
        std::set<CStringW> pages;
        for (const CStringW& row : Rows()) {
            if (row[0] == L'+') continue;
            EXPECT_NE(L'\0', row[0]);
            pages.insert(row);
        }
        return pages;
    }
    CStringW SelectedText() { return ostrel::TreeItemText(dialog_->Tree(), TreeView_GetSelection(dialog_->Tree())); }
    // Enter in the box opens the best result; true once its page is shown and the focus is on control.
    bool Choose(const wchar_t* query, const wchar_t* page, int control) {
        Type(query);
        ::SetFocus(Box());
        Key(Box(), VK_RETURN);
        return WaitShown(page) && PumpUntil([&] { return ::GetFocus() == PageControl(control); }, kTimeout);
    }
};

TEST_F(SettingsWindowSearch, TypingNarrowsTheTreeToTheMatchingPagesWithTheirCategoriesOpen) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    const struct {
        const wchar_t* query;
        std::set<CStringW> pages;
    } cases[] = {
        {L"backlight", {L"Display and keyboard"}},     // a check box and the description
        {L"BLUETOOTH", {L"Wireless"}},
        {L"quiet", {L"Power", L"First page", L"Second page"}},  // a radio button; a check box with "&"
        {L"percent", {L"Battery indicator", L"Power"}},         // inside "percentage"
        {L"always on", {L"Display and keyboard"}},     // declared words only
        {L"host tests second", {L"Second page"}},     // every word, anywhere in the entry
    };
    for (const auto& c : cases) {
        Type(c.query);
        EXPECT_TRUE(dialog_->IsSearching());
        EXPECT_EQ(c.pages, Pages()) << c.query;
        for (const CStringW& row : Rows()) {
            if (!c.pages.count(row)) {
                EXPECT_EQ(L'+', row[0]) << c.query << ": " << row.GetString();
            }
        }
    }
    // Whole words and names first: "Power" by its name above the pages that only have "power" inside.
    Type(L"power");
    ASSERT_FALSE(Rows().empty());
    EXPECT_EQ(L"Power", Rows()[1]);
}

TEST_F(SettingsWindowSearch, AControlsTextOpensItsPageOnItsTabAndFocusesItWithoutChangingASetting) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    // On the keyboard tab, which is not the one shown first.
    ASSERT_TRUE(Choose(L"keyboard backlight", L"Display and keyboard", 1010));
    EXPECT_TRUE(::IsWindowVisible(PageControl(1010)));
    EXPECT_TRUE(dialog_->SearchMark().IsShown());
    // A label hands the focus to the control it names.
    ASSERT_TRUE(Choose(L"close the lid", L"Power", 1004));
    // A radio button that is not the checked one: the checked one takes the focus and nothing changes.
    Type(L"performance full speed");
    ::SetFocus(Box());
    Key(Box(), VK_RETURN);
    HWND focus = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (focus = ::GetFocus()) != Box() && ::IsChild(*dialog_->PageView(), focus); },
                          kTimeout));
    EXPECT_EQ(BST_CHECKED, ::SendMessageW(focus, BM_GETCHECK, 0, 0));
    EXPECT_FALSE(::IsWindowEnabled(dialog_->GetDlgItem(IDC_APPLY)));
}

TEST_F(SettingsWindowSearch, EmptyingTheBoxRestoresTheWholeTreeAndTheEarlierSelection) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    std::vector<CStringW> whole = Rows();
    Type(L"wireless");
    EXPECT_EQ((std::set<CStringW>{L"Wireless"}), Pages());
    ::SetFocus(Box());
    EXPECT_TRUE(Key(Box(), VK_ESCAPE));
    EXPECT_TRUE(dialog_->SearchBox().IsEmpty());
    EXPECT_FALSE(dialog_->IsSearching());
    EXPECT_EQ(whole, Rows());
    EXPECT_EQ(L"First page", SelectedText());
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(L"First page", Title());
    // Escape in the empty box is the window's again: it closes.
    Key(Box(), VK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return Closed(); }, kTimeout));
}

TEST_F(SettingsWindowSearch, KeysReachTheBoxAndTheResultsAndNoResultIsSaid) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    RECT box = {}, tree = {};
    ::GetWindowRect(Box(), &box);
    ::GetWindowRect(dialog_->Tree(), &tree);
    EXPECT_LE(box.bottom, tree.top);
    EXPECT_EQ(base::LoadResString(IDS_SEARCH_CUE), dialog_->SearchBox().CueText());

    ::SetFocus(dialog_->Tree());
    EXPECT_TRUE(Key(dialog_->Tree(), 'F', false, true));
    EXPECT_EQ(Box(), ::GetFocus());
    ::SetFocus(PageControl(IDC_HP_CHECK));
    EXPECT_TRUE(Key(PageControl(IDC_HP_CHECK), 'E', false, true));
    EXPECT_EQ(Box(), ::GetFocus());

    Type(L"zzqx");
    HWND none = dialog_->GetDlgItem(IDC_SEARCH_NO_RESULTS);
    EXPECT_TRUE(::IsWindowVisible(none));
    EXPECT_FALSE(::IsWindowVisible(dialog_->Tree()));
    wchar_t said[128] = {};
    ::GetWindowTextW(none, said, 128);
    EXPECT_EQ(base::LoadResString(IDS_SEARCH_NO_RESULTS), said);

    // Down passes into the results: the best one's page opens, marked, and the tree keeps the focus.
    Type(L"airplane");
    EXPECT_FALSE(::IsWindowVisible(none));
    EXPECT_TRUE(Key(Box(), VK_DOWN));
    EXPECT_EQ(static_cast<HWND>(dialog_->Tree()), ::GetFocus());
    EXPECT_EQ(L"Wireless", SelectedText());
    ASSERT_TRUE(WaitShown(L"Wireless"));
    EXPECT_TRUE(PumpUntil([&] { return dialog_->SearchMark().IsShown(); }, kTimeout));
    EXPECT_EQ(static_cast<HWND>(dialog_->Tree()), ::GetFocus());
}

// Opening and closing the window and switching through every page must not leak: the process's
// handle, GDI and USER object counts stay flat. OSTREL_STABILITY_CYCLES sets the number of rounds
// (500 for the long run; the suite does a few).
class SettingsWindowStability : public SettingsWindow {
protected:
    void RegisterMorePlugins(HKEY plugins) override { RegisterSamples(plugins); }
    struct Counts {
        DWORD handles = 0;
        DWORD gdi = 0;
        DWORD user = 0;
    };
    // Wine answers 0 to the counting calls; then the handle table is probed and the windows of this
    // process counted, which still shows a leak of handles or windows (GDI stays unmeasured there).
    static Counts Now() {
        Counts c;
        ::GetProcessHandleCount(::GetCurrentProcess(), &c.handles);
        c.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
        c.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
        if (c.handles == 0) {
            DWORD flags = 0;
            for (ULONG_PTR h = 4; h < 0x10000; h += 4) {
                if (::GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++c.handles;
            }
        }
        if (c.user == 0) {
            ::EnumWindows(
                [](HWND top, LPARAM lp) -> BOOL {
                    DWORD pid = 0;
                    ::GetWindowThreadProcessId(top, &pid);
                    if (pid != ::GetCurrentProcessId()) return TRUE;
                    auto* n = reinterpret_cast<DWORD*>(lp);
                    ++*n;
                    ::EnumChildWindows(top, [](HWND, LPARAM lp2) -> BOOL { return ++*reinterpret_cast<DWORD*>(lp2), TRUE; }, lp);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&c.user));
        }
        return c;
    }
    std::vector<CStringW> PageNames() {
        std::vector<CStringW> names;
        owner_->Catalogue().Walk([&](const CCatalogue::Entries& entries) {
            for (CRegisteredApplication* e : entries) {
                if (e->GetEntryType() == ENTRY_PLUGIN_PAGE && e->IsVisible()) names.push_back(e->m_strName);
            }
        });
        return names;
    }
    void OneRound(const std::vector<CStringW>& pages) {
        Open();
        ASSERT_TRUE(PumpUntil([&] { return !Title().IsEmpty(); }, kTimeout));
        for (const CStringW& page : pages) {
            if (Title() == page) continue;
            Select(page);
            ASSERT_TRUE(WaitShown(page)) << page.GetString();
        }
        dialog_->CloseDialog();
        ASSERT_TRUE(Closed());
        dialog_.reset();
    }
};

TEST_F(SettingsWindowStability, OpeningSwitchingAndClosingLeavesObjectCountsFlat) {
    int rounds = 4;
    if (const char* text = std::getenv("OSTREL_STABILITY_CYCLES")) rounds = std::atoi(text) > 1 ? std::atoi(text) : rounds;
    std::vector<CStringW> pages = PageNames();
    ASSERT_GE(pages.size(), 5u);
    // The first round loads what stays loaded (fonts, images, the plug-ins' own caches).
    OneRound(pages);
    Counts before = Now();
    for (int i = 1; i < rounds; ++i) OneRound(pages);
    Counts after = Now();
    std::printf("stability: %d rounds over %zu pages; handles %lu -> %lu, GDI %lu -> %lu, USER %lu -> %lu\n", rounds,
                pages.size(), before.handles, after.handles, before.gdi, after.gdi, before.user, after.user);
    // A leak of one object a round shows as a growth of the rounds' number; a little noise does not.
    EXPECT_LE(after.handles, before.handles + 8);
    EXPECT_LE(after.gdi, before.gdi + 8);
    EXPECT_LE(after.user, before.user + 8);
}

// In the pseudo-language every text of the module is bracketed, so a visible text without a bracket
// was written into the window from somewhere else.
class PseudoLanguageWindows : public StatusWindow {
protected:
    base::UniqueModule LoadResources() override {
        return base::UniqueModule(::LoadLibraryExW(testsupport::BinFile(L"qps-ploc\\Ostrel.exe.mui"), nullptr,
                                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    }
    static bool FromModule(const CStringW& text) { return text.IsEmpty() || text.Find(L'[') >= 0; }
    static CStringW Text(HWND window) {
        wchar_t text[1024] = {};
        ::GetWindowTextW(window, text, 1024);
        return text;
    }
    // The visible texts of the window and its descendants that did not come from the module.
    static std::vector<CStringW> ForeignTexts(HWND top) {
        std::vector<CStringW> foreign;
        EXPECT_TRUE(::IsWindowVisible(top));
        if (!FromModule(Text(top))) foreign.push_back(Text(top));
        ::EnumChildWindows(
            top,
            [](HWND child, LPARAM param) -> BOOL {
                CStringW text = Text(child);
                if (::IsWindowVisible(child) && !FromModule(text)) reinterpret_cast<std::vector<CStringW>*>(param)->push_back(text);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&foreign));
        return foreign;
    }
};

TEST_F(PseudoLanguageWindows, SettingsWindowSystemInformationAndAboutShowOnlyTextsOfTheModule) {
    ostrel_testing::UseSettingServices(nullptr);
    Open();
    ASSERT_TRUE(WaitShown(base::LoadResString(IDS_SYSINFO_NAME)));
    for (const CStringW& text : ForeignTexts(*dialog_)) ADD_FAILURE() << "settings window shows " << text.GetString();
    HWND tree = dialog_->Tree();
    for (HTREEITEM category = TreeView_GetRoot(tree); category; category = TreeView_GetNextSibling(tree, category)) {
        EXPECT_TRUE(FromModule(ostrel::TreeItemText(tree, category))) << ostrel::TreeItemText(tree, category).GetString();
    }
    CAboutDlg about;
    ASSERT_TRUE(about.Create(IDD_ABOUTBOX, nullptr));
    about.ShowWindow(SW_SHOW);
    for (const CStringW& text : ForeignTexts(about)) ADD_FAILURE() << "about box shows " << text.GetString();
}

TEST_F(PseudoLanguageWindows, StatusWindowShowsOnlyTextsOfTheModule) {
    OpenStatus();
    for (const CStringW& text : ForeignTexts(*status_)) ADD_FAILURE() << "status window shows " << text.GetString();
}

// ---- Keyboard, screen readers and high contrast -------------------------------------------------

// What a screen reader in another process read of one object (id 0) or one of its rows.
struct AccessibleRow {
    HWND window = nullptr;
    long id = 0;
    long role = 0;
    DWORD state = 0;
    CStringW name, value, action;
};

CStringW FromUtf8(const std::string& text) {
    int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    CStringW wide;
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.GetBufferSetLength(size), size);
    return wide;
}

// Runs the reader process over the windows while this thread keeps serving their messages.
// An action is "<window>/<child id>": the reader does that child's default action.
std::vector<AccessibleRow> ReadAccessible(std::initializer_list<HWND> windows, const CStringW& action = L"") {
    // Beside the programs: the profile's temporary folder may not exist in a fresh prefix.
    CStringW output = testsupport::BinFile(testsupport::UniqueName(L"access-read") + L".txt");
    CStringW command;
    command.Format(L"\"%s\" \"%s\"", testsupport::BinFile(L"access_reader.exe").GetString(), output.GetString());
    for (HWND window : windows) command.AppendFormat(L" %llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    if (!action.IsEmpty()) command += L" " + action;
    testsupport::ChildProcess reader(command);
    EXPECT_TRUE(reader.Started());
    DWORD code = 99;
    EXPECT_TRUE(PumpUntil([&] { return reader.WaitExit(0, &code); }, kTimeout));
    EXPECT_EQ(0u, code) << "windows the reader could not open: " << command.GetString();
    std::vector<AccessibleRow> rows;
    std::string text = testsupport::ReadTextFile(output);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::vector<std::string> fields;
        std::string line = text.substr(start, end - start);
        for (size_t from = 0;;) {
            size_t tab = line.find('\t', from);
            fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
            if (tab == std::string::npos) break;
            from = tab + 1;
        }
        if (fields.size() != 7) continue;
        AccessibleRow row;
        row.window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::stoull(fields[0], nullptr, 16)));
        row.id = std::stol(fields[1]);
        row.role = std::stol(fields[2]);
        row.state = static_cast<DWORD>(std::stoul(fields[3], nullptr, 16));
        row.name = FromUtf8(fields[4]);
        row.value = FromUtf8(fields[5]);
        row.action = FromUtf8(fields[6]);
        rows.push_back(row);
    }
    ::DeleteFileW(output);
    return rows;
}

std::vector<AccessibleRow> RowsOf(const std::vector<AccessibleRow>& rows, HWND window) {
    std::vector<AccessibleRow> of;
    for (const AccessibleRow& row : rows) {
        if (row.window == window) of.push_back(row);
    }
    return of;
}

// Controls a person operates that the keyboard cannot reach: not a tab stop (a radio button counts
// through the first of its group), or, with mnemonics asked for, no Alt+letter that leads to it (its
// own text, or a label or group box just before it).
std::vector<CStringW> KeyboardGaps(HWND dialog, bool mnemonics) {
    std::vector<CStringW> gaps;
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        wchar_t cls[64] = {};
        ::GetClassNameW(control, cls, 64);
        LONG style = ::GetWindowLongW(control, GWL_STYLE);
        LONG type = style & BS_TYPEMASK;
        bool button = !_wcsicmp(cls, L"Button");
        bool label = (!_wcsicmp(cls, L"Static") && !(style & SS_NOTIFY)) || (button && type == BS_GROUPBOX);
        int id = ::GetDlgCtrlID(control);
        // A child dialog (the page's scroll view) only holds controls; the page is checked on its own.
        if (label || !_wcsicmp(cls, L"ScrollBar") || !wcscmp(cls, L"#32770") || id == IDOK || id == IDCANCEL || id == IDC_OK) continue;
        bool radio = button && (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON);
        HWND leader = control;
        while (radio && !(::GetWindowLongW(leader, GWL_STYLE) & WS_GROUP) && ::GetWindow(leader, GW_HWNDPREV)) {
            leader = ::GetWindow(leader, GW_HWNDPREV);
        }
        CStringW what;
        what.Format(L"control %d (%s)", id, cls);
        if (!(::GetWindowLongW(leader, GWL_STYLE) & WS_TABSTOP)) gaps.push_back(what + L": no tab stop");
        if (!mnemonics || !_wcsicmp(cls, WC_TABCONTROLW)) continue;
        auto hasMnemonic = [](HWND window) {
            wchar_t text[256] = {};
            ::GetWindowTextW(window, text, 256);
            for (const wchar_t* p = wcschr(text, L'&'); p && p[1]; p = wcschr(p + 2, L'&')) {
                if (p[1] != L'&') return true;
            }
            return false;
        };
        bool reached = button && hasMnemonic(control);
        for (HWND before = ::GetWindow(control, GW_HWNDPREV); !button && before && !reached;
             before = ::GetWindow(before, GW_HWNDPREV)) {
            wchar_t beforeClass[64] = {};
            ::GetClassNameW(before, beforeClass, 64);
            LONG beforeStyle = ::GetWindowLongW(before, GWL_STYLE);
            bool isLabel = (!_wcsicmp(beforeClass, L"Static") && !(beforeStyle & SS_NOPREFIX)) ||
                           (!_wcsicmp(beforeClass, L"Button") && (beforeStyle & BS_TYPEMASK) == BS_GROUPBOX);
            if (isLabel) reached = hasMnemonic(before);
            if (!isLabel && _wcsicmp(beforeClass, L"Static")) break;
        }
        if (!reached) gaps.push_back(what + L": no mnemonic");
    }
    return gaps;
}

TEST(DialogKeyboard, EveryControlOfTheSamplePagesAndProgramDialogsIsReachable) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    struct {
        const wchar_t* module;
        int dialog;
    } dialogs[] = {
        {L"MinimalPlugin.dll", 100},          {L"OstrelDisplayKeyboard.dll", 100}, {L"OstrelDisplayKeyboard.dll", 101},
        {L"OstrelPowerWireless.dll", 100},    {L"OstrelPowerWireless.dll", 101},   {L"en-US\\Ostrel.exe.mui", IDD_SYSTEM_INFO},
        {L"en-US\\Ostrel.exe.mui", IDD_ABOUTBOX},
    };
    HWND host = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 600, nullptr, nullptr, nullptr, nullptr);
    for (const auto& d : dialogs) {
        base::UniqueModule module(::LoadLibraryExW(testsupport::BinFile(d.module), nullptr,
                                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(module.valid()) << CStringW(d.module).GetString();
        HWND dialog = ::CreateDialogParamW(module.get(), MAKEINTRESOURCEW(d.dialog), host,
                                           [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        ASSERT_NE(nullptr, dialog) << CStringW(d.module).GetString() << " " << d.dialog;
        for (const CStringW& gap : KeyboardGaps(dialog, true)) {
            ADD_FAILURE() << CStringW(d.module).GetString() << " dialog " << d.dialog << ": " << gap.GetString();
        }
        ::DestroyWindow(dialog);
    }
    ::DestroyWindow(host);
}

TEST_F(SettingsWindow, AnotherProcessReadsTheTreeRowsTitleAndHelpButton) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    HWND tree = dialog_->Tree();
    ::SetFocus(tree);
    HWND help = dialog_->GetDlgItem(IDC_HELP_BUTTON);
    HWND title = dialog_->GetDlgItem(IDC_TITLE);
    // The help button shows only for entries with help, but a reader may still come across it.
    for (const CStringW& gap : KeyboardGaps(*dialog_, false)) ADD_FAILURE() << gap.GetString();
    auto rows = ReadAccessible({tree, help, title});

    auto treeRows = RowsOf(rows, tree);
    ASSERT_EQ(static_cast<size_t>(TreeView_GetCount(tree)) + 1, treeRows.size());
    EXPECT_EQ(ROLE_SYSTEM_OUTLINE, treeRows[0].role);
    size_t next = 1;
    int expanded = 0, collapsed = 0;
    for (HTREEITEM category = TreeView_GetRoot(tree); category; category = TreeView_GetNextSibling(tree, category)) {
        const AccessibleRow& row = treeRows[next++];
        bool open = (TreeView_GetItemState(tree, category, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
        (open ? expanded : collapsed)++;
        EXPECT_EQ(ROLE_SYSTEM_OUTLINEITEM, row.role);
        EXPECT_STREQ(ostrel::TreeItemText(tree, category), row.name);
        EXPECT_STREQ(L"1", row.value);
        EXPECT_EQ(open ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED,
                  row.state & (STATE_SYSTEM_EXPANDED | STATE_SYSTEM_COLLAPSED));
        EXPECT_STREQ(base::LoadResString(open ? IDS_ACTION_COLLAPSE : IDS_ACTION_EXPAND), row.action);
        for (HTREEITEM item = TreeView_GetChild(tree, category); item; item = TreeView_GetNextSibling(tree, item)) {
            const AccessibleRow& entry = treeRows[next++];
            EXPECT_STREQ(ostrel::TreeItemText(tree, item), entry.name);
            EXPECT_STREQ(L"2", entry.value);
            EXPECT_EQ(open ? 0u : static_cast<DWORD>(STATE_SYSTEM_INVISIBLE), entry.state & STATE_SYSTEM_INVISIBLE);
            bool selected = item == TreeView_GetSelection(tree);
            EXPECT_EQ(selected ? static_cast<DWORD>(STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED) : 0u,
                      entry.state & (STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED))
                << CStringW(entry.name).GetString();
            if (selected) {
                EXPECT_STREQ(L"First page", entry.name);
            }
        }
    }
    EXPECT_GT(expanded, 0);
    EXPECT_GT(collapsed, 0);

    // A reader's default action on a closed category opens it.
    HTREEITEM closed = TreeView_GetRoot(tree);
    while (closed && (TreeView_GetItemState(tree, closed, TVIS_EXPANDED) & TVIS_EXPANDED)) closed = TreeView_GetNextSibling(tree, closed);
    ASSERT_NE(nullptr, closed);
    CStringW action;
    action.Format(L"%llx/%ld", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(tree)), ostrel::TreeChildId(tree, closed));
    ReadAccessible({}, action);
    EXPECT_TRUE(TreeView_GetItemState(tree, closed, TVIS_EXPANDED) & TVIS_EXPANDED);

    auto helpRows = RowsOf(rows, help);
    ASSERT_FALSE(helpRows.empty());
    EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, helpRows[0].role);
    EXPECT_STREQ(base::LoadResString(IDS_HELP_BUTTON_NAME), helpRows[0].name);
    EXPECT_STREQ(base::LoadResString(IDS_ACTION_PRESS), helpRows[0].action);
    auto titleRows = RowsOf(rows, title);
    ASSERT_FALSE(titleRows.empty());
    EXPECT_EQ(ROLE_SYSTEM_STATICTEXT, titleRows[0].role);
    EXPECT_STREQ(L"First page", titleRows[0].name);
}

TEST_F(SettingsWindow, HighContrastDrawsTheTreeTitleAndPageInTheSystemColours) {
    Open(HP_FIRST_CLASS_ID);
    ASSERT_TRUE(WaitShown(L"First page"));
    CNewTreeCtrl& tree = dialog_->Tree();
    ::SetFocus(tree);
    HTREEITEM selected = TreeView_GetSelection(tree);
    RECT row = {}, client = {};
    ASSERT_TRUE(tree.RowRect(selected, &row));
    ::GetClientRect(tree, &client);
    auto treePixel = [&](int x, int y) { return testsupport::PaintedPixel(tree, [&](HDC dc) { tree.PaintRows(dc); }, x, y); };
    base::UniqueDc dc(::CreateCompatibleDC(nullptr));
    auto colours = [&](HWND window, HWND control) {
        auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                                             reinterpret_cast<LPARAM>(control)));
        LOGBRUSH fill = {};
        ::GetObjectW(brush, sizeof(fill), &fill);
        return std::make_pair(fill.lbColor, ::GetTextColor(dc.get()));
    };
    EXPECT_EQ(RGB(185, 218, 252), treePixel(row.right - 6, (row.top + row.bottom) / 2));
    EXPECT_EQ(RGB(0, 51, 153), colours(*dialog_, dialog_->GetDlgItem(IDC_TITLE)).second);
    {
        apptest::HighContrastScheme scheme;
        ::SendMessageW(*dialog_, WM_SYSCOLORCHANGE, 0, 0);
        EXPECT_EQ(apptest::HighContrastScheme::kWindow, treePixel(client.right - 2, client.bottom - 2));
        EXPECT_EQ(apptest::HighContrastScheme::kHighlight, treePixel(row.right - 6, (row.top + row.bottom) / 2));
        auto title = colours(*dialog_, dialog_->GetDlgItem(IDC_TITLE));
        EXPECT_EQ(apptest::HighContrastScheme::kWindow, title.first);
        EXPECT_EQ(apptest::HighContrastScheme::kWindowText, title.second);
        auto page = colours(*dialog_->PageView(), PageControl(IDC_HP_CHECK));
        EXPECT_EQ(apptest::HighContrastScheme::kWindow, page.first);
        EXPECT_EQ(apptest::HighContrastScheme::kWindowText, page.second);
    }
    ::SendMessageW(*dialog_, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(RGB(185, 218, 252), treePixel(row.right - 6, (row.top + row.bottom) / 2));
    EXPECT_EQ(RGB(0, 51, 153), colours(*dialog_, dialog_->GetDlgItem(IDC_TITLE)).second);
}

TEST_F(StatusWindow, ListsAreNamedByTheirCaptionsAndReachedByKeyboard) {
    OpenStatus();
    for (const CStringW& gap : KeyboardGaps(*status_, true)) ADD_FAILURE() << gap.GetString();
    HWND lists[3] = {status_->ListOfCategory(0), status_->ListOfCategory(1), status_->ListOfCategory(2)};
    // Tab into a list shows the focus on its first row without choosing it.
    ::SetFocus(lists[0]);
    EXPECT_EQ(0, ListView_GetNextItem(lists[0], -1, LVNI_FOCUSED));
    EXPECT_EQ(-1, ListView_GetNextItem(lists[0], -1, LVNI_SELECTED));
    EXPECT_EQ(lists[0], ::GetFocus());
    auto rows = ReadAccessible({lists[0], lists[1], lists[2]});
    for (int category = 0; category < 3; ++category) {
        auto own = RowsOf(rows, lists[category]);
        ASSERT_FALSE(own.empty()) << category;
        EXPECT_EQ(ROLE_SYSTEM_LIST, own[0].role);
        EXPECT_STREQ(ostrel::TextWithoutMnemonic(base::LoadResString(IDS_STATUS_CAPTION_FIRST + category)), own[0].name);
    }
    // In high contrast the lists take the scheme's colours when the window hands the change on.
    apptest::HighContrastScheme scheme;
    ::SendMessageW(*status_, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(apptest::HighContrastScheme::kWindow, ListView_GetBkColor(lists[0]));
    EXPECT_EQ(apptest::HighContrastScheme::kWindowText, ListView_GetTextColor(lists[0]));
}

}  // namespace
