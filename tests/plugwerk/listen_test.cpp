// Setting items following outside changes through the process's listening thread, on a real page
// hosted as the settings window hosts it. Outside changes are signalled on the settings service's
// named per-setting events; the in-process test service holds the values.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "base/com_ptr.h"
#include "base/wait.h"
#include "fake_settory.h"
#include "page_host.h"
#include "test_resource.h"
#include "testing.h"

namespace {

using pwtest::HostedPage;
using pwtest::OpenPage;

const wchar_t kClass[] = L"11111111-2222-3333-4444-555555555555";

void SignalSetting(unsigned settingID) {
    wchar_t name[128];
    swprintf(name, 128, L"Global\\%ls,%d", kClass, static_cast<int>(settingID));
    base::UniqueHandle event(::OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
    ASSERT_TRUE(event) << "no listener made the event";
    ::SetEvent(event.get());
}

// Waits on a window thread as the settings window would: controls keep answering the listener.
bool WaitHandled(HANDLE event, DWORD ms = 5000) { return base::WaitAnsweringSentMessages(event, ms); }

// Tells the test when the listener has been through the item (after the item's own handling).
template <typename Base>
class Watched : public Base {
public:
    using Base::Base;
    long DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == PWM_CHANGE_EVENT) {
            ++changeEvents;
            ::SetEvent(handled.get());
        }
        return Base::DefWindowProcW(message, wParam, lParam);
    }
    std::atomic<int> changeEvents{0};
    base::UniqueHandle handled{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

class Slider : public Watched<CSliderItem> {
public:
    explicit Slider(unsigned settingID, SettingOption* option = nullptr)
        : Watched<CSliderItem>(0, 0, IDC_SLIDER, settingID, option) {
        GetSliderData(0, 100, 10);
    }
};

// A listening item without a window.
class Bare : public Watched<SettingItem> {
public:
    explicit Bare(unsigned settingID, SettingOption* option = nullptr) : Watched<SettingItem>(0, 0, 0, settingID, option) {
        SetClassID(kClass);
    }
    void InitType() override { SetDataType(VT_INT); }
    long OnInitItem() override { return 0; }
    VARIANT GetItem() override { return m_vData; }
    void SetItem(const VARIANT&) override {}
};

// An option whose Get lets the test step in while the listener is inside the item.
class SteppingOption : public SettingOption {
public:
    long Set(const VARIANT&) override { return 0; }
    long Get(VARIANT& value) override {
        if (armed) {
            ::SetEvent(entered.get());
            if (block) ::WaitForSingleObject(release.get(), blockMs);
            ::SetEvent(left.get());
        }
        value.intVal = number;
        return 0;
    }
    std::atomic<bool> armed{false};
    bool block = false;
    DWORD blockMs = 10000;
    int number = 0;
    base::UniqueHandle entered{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    base::UniqueHandle release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    base::UniqueHandle left{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// 8 means the listener still holds its lock (it is just leaving the item the test waited for);
// the host tries again, and so does the test.
long WhenFree(const std::function<long()>& leave) {
    long result = PW_LOCK_BUSY;
    testsupport::WaitUntil([&] { return (result = leave()) != PW_LOCK_BUSY; }, 5000);
    return result;
}

int Position(HostedPage& host) { return static_cast<int>(::SendMessageW(host.Control(IDC_SLIDER), TBM_GETPOS, 0, 0)); }

void Slide(HostedPage& host, PluginClass& page, int position) {
    ::SendMessageW(host.Control(IDC_SLIDER), TBM_SETPOS, TRUE, position);
    page.WndFunc(WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(host.Control(IDC_SLIDER)));
}

class Listening : public ::testing::Test {
protected:
    Listening() { service.fake.defaults[{kClass, 11}] = L"30"; }
    ~Listening() override {
        host.reset();
        EXPECT_EQ(plugwerk_testing::ListeningItemCount(), baseCount);
        EXPECT_EQ(service.fake.callsWithoutCom, 0) << "the listening thread calls the service";
    }
    void Open(Slider* item) {
        page.RegisterItem(item);
        host = std::make_unique<HostedPage>(::GetModuleHandleW(nullptr), &page);
    }
    size_t Reloads() { return service.fake.CountCalls(L"Reload"); }

    // As the host's page threads, so that only a thread that skipped COM is noticed.
    base::ComInit com;
    size_t baseCount = plugwerk_testing::ListeningItemCount();
    pwtest::ScopedFakeService service;
    OpenPage<> page{IDD_CONTROLS, kClass};
    std::unique_ptr<HostedPage> host;
};

TEST_F(Listening, OutsideChangeIsShown_AndOneEqualToTheAppliedValueLeavesTheControlAlone) {
    auto* item = new Slider(11);
    Open(item);
    ASSERT_EQ(item->RegisterChange(), 0);
    EXPECT_EQ(service.fake.CountCalls(L"RegisterSettingChangeEvent 11"), 1u);
    EXPECT_EQ(Position(*host), 30);

    service.fake.current[{kClass, 11}] = L"70";
    SignalSetting(11);
    ASSERT_TRUE(WaitHandled(item->handled.get()));
    EXPECT_EQ(Position(*host), 70);
    EXPECT_FALSE(page.IsModified());
    EXPECT_EQ(Reloads(), 1u);

    // The control shows something the item never heard of; an outside change to the value it
    // already holds must not touch the control.
    ::SendMessageW(host->Control(IDC_SLIDER), TBM_SETPOS, TRUE, 50);
    SignalSetting(11);
    ASSERT_TRUE(WaitHandled(item->handled.get()));
    EXPECT_EQ(Reloads(), 2u);
    EXPECT_EQ(Position(*host), 50);

    // Leaving the page ends the listening, at the service too.
    EXPECT_EQ(WhenFree([&] { return page.WndFunc(WM_DESTROY, 0, 0); }), 0);
    EXPECT_EQ(item->GetXMLEvent(), nullptr);
    EXPECT_EQ(service.fake.CountCalls(L"UnRegisterSettingChangeEvent 11"), 1u);
}

TEST_F(Listening, ChangeMadeOnThePageIsNotReloadedUntilItIsApplied) {
    auto* item = new Slider(11);
    Open(item);
    ASSERT_EQ(item->RegisterChange(), 0);
    Slide(*host, page, 60);
    ASSERT_TRUE(page.IsModified());

    service.fake.current[{kClass, 11}] = L"90";
    SignalSetting(11);
    ASSERT_TRUE(WaitHandled(item->handled.get()));
    EXPECT_EQ(Reloads(), 0u);
    EXPECT_EQ(Position(*host), 60);
    EXPECT_TRUE(page.IsModified());

    // Storing the page's own value signals its event too; either way the page keeps showing it.
    EXPECT_EQ(host->Apply(), 0);
    ASSERT_TRUE(WaitHandled(item->handled.get()));
    EXPECT_EQ(Position(*host), 60);

    service.fake.current[{kClass, 11}] = L"20";
    SignalSetting(11);
    ASSERT_TRUE(WaitHandled(item->handled.get()));
    EXPECT_EQ(Position(*host), 20);
    WhenFree([&] { return page.WndFunc(WM_DESTROY, 0, 0); });
}

TEST_F(Listening, ListeningStartsAndStopsAtTheServiceOnRequest) {
    auto* item = new Slider(11);
    Open(item);
    EXPECT_EQ(item->StopListenXMLChange(), PW_NOT_POSSIBLE);
    ASSERT_EQ(item->StartListenXMLChange(), 0);
    EXPECT_EQ(plugwerk_testing::ListeningItemCount(), baseCount + 1);
    EXPECT_EQ(service.fake.CountCalls(L"RegisterSettingChangeEvent 11"), 1u);
    service.fake.current[{kClass, 11}] = L"55";
    SignalSetting(11);
    ASSERT_TRUE(WaitHandled(item->handled.get()));
    EXPECT_EQ(Position(*host), 55);

    EXPECT_EQ(WhenFree([&] { return item->StopListenXMLChange(); }), 0);
    EXPECT_EQ(item->GetXMLEvent(), nullptr);
    EXPECT_EQ(plugwerk_testing::ListeningItemCount(), baseCount);
    EXPECT_EQ(service.fake.CountCalls(L"UnRegisterSettingChangeEvent 11"), 1u);
}

TEST(ListeningWithoutService, TheEventIsStillWaitedOn_ButStoppingAtTheServiceIsNotPossible) {
    pwtest::ScopedNoService none;
    const size_t base = plugwerk_testing::ListeningItemCount();
    Bare item(13);
    EXPECT_EQ(item.RegisterChange(), 0);
    SignalSetting(13);
    EXPECT_TRUE(WaitHandled(item.handled.get()));
    EXPECT_EQ(item.StopListenXMLChange(), PW_NOT_POSSIBLE);
    EXPECT_EQ(WhenFree([&] { return item.UnRegisterChange(); }), 0);
    EXPECT_EQ(plugwerk_testing::ListeningItemCount(), base);
}

TEST_F(Listening, RegisteringTwiceKeepsOneEntry) {
    auto* item = new Slider(11);
    Open(item);
    ASSERT_EQ(item->RegisterChange(), 0);
    HANDLE event = item->GetXMLEvent();
    ASSERT_EQ(item->RegisterChange(), 0);
    EXPECT_EQ(item->GetXMLEvent(), event);
    EXPECT_EQ(plugwerk_testing::ListeningItemCount(), baseCount + 1);
    EXPECT_EQ(item->UnRegisterChange(), 0);
    EXPECT_EQ(plugwerk_testing::ListeningItemCount(), baseCount);
    EXPECT_EQ(item->UnRegisterChange(), PW_NOT_POSSIBLE);
}

TEST_F(Listening, RegistryChangeUpdatesAnItemWatchingTheKey_AgainAndAgain) {
    testsupport::ScratchKey key;
    auto level = [&](DWORD value) {
        ASSERT_EQ(::RegSetValueExW(key.Get(), L"Level", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)),
                  ERROR_SUCCESS);
    };
    level(10);
    class LevelOption : public SettingOption {
    public:
        explicit LevelOption(HKEY key) : key_(key) {}
        long Set(const VARIANT&) override { return 0; }
        long Get(VARIANT& value) override {
            DWORD data = 0, size = sizeof(data);
            if (::RegGetValueW(key_, nullptr, L"Level", RRF_RT_REG_DWORD, nullptr, &data, &size) == ERROR_SUCCESS) {
                value.intVal = static_cast<int>(data);
            }
            return 0;
        }

    private:
        HKEY key_;
    };
    auto* item = new Slider(0, new LevelOption(key.Get()));
    Open(item);
    EXPECT_EQ(Position(*host), 10);
    EXPECT_EQ(item->RegisterChange(HKEY_CURRENT_USER, L"Software\\OstrelTests\\no such key"), PW_NOT_POSSIBLE);
    EXPECT_EQ(item->IsReg(), 0);
    ASSERT_EQ(item->RegisterChange(HKEY_CURRENT_USER, key.SubkeyPath()), 0);
    EXPECT_EQ(item->IsReg(), 1);

    // A key signals once per arming: the second change shows that the item armed it again.
    for (int value : {40, 80}) {
        level(value);
        ASSERT_TRUE(WaitHandled(item->handled.get())) << value;
        EXPECT_EQ(Position(*host), value);
    }
    EXPECT_EQ(WhenFree([&] { return page.WndFunc(WM_DESTROY, 0, 0); }), 0);
    EXPECT_EQ(item->IsReg(), 0);
}

TEST_F(Listening, LeavingIsRefusedWhileTheListenerIsInsideAnItem_AndClosingEndsItBeforeTheItemReturns) {
    auto* option = new SteppingOption;
    option->block = true;
    // Four times the 500 ms that closing grants: a close that waited for the item would see it back.
    option->blockMs = 2000;
    auto* item = new Slider(11, option);
    Open(item);
    ASSERT_EQ(item->RegisterChange(), 0);
    option->armed = true;
    SignalSetting(11);
    ASSERT_TRUE(WaitHandled(option->entered.get(), 5000));

    EXPECT_EQ(page.WndFunc(WM_DESTROY, 0, 0), PW_LOCK_BUSY);
    EXPECT_NE(item->GetXMLEvent(), nullptr);

    std::atomic<bool> stopped{false};
    DWORD start = ::GetTickCount();
    std::thread closer([&] {
        plugwerk_testing::StopListener();
        stopped = true;
    });
    bool ended = testsupport::WaitUntil([&] { return stopped.load(); }, 5000);
    printf("listener stopped after %lu ms while inside an item\n", ::GetTickCount() - start);
    if (!ended) closer.detach();
    ASSERT_TRUE(ended);
    closer.join();
    EXPECT_FALSE(plugwerk_testing::ListenerRunning());
    EXPECT_EQ(::WaitForSingleObject(option->left.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the close waited for the item";
    ::SetEvent(option->release.get());
    option->armed = false;

    // The lock the ended thread held is free again: the page can be left now, at once.
    EXPECT_EQ(page.WndFunc(WM_DESTROY, 0, 0), 0);
}

// The change lands while this process's listener is inside another item, and another process's page
// takes the setting's event off first: this page and a status item on the same setting still show it.
TEST_F(Listening, AChangeTakenByAnotherProcessWhileTheListenerIsBusyStillReachesPageAndStatus) {
    auto* item = new Slider(11);
    Open(item);
    ASSERT_EQ(item->RegisterChange(), 0);
    CXMLStatusItem status(0, 0, 11, nullptr);
    status.SetClassID(kClass);
    status.WndFunc(PWM_STATUS_INIT, 0, 0);
    ASSERT_EQ(status.RegisterEvent(), 0);
    auto* busyOption = new SteppingOption;
    busyOption->block = true;
    busyOption->blockMs = 60000;  // the peer's start under Wine takes a while
    busyOption->armed = true;
    Bare busy(12, busyOption);
    ASSERT_EQ(busy.RegisterChange(), 0);
    SignalSetting(12);
    ASSERT_EQ(::WaitForSingleObject(busyOption->entered.get(), 5000), WAIT_OBJECT_0);

    testsupport::ChildProcess peer(L"\"" + testsupport::BinFile(L"plugwerk_test.exe") +
                                   L"\" --gtest_also_run_disabled_tests --gtest_filter=Listening.DISABLED_PeerShowsAChange");
    DWORD code = 1;
    ASSERT_TRUE(peer.WaitExit(60000, &code));
    EXPECT_EQ(code, 0u);

    service.fake.current[{kClass, 11}] = L"70";  // what the shared store holds now
    ::SetEvent(busyOption->release.get());
    EXPECT_TRUE(WaitHandled(item->handled.get()));
    EXPECT_EQ(Position(*host), 70);
    ASSERT_EQ(::WaitForSingleObject(status.GetEvent(), 5000), WAIT_OBJECT_0);
    status.WndFunc(PWM_STATUS_SIGNALLED, 0, 0);
    VARIANT shown;
    status.GetItemData(shown);
    EXPECT_EQ(shown.lVal, 70);

    busyOption->armed = false;
    EXPECT_EQ(WhenFree([&] { return busy.UnRegisterChange(); }), 0);
    EXPECT_EQ(status.WndFunc(PWM_STATUS_RELEASE, 0, 0), 0);
    WhenFree([&] { return page.WndFunc(WM_DESTROY, 0, 0); });
}

// Run by the test above in a second process, never on its own: the setting changes and this
// process's page takes the event and shows the value.
TEST_F(Listening, DISABLED_PeerShowsAChange) {
    auto* item = new Slider(11);
    Open(item);
    ASSERT_EQ(item->RegisterChange(), 0);
    service.fake.current[{kClass, 11}] = L"70";
    SignalSetting(11);
    ASSERT_TRUE(WaitHandled(item->handled.get()));
    EXPECT_EQ(Position(*host), 70);
    EXPECT_EQ(WhenFree([&] { return page.WndFunc(WM_DESTROY, 0, 0); }), 0);
}

TEST_F(Listening, RegistrationOnTheDialogThreadWhileTheListenerUpdatesItsControl) {
    auto* option = new SteppingOption;
    option->number = 80;
    auto* item = new Slider(11, option);
    Open(item);
    ASSERT_EQ(item->RegisterChange(), 0);
    option->armed = true;
    SignalSetting(11);
    // Not answering messages here: the listener now holds the lock and is about to send the new
    // position to the slider, which belongs to this thread.
    ASSERT_EQ(::WaitForSingleObject(option->entered.get(), 5000), WAIT_OBJECT_0);
    Bare other(12);
    EXPECT_EQ(other.RegisterChange(), 0);
    ASSERT_TRUE(WaitHandled(item->handled.get()));
    EXPECT_EQ(Position(*host), 80);
    option->armed = false;
    EXPECT_EQ(WhenFree([&] { return other.UnRegisterChange(); }), 0);
    WhenFree([&] { return page.WndFunc(WM_DESTROY, 0, 0); });
}

TEST_F(Listening, ItemsPastTheWaitLimitAreRefused_AndTheLastAcceptedOneIsStillWaitedOn) {
    const size_t room = 62 - baseCount;
    std::vector<std::unique_ptr<Bare>> items;
    for (size_t i = 0; i < room; ++i) {
        items.push_back(std::make_unique<Bare>(static_cast<unsigned>(100 + i)));
        ASSERT_EQ(items.back()->RegisterChange(), 0) << i;
    }
    Bare refused(99);
    EXPECT_EQ(refused.RegisterChange(), PW_NOT_POSSIBLE);
    EXPECT_EQ(refused.GetXMLEvent(), nullptr);
    EXPECT_EQ(service.fake.CountCalls(L"UnRegisterSettingChangeEvent 99"), 1u);
    EXPECT_EQ(plugwerk_testing::ListeningItemCount(), 62u);

    SignalSetting(static_cast<unsigned>(100 + room - 1));
    EXPECT_TRUE(WaitHandled(items.back()->handled.get()));

    EXPECT_EQ(WhenFree([&] { return items.front()->UnRegisterChange(); }), 0);
    EXPECT_EQ(refused.RegisterChange(), 0);
    EXPECT_EQ(WhenFree([&] { return refused.UnRegisterChange(); }), 0);
    items.clear();
}

}  // namespace
