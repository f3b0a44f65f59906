// The plug-in contract and the page protocol, driven through a plug-in DLL loaded as the host loads
// it and a page dialog created from the plug-in's own template.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fake_settory.h"
#include "page_host.h"
#include "plugwerk/changed_items.h"
#include "plugwerk/testplugin/test_plugin_api.h"
#include "testing.h"

namespace {

using pwtest::HostedPage;
using pwtest::ScopedFakeService;

// The plug-in loaded by name and its descriptor made by its factory, as the host does it.
class LoadedPlugin {
public:
    LoadedPlugin() : module_(::LoadLibraryW(L"PlugwerkTestPlugin.dll")) {
        if (!module_) return;
        factory_ = reinterpret_cast<PlugwerkFactory>(::GetProcAddress(module_.get(), PLUGWERK_FACTORY_NAME));
        auto stateFn = reinterpret_cast<TestPluginStateFn>(::GetProcAddress(module_.get(), TP_STATE_EXPORT));
        state_ = stateFn ? stateFn() : nullptr;
        if (state_) {
            *state_ = TestPluginState{};
            state_->canShow = 1;
        }
    }
    ~LoadedPlugin() { delete desc_; }

    // Separate from construction so a test can prepare the service before items read their defaults.
    ClassDesc* Create() {
        desc_ = factory_ ? factory_(nullptr) : nullptr;
        return desc_;
    }
    HINSTANCE Module() const { return module_.get(); }
    PlugwerkFactory Factory() const { return factory_; }
    TestPluginState& State() { return *state_; }
    PluginClass* Page() { return desc_ ? desc_->GetClasses(0) : nullptr; }

private:
    base::UniqueModule module_;
    PlugwerkFactory factory_ = nullptr;
    TestPluginState* state_ = nullptr;
    ClassDesc* desc_ = nullptr;
};

std::wstring Log(LoadedPlugin& plugin) { return plugin.State().log; }
void ClearLog(LoadedPlugin& plugin) { plugin.State().log[0] = L'\0'; }

void SeedDefaults(pwtest::FakeSettory& fake) {
    fake.defaults[{TP_CLASS_ID, TP_CHECK}] = L"0";
    fake.defaults[{TP_CLASS_ID, TP_SLIDER}] = L"3";
    fake.defaults[{TP_CLASS_ID, TP_COMBO}] = L"1";
    fake.defaults[{TP_CLASS_ID, TP_RADIO}] = L"2";
    fake.current[{TP_CLASS_ID, TP_SLIDER}] = L"7";
}

TEST(PluginContract, FactoryIsFoundByItsUndecoratedNameAndDescribesThePages) {
    pwtest::ScopedNoService none;
    LoadedPlugin plugin;
    ASSERT_NE(plugin.Factory(), nullptr);
    ClassDesc* desc = plugin.Create();
    ASSERT_NE(desc, nullptr);
    // The page without a dialog template was refused.
    EXPECT_EQ(desc->GetClassCount(), 2);
    EXPECT_EQ(desc->GetClasses(2), nullptr);
    EXPECT_EQ(desc->GetInstance(), plugin.Module());

    PluginClass* page = desc->GetClasses(0);
    EXPECT_EQ(page->GetIDD(), static_cast<unsigned>(IDD_TP_PAGE));
    EXPECT_EQ(page->GetName(), static_cast<unsigned>(IDS_TP_NAME));
    EXPECT_EQ(page->GetIcon(), static_cast<unsigned>(IDI_TP_PAGE));
    EXPECT_EQ(page->GetCategory(), 3u);
    wchar_t id[PLUGWERK_ID_CHARS] = {};
    page->GetClassID(id);
    EXPECT_STREQ(id, TP_CLASS_ID);
    wchar_t path[PLUGWERK_PATH_CHARS] = {}, option[PLUGWERK_ID_CHARS] = {}, folder[PLUGWERK_ID_CHARS] = {};
    page->GetStartItem(path, option, folder);
    EXPECT_STREQ(path, L"C:\\Tools\\tp.exe");
    EXPECT_STREQ(option, L"/x");
    EXPECT_STREQ(folder, L"C:\\Tools");
    page->GetStartItem(nullptr, option, nullptr);  // null buffers are skipped
    unsigned help1 = 0, help2 = 0;
    page->GetHelpItem(path, help1, help2);
    EXPECT_STREQ(path, L"C:\\Help\\tp.chm");
    EXPECT_EQ(help1, 7u);
    EXPECT_EQ(help2, 9u);
    EXPECT_EQ(page->InitClass(), 0);
    EXPECT_EQ(page->GetSettingItemListCount(), 5);
    EXPECT_NE(page->GetSettingItem(IDC_TP_SLIDER), nullptr);
    EXPECT_EQ(page->GetSettingItem(IDC_TP_RADIO + 1), nullptr);  // only an item's first control counts
    // Check box, combo box, slider and radio buttons are settable.
    EXPECT_EQ(page->IsCanSet(), 1);
}

TEST(PluginContract, LongStringsAreCutToTheCallersBuffersAndTerminated) {
    pwtest::ScopedNoService none;
    LoadedPlugin plugin;
    ClassDesc* desc = plugin.Create();
    ASSERT_NE(desc, nullptr);
    PluginClass* page = desc->GetClasses(1);
    ASSERT_NE(page, nullptr);
    const size_t kGuard = 16;
    struct Case {
        const char* what;
        size_t capacity;
        std::function<void(wchar_t*)> fill;
    };
    unsigned o1, o2;
    wchar_t scratchA[PLUGWERK_PATH_CHARS], scratchB[PLUGWERK_ID_CHARS];
    const Case cases[] = {
        {"class id", PLUGWERK_ID_CHARS, [&](wchar_t* b) { page->GetClassID(b); }},
        {"resource path", PLUGWERK_PATH_CHARS, [&](wchar_t* b) { page->GetResPath(b); }},
        {"start path", PLUGWERK_PATH_CHARS, [&](wchar_t* b) { page->GetStartItem(b, scratchB, scratchB); }},
        {"start option", PLUGWERK_ID_CHARS, [&](wchar_t* b) { page->GetStartItem(scratchA, b, nullptr); }},
        {"start folder", PLUGWERK_ID_CHARS, [&](wchar_t* b) { page->GetStartItem(nullptr, nullptr, b); }},
        {"help path", PLUGWERK_PATH_CHARS, [&](wchar_t* b) { page->GetHelpItem(b, o1, o2); }},
    };
    for (const Case& c : cases) {
        std::wstring buffer(c.capacity + kGuard, L'#');
        c.fill(&buffer[0]);
        EXPECT_EQ(wcslen(buffer.c_str()), c.capacity - 1) << c.what;
        EXPECT_EQ(buffer.substr(c.capacity), std::wstring(kGuard, L'#')) << c.what << ": written past the buffer";
    }
}

TEST(PageProtocol, InitialisationTakesDefaultThenStoredValueAndBringsTheSystemInLine) {
    ScopedFakeService service;
    SeedDefaults(service.fake);
    LoadedPlugin plugin;
    // The slider's hardware holds 5 while 7 is stored; the check box's hardware agrees with its default.
    plugin.State().options[TP_SLIDER] = {0, 0, 0, 0, 1, 5, 0};
    plugin.State().options[TP_CHECK] = {0, 0, 0, 0, 1, 0, 0};
    ASSERT_NE(plugin.Create(), nullptr);
    // Defaults are read at registration, before any page exists.
    EXPECT_EQ(service.fake.CountCalls(L"GetDefaultValue "), 4u);
    EXPECT_EQ(service.fake.CountCalls(L"GetCurrentValue"), 0u);

    HostedPage host(plugin.Module(), plugin.Page());
    ASSERT_NE(host.Window(), nullptr);
    EXPECT_EQ(host.BindResult(), 0);
    EXPECT_EQ(service.fake.CountCalls(L"GetCurrentValue "), 4u);
    EXPECT_EQ(Log(plugin), L"Set2=7;");
    EXPECT_EQ(plugin.State().options[TP_SLIDER].systemValue, 7);
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_SLIDER), TBM_GETPOS, 0, 0), 7);
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_CHECK), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_RADIO + 2), BM_GETCHECK, 0, 0), BST_CHECKED);
    // The combo box fills itself on the first timer tick after initialisation.
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_COMBO), CB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(testsupport::PumpUntil([&] { return ::SendMessageW(host.Control(IDC_TP_COMBO), CB_GETCOUNT, 0, 0) == 3; }, 2000));
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_COMBO), CB_GETCURSEL, 0, 0), 1);
    EXPECT_FALSE(plugin.Page()->IsModified());
    EXPECT_EQ(plugin.Page()->IsDefault(), 0);
}

TEST(PageProtocol, ApplyStartsCommitsAndStoresEveryModifiedItem) {
    ScopedFakeService service;
    SeedDefaults(service.fake);
    LoadedPlugin plugin;
    ASSERT_NE(plugin.Create(), nullptr);
    HostedPage host(plugin.Module(), plugin.Page());
    ClearLog(plugin);

    host.Click(IDC_TP_CHECK);
    EXPECT_EQ(host.ValueChanges(), 1);
    EXPECT_TRUE(plugin.Page()->IsModified());
    EXPECT_EQ(host.Apply(), 0);
    EXPECT_EQ(Log(plugin), L"Change1=1;Start1=1;Set1=1;End1=1;");
    EXPECT_EQ(service.fake.updates, 1);
    EXPECT_EQ((service.fake.current[{TP_CLASS_ID, TP_CHECK}]), L"1");
    EXPECT_EQ(plugin.State().options[TP_CHECK].systemValue, 1);
    EXPECT_FALSE(plugin.Page()->IsModified());
    // Unmodified items were not asked.
    EXPECT_EQ(service.fake.CountCalls(L"SetCurrentValue "), 1u);
}

TEST(PageProtocol, LockedSettingShowsDisabledUnderTheManagedLine_AndApplyNeverStoresIt) {
    ScopedFakeService service;
    SeedDefaults(service.fake);
    service.fake.locks[{TP_CLASS_ID, TP_SLIDER}] = 1;
    service.fake.current[{TP_CLASS_ID, TP_SLIDER}] = L"9";  // the policy's value, as the service answers it
    LoadedPlugin plugin;
    ASSERT_NE(plugin.Create(), nullptr);
    {
        // The framework asks the service only about classes that have a policy key on the machine.
        testsupport::ScopedPolicy policy(TP_CLASS_ID);
        ASSERT_TRUE(policy.SetNumber(HKEY_LOCAL_MACHINE, TP_SLIDER, 9));
        HostedPage host(plugin.Module(), plugin.Page());
        EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_SLIDER), TBM_GETPOS, 0, 0), 9);
        EXPECT_FALSE(::IsWindowEnabled(host.Control(IDC_TP_SLIDER)));
        EXPECT_TRUE(::IsWindowEnabled(host.Control(IDC_TP_CHECK)));
        HWND line = host.Control(0x7FF0);
        ASSERT_NE(line, nullptr);
        EXPECT_TRUE(::GetWindowLongW(line, GWL_STYLE) & WS_VISIBLE);
        wchar_t text[200] = {};
        ::GetWindowTextW(line, text, ARRAYSIZE(text));
        EXPECT_NE(std::wstring(text).find(L"managed by your organization"), std::wstring::npos);
        RECT lineRect = {}, sliderRect = {};
        ::GetWindowRect(line, &lineRect);
        ::GetWindowRect(host.Control(IDC_TP_SLIDER), &sliderRect);
        EXPECT_GE(lineRect.top, sliderRect.bottom) << "the line is drawn over no control";

        // A plug-in that still reports a change of the locked setting: Apply leaves its stored value alone.
        ::SendMessageW(host.Control(IDC_TP_SLIDER), TBM_SETPOS, TRUE, 4);
        plugin.Page()->WndFunc(WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(host.Control(IDC_TP_SLIDER)));
        host.Click(IDC_TP_CHECK);
        EXPECT_EQ(host.Apply(), 0);
        EXPECT_EQ(service.fake.CountCalls(L"SetCurrentValue "), 1u) << "only the check box";
        EXPECT_EQ((service.fake.current[{TP_CLASS_ID, TP_SLIDER}]), L"9");
    }
    service.fake.locks.clear();
    service.fake.lockQuestions = 0;
    HostedPage unlocked(plugin.Module(), plugin.Page());
    EXPECT_EQ(0, service.fake.lockQuestions) << "no policy key, no question";
    EXPECT_TRUE(::IsWindowEnabled(unlocked.Control(IDC_TP_SLIDER)));
    EXPECT_FALSE(::GetWindowLongW(unlocked.Control(0x7FF0), GWL_STYLE) & WS_VISIBLE);
}

TEST(PageProtocol, StartRefusalRollsBackWithoutWritingAndReports5) {
    ScopedFakeService service;
    SeedDefaults(service.fake);
    LoadedPlugin plugin;
    plugin.State().options[TP_RADIO].refuseStart = 1;
    ASSERT_NE(plugin.Create(), nullptr);
    HostedPage host(plugin.Module(), plugin.Page());
    ClearLog(plugin);

    host.Click(IDC_TP_CHECK);
    host.Click(IDC_TP_RADIO);
    EXPECT_EQ(host.Apply(), PW_REFUSED);
    EXPECT_EQ(Log(plugin), L"Change1=1;Change4=0;Start1=1;Start4=0;");
    EXPECT_EQ(service.fake.CountCalls(L"SetCurrentValue"), 0u);
    EXPECT_EQ(service.fake.updates, 0);
    EXPECT_FALSE(plugin.Page()->IsModified());
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_CHECK), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_RADIO + 2), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_RADIO), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST(PageProtocol, CommitFailureRollsBackEveryModifiedItemWritesAgainAndReports2) {
    ScopedFakeService service;
    SeedDefaults(service.fake);
    LoadedPlugin plugin;
    plugin.State().options[TP_SLIDER].failSet = 1;
    ASSERT_NE(plugin.Create(), nullptr);
    HostedPage host(plugin.Module(), plugin.Page());
    ClearLog(plugin);

    host.Click(IDC_TP_CHECK);
    ::SendMessageW(host.Control(IDC_TP_SLIDER), TBM_SETPOS, TRUE, 9);
    plugin.Page()->WndFunc(WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(host.Control(IDC_TP_SLIDER)));
    EXPECT_EQ(host.ValueChanges(), 2);
    EXPECT_EQ(host.Apply(), PW_FAILED);
    // The check box committed before the slider failed; both take back their applied values and write
    // them again, to the store's pending list and to the system.
    EXPECT_EQ(Log(plugin), L"Change1=1;Change2=9;Start1=1;Start2=9;Set1=1;Set2=9;Set1=0;Set2=7;");
    ASSERT_EQ(service.fake.pending.size(), 4u);
    EXPECT_EQ(service.fake.Pending(0), L"1=1");
    EXPECT_EQ(service.fake.Pending(1), L"2=9");
    EXPECT_EQ(service.fake.Pending(2), L"1=0");
    EXPECT_EQ(service.fake.Pending(3), L"2=7");
    EXPECT_EQ(service.fake.updates, 0);
    EXPECT_EQ(plugin.State().options[TP_CHECK].systemValue, 0);
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_CHECK), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_SLIDER), TBM_GETPOS, 0, 0), 7);
    EXPECT_FALSE(plugin.Page()->IsModified());
}

TEST(PageProtocol, StoreFailureAfterCommitRollsBackInsteadOfReportingSuccess) {
    ScopedFakeService service;
    SeedDefaults(service.fake);
    service.fake.updateResult = 9;  // write mutex not obtained
    LoadedPlugin plugin;
    ASSERT_NE(plugin.Create(), nullptr);
    HostedPage host(plugin.Module(), plugin.Page());
    ClearLog(plugin);

    host.Click(IDC_TP_CHECK);
    EXPECT_EQ(host.Apply(), PW_FAILED);
    EXPECT_EQ(Log(plugin), L"Change1=1;Start1=1;Set1=1;Set1=0;");
    EXPECT_EQ(plugin.State().options[TP_CHECK].systemValue, 0);
    EXPECT_FALSE(plugin.Page()->IsModified());
}

TEST(PageProtocol, ExceptionsThrownByThePlugInAreTakenAsFailure) {
    ScopedFakeService service;
    SeedDefaults(service.fake);
    LoadedPlugin plugin;
    plugin.State().options[TP_CHECK].throwIn = 1;
    plugin.State().throwInCanShow = 1;
    ASSERT_NE(plugin.Create(), nullptr);
    EXPECT_FALSE(plugin.Page()->IsShow());
    HostedPage host(plugin.Module(), plugin.Page());  // the option's Get throws during initialisation
    host.Click(IDC_TP_CHECK);
    EXPECT_EQ(host.Apply(), PW_FAILED);  // and its Set throws during the commit
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_CHECK), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST(PageProtocol, CommandsCancelAndDestroy) {
    ScopedFakeService service;
    SeedDefaults(service.fake);
    LoadedPlugin plugin;
    plugin.State().buttonResult = 2;
    ASSERT_NE(plugin.Create(), nullptr);
    HostedPage host(plugin.Module(), plugin.Page());
    ClearLog(plugin);

    EXPECT_EQ(host.Command(IDC_TP_BUTTON, BN_CLICKED), 2);
    EXPECT_EQ(host.Command(IDC_TP_BUTTON, BN_DOUBLECLICKED), 1);

    host.Click(IDC_TP_CHECK);
    plugin.Page()->WndFunc(PWM_CANCEL, 0, 0);
    EXPECT_FALSE(plugin.Page()->IsModified());
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_CHECK), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(Log(plugin), L"Change1=1;");  // rolled back without writing

    host.Click(IDC_TP_CHECK);
    EXPECT_TRUE(plugin.Page()->IsModified());
    EXPECT_NE(plugin.Page()->WndFunc(WM_DESTROY, 0, 0), PW_LOCK_BUSY);
    EXPECT_FALSE(plugin.Page()->IsModified());

    // Reset to defaults: the check box goes back to its default 0 and counts as a change.
    host.Click(IDC_TP_CHECK);
    plugin.Page()->WndFunc(PWM_APPLY, 0, 0);
    plugin.Page()->WndFunc(PWM_RESET_DEFAULT, 0, 0);
    EXPECT_TRUE(plugin.Page()->IsModified());
    EXPECT_EQ(::SendMessageW(host.Control(IDC_TP_CHECK), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

// What the host marks as differing from the defaults: the stored values while the page has no window,
// the values its controls hold while it has one.
TEST(PageProtocol, ChangedItemsAreTheStoredValuesWithoutAWindowAndTheShownOnesWithIt) {
    ScopedFakeService service;
    SeedDefaults(service.fake);
    LoadedPlugin plugin;
    ASSERT_NE(plugin.Create(), nullptr);
    PluginClass* page = plugin.Page();
    SettingItem* check = page->GetSettingItem(IDC_TP_CHECK);
    SettingItem* slider = page->GetSettingItem(IDC_TP_SLIDER);
    SettingItem* found[4] = {};
    EXPECT_EQ(PlugwerkChangedItems(nullptr, found, 4), -1);
    ASSERT_EQ(PlugwerkChangedItems(page, found, 4), 1);
    EXPECT_EQ(found[0], slider);
    service.fake.current[{TP_CLASS_ID, TP_CHECK}] = L"1";  // stored meanwhile by another client
    EXPECT_EQ(PlugwerkChangedItems(page, nullptr, 0), 2);
    {
        HostedPage host(plugin.Module(), page);
        // More items than room: the first ones in registration order, and the full count.
        EXPECT_EQ(PlugwerkChangedItems(page, found, 1), 2);
        EXPECT_EQ(found[0], check);
        host.Click(IDC_TP_CHECK);  // back at its default, not applied yet
        ASSERT_EQ(PlugwerkChangedItems(page, found, 4), 1);
        EXPECT_EQ(found[0], slider);
        EXPECT_EQ(host.Apply(), 0);
        page->WndFunc(PWM_RESET_DEFAULT, 0, 0);
        EXPECT_EQ(PlugwerkChangedItems(page, nullptr, 0), 0);
        page->WndFunc(PWM_CANCEL, 0, 0);  // the slider shows its applied 7 again
        EXPECT_EQ(PlugwerkChangedItems(page, nullptr, 0), 1);
    }
    // Without its window again the store decides; it holds what the apply stored.
    EXPECT_EQ((service.fake.current[{TP_CLASS_ID, TP_CHECK}]), L"0");
    EXPECT_EQ(PlugwerkChangedItems(page, nullptr, 0), 1);
}

TEST(PageBasics, PageWithoutItems) {
    pwtest::OpenPage<> page(1);
    EXPECT_EQ(page.BindClassWnd(nullptr), PW_NOT_POSSIBLE);
    EXPECT_EQ(page.GetSafeHwnd(), nullptr);
    EXPECT_EQ(page.MessageBoxW(L"never shown", MB_OK), PW_NOT_POSSIBLE);
    HWND window = ::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(page.BindClassWnd(window), PW_NOT_POSSIBLE);
    EXPECT_EQ(page.GetSafeHwnd(), window);
    EXPECT_FALSE(page.IsModified());
    EXPECT_EQ(page.IsCanSet(), 0);
    EXPECT_EQ(page.IsDefault(), PW_NO_DEFAULT);
    EXPECT_EQ(page.WndFunc(PWM_APPLY, 0, 0), PW_NOT_POSSIBLE);
    page.onMessage = [](UINT message, WPARAM, LPARAM) { return message == PWM_APPLY ? 42L : PW_NOT_HANDLED; };
    EXPECT_EQ(page.WndFunc(PWM_APPLY, 0, 0), 42);
    ::DestroyWindow(window);
}

class MinimalStatus : public StatusItem {
public:
    explicit MinimalStatus(int name) : StatusItem(name, 0, 0, nullptr) {}
    long OnInitItem() override { return 0; }
    long RegisterEvent() override { return 0; }
    long UnRegisterEvent() override { return 0; }
};

TEST(PageBasics, StatusCursorGivesNullOnceAfterTheLastItemThenStartsAgain) {
    pwtest::OpenPage<> page(1);
    auto* first = new MinimalStatus(1);
    auto* second = new MinimalStatus(2);
    page.RegisterStatus(first);
    page.RegisterStatus(second);
    page.RegisterStatus(nullptr);
    page.MovetoFirst();
    EXPECT_EQ(page.GetNextStatusItem(), first);
    EXPECT_EQ(page.GetNextStatusItem(), second);
    EXPECT_EQ(page.GetNextStatusItem(), nullptr);
    EXPECT_EQ(page.GetNextStatusItem(), first);
}

TEST(Visibility, AdministratorsSeeShowablePagesOthersOnlyWithAuthority) {
    struct Case {
        int administrator;
        unsigned authority;
        bool canShow;
        bool shown;
    };
    const Case cases[] = {
        {1, 0, true, true}, {1, 0, false, false}, {1, 1, true, true},  {0, 0, true, false},
        {0, 1, true, true}, {0, 1, false, false}, {0, 5, true, true},
    };
    for (const Case& c : cases) {
        plugwerk_testing::SetAdministrator(c.administrator);
        pwtest::OpenPage<> page(1);
        page.SetAuthority(c.authority);
        page.canShow = c.canShow;
        EXPECT_EQ(page.IsShow(), c.shown) << c.administrator << " " << c.authority << " " << c.canShow;
    }
    // Wine runs every process as an administrator: the real token check must say so.
    plugwerk_testing::SetAdministrator(-1);
    pwtest::OpenPage<> page(1);
    EXPECT_TRUE(page.IsShow());
}

}  // namespace
