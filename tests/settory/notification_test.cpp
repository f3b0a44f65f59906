// Change notification between processes: per-setting events, the reload of every other process after
// a save of a listed setting, the reload message to registered windows, and the listener's end on a
// mutex time-out. The listeners are settory_probe processes with Settory.dll in process; this program
// holds the service in process too, as one more client.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "settory/reload_listener.h"
#include "settory/settings_store.h"
#include "settory/settory_fixture.h"

using namespace settorytest;
using testsupport::BinFile;

namespace {

DataFolders* g_data = nullptr;

class NotifyEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_data = new DataFolders();
        com_ = new base::ComInit(COINIT_APARTMENTTHREADED);
        testsupport::ChildProcess regsvr(L"regsvr32.exe /s \"" + BinFile(L"Settory.dll") + L"\"");
        DWORD code = 1;
        ASSERT_TRUE(regsvr.WaitExit(60000, &code));
        ASSERT_EQ(0u, code);
    }
    void TearDown() override {
        delete com_;
        delete g_data;
    }

private:
    base::ComInit* com_ = nullptr;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new NotifyEnvironment);

constexpr DWORD kWaitMs = 15000;

CStringW Quoted(const CStringW& text) { return L"\"" + text + L"\""; }

int RunProbe(const CStringW& arguments) {
    testsupport::ChildProcess probe(Quoted(BinFile(L"settory_probe.exe")) + L" " + arguments);
    DWORD code = 999;
    if (!probe.WaitExit(60000, &code)) return -1;
    return static_cast<int>(code);
}

int WriteByProbe(int setting, const wchar_t* text) {
    CStringW args;
    args.Format(L"write inproc %s %d %s", kClassA, setting, text);
    return RunProbe(args);
}

// A settory_probe listening for reloads of this program's data, with its window registered as asked.
class Listener {
public:
    explicit Listener(const wchar_t* registrations, int setting = kEventListed)
        : readyName_(testsupport::UniqueName(L"Local\\listen-ready")),
          stopName_(testsupport::UniqueName(L"Local\\listen-stop")),
          ready_(::CreateEventW(nullptr, TRUE, FALSE, readyName_)),
          stop_(::CreateEventW(nullptr, TRUE, FALSE, stopName_)),
          report_(folder_.File(L"report.txt")) {
        CStringW args;
        args.Format(L"listen %s %s %s %s %s %d", readyName_.GetString(), stopName_.GetString(),
                    Quoted(report_).GetString(), registrations, kClassA, setting);
        process_ = std::make_unique<testsupport::ChildProcess>(Quoted(BinFile(L"settory_probe.exe")) + L" " + args);
    }
    ~Listener() {
        ::SetEvent(stop_.get());
        process_->WaitExit(10000);
    }
    bool Ready() { return ::WaitForSingleObject(ready_.get(), 30000) == WAIT_OBJECT_0; }
    DWORD Id() const { return process_->Id(); }
    // "<messages> <value>" after the latest reload message; empty before the first.
    CStringW Report() const {
        std::string text = testsupport::ReadTextFile(report_);
        return CStringW(std::wstring(text.begin(), text.end()));
    }
    int Messages() const { return _wtoi(Report()); }
    CStringW Value() const {
        CStringW report = Report();
        int space = report.Find(L' ');
        return space < 0 ? CStringW() : report.Mid(space + 1);
    }
    // Whether the service's reload listener in that process still runs (its exit event exists).
    bool ListenerRuns() const {
        base::UniqueHandle exitEvent(::OpenEventW(SYNCHRONIZE, FALSE, settory::ReloadExitEventName(Id()).c_str()));
        return exitEvent.valid();
    }
    CStringW State() const {
        CStringW state;
        state.Format(L"report \"%s\", listener %s, generation %ld", Report().GetString(),
                     ListenerRuns() ? L"runs" : L"ended", settory::ReloadGeneration());
        return state;
    }
    bool WaitForValue(const wchar_t* value) const {
        return testsupport::PumpUntil([&] { return Value() == value; }, kWaitMs);
    }

private:
    testsupport::TempFolder folder_;
    CStringW readyName_;
    CStringW stopName_;
    base::UniqueHandle ready_;
    base::UniqueHandle stop_;
    CStringW report_;
    std::unique_ptr<testsupport::ChildProcess> process_;
};

// A window of this process that counts the reload messages it gets.
class CountingWindow {
public:
    CountingWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"NotifyTestCounter";
        ::RegisterClassW(&wc);
        window_ = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CountingWindow() { ::DestroyWindow(window_); }
    ULONG_PTR Handle() const { return reinterpret_cast<ULONG_PTR>(window_); }
    int count = 0;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_USER + 200) {
            auto* self = reinterpret_cast<CountingWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
            if (self) ++self->count;
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    HWND window_ = nullptr;
};

class Notify : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_INPROC_SERVER, IID_ISettory2,
                                           settory.PutVoid()));
    }
    HRESULT Write(int setting, const wchar_t* text) {
        settory->SetCurrentValueEx(kClassA, setting, text);
        return settory->UpdateCurrentSetting();
    }
    // Gives this process's listener time to act on what it already has; used only to show that
    // something does not happen.
    static void Settle() { testsupport::PumpUntil([] { return false; }, 3 * settory::kGenerationPollMs); }

    base::ComPtr<ISettory2> settory;
};

}  // namespace

TEST_F(Notify, WritingProcessNeitherReloadsNorPosts_EveryOtherProcessDoes) {
    Listener other(L"1");
    ASSERT_TRUE(other.Ready());
    CountingWindow mine;
    ASSERT_EQ(S_OK, settory->RegisterWnd(mine.Handle()));

    ASSERT_EQ(S_OK, Write(kEventListed, L"21"));
    EXPECT_TRUE(other.WaitForValue(L"21")) << other.Report().GetString();
    Settle();
    EXPECT_EQ(0, mine.count) << "the writer's own stores are current";

    ASSERT_EQ(0, WriteByProbe(kEventListed, L"22"));
    EXPECT_TRUE(testsupport::PumpUntil([&] { return mine.count == 1; }, kWaitMs));
    EXPECT_TRUE(other.WaitForValue(L"22"));
    wchar_t value[SETTORY_VALUE_CAPACITY] = {};
    EXPECT_EQ(S_OK, settory->GetCurrentValueEx(kClassA, kEventListed, value));
    EXPECT_STREQ(L"22", value) << "reloaded before the message";
    EXPECT_EQ(2, other.Messages());
    EXPECT_EQ(S_OK, settory->UnRegisterWnd(mine.Handle()));
}

TEST_F(Notify, WindowRegisteredTwice_GetsTwoMessages_OneUnRegisterRemovesOne) {
    Listener twice(L"2");
    Listener twiceThenOnceRemoved(L"2,1");
    ASSERT_TRUE(twice.Ready());
    ASSERT_TRUE(twiceThenOnceRemoved.Ready());
    ASSERT_EQ(S_OK, Write(kEventListed, L"31"));
    ASSERT_TRUE(twice.WaitForValue(L"31"));
    ASSERT_TRUE(twiceThenOnceRemoved.WaitForValue(L"31"));
    // A second reload: by the time its message arrives every message of the first was handled.
    ASSERT_EQ(S_OK, Write(kEventListed, L"32"));
    ASSERT_TRUE(twice.WaitForValue(L"32"));
    ASSERT_TRUE(twiceThenOnceRemoved.WaitForValue(L"32"));
    EXPECT_TRUE(testsupport::PumpUntil([&] { return twice.Messages() == 4; }, kWaitMs)) << twice.Report().GetString();
    EXPECT_EQ(2, twiceThenOnceRemoved.Messages());
}

TEST_F(Notify, EqualWrite_SignalsNoSettingEvent_UnlistedSetting_SavesWithoutReload) {
    ASSERT_EQ(S_OK, settory->RegisterSettingChangeEvent(kClassA, kAllUsersInt));
    ASSERT_EQ(S_OK, settory->UpdateCurrentSetting()) << "the mark lives in the file";
    CStringW name;
    name.Format(L"Global\\%s,%d", kClassA, kAllUsersInt);
    base::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, name));
    ASSERT_TRUE(event);
    ::ResetEvent(event.get());
    LONG generation = settory::ReloadGeneration();

    ASSERT_EQ(0, WriteByProbe(kAllUsersInt, L"41"));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(event.get(), 0)) << "set by the other process's write";
    EXPECT_NE(std::string::npos, testsupport::ReadTextFile(g_data->AllUsersFile()).find(">41<"));
    EXPECT_EQ(generation, settory::ReloadGeneration()) << "not listed for events: no reload";

    ::ResetEvent(event.get());
    ASSERT_EQ(0, WriteByProbe(kAllUsersInt, L"41"));
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(event.get(), 0)) << "the same text again";
    ASSERT_EQ(0, WriteByProbe(kAllUsersInt, L"42"));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(event.get(), 0));
    ::ResetEvent(event.get());
}

TEST_F(Notify, SeveralListenersAndManySaves_NoneMissed) {
    std::vector<std::unique_ptr<Listener>> listeners;
    for (int i = 0; i < 3; ++i) listeners.push_back(std::make_unique<Listener>(L"1"));
    for (auto& l : listeners) ASSERT_TRUE(l->Ready());
    CountingWindow mine;
    ASSERT_EQ(S_OK, settory->RegisterWnd(mine.Handle()));

    // One save at a time: each listener follows each one.
    for (int i = 1; i <= 10; ++i) {
        CStringW text;
        text.Format(L"%d", 500 + i);
        ASSERT_EQ(S_OK, Write(kEventListed, text));
        for (auto& l : listeners) ASSERT_TRUE(l->WaitForValue(text)) << i << " " << l->State().GetString();
    }
    // A burst: listeners are still reloading while the event is set and reset again by the others,
    // yet every one of them ends on the last value.
    const int kBurst = 60;
    for (int i = 1; i <= kBurst; ++i) {
        CStringW text;
        text.Format(L"%d", 600 + i);
        ASSERT_EQ(S_OK, Write(kEventListed, text));
    }
    CStringW last;
    last.Format(L"%d", 600 + kBurst);
    for (auto& l : listeners) {
        EXPECT_TRUE(l->WaitForValue(last)) << l->State().GetString();
        EXPECT_LE(l->Messages(), 10 + kBurst) << "at most one reload per save";
    }
    Settle();
    EXPECT_EQ(0, mine.count);
    EXPECT_EQ(S_OK, settory->UnRegisterWnd(mine.Handle()));
}

TEST_F(Notify, AnotherProcessUnloadingTheService_LeavesThisListenerRunning) {
    Listener stays(L"1");
    ASSERT_TRUE(stays.Ready());
    CStringW args;
    args.Format(L"unload %s %s %d", Quoted(BinFile(L"Settory.dll")).GetString(), kClassA, kEventListed);
    ASSERT_EQ(0, RunProbe(args));
    ASSERT_EQ(0, WriteByProbe(kEventListed, L"71"));
    EXPECT_TRUE(stays.WaitForValue(L"71")) << stays.Report().GetString();
}

// Last in this program: it holds the write mutex for the whole time-out.
TEST_F(Notify, MutexTimeOut_EndsTheListener_LaterReloadsAreIgnored) {
    auto ended = std::make_unique<Listener>(L"1");
    ASSERT_TRUE(ended->Ready());
    ASSERT_TRUE(ended->ListenerRuns());
    {
        settory::WriteMutex held;
        ASSERT_TRUE(held.Obtained());
        settory::AnnounceSave();
        EXPECT_TRUE(testsupport::WaitUntil([&] { return !ended->ListenerRuns(); }, 40000))
            << "the listener gives up after the mutex time-out and ends";
    }
    Listener fresh(L"1");
    ASSERT_TRUE(fresh.Ready());
    ASSERT_EQ(0, WriteByProbe(kEventListed, L"81"));
    EXPECT_TRUE(fresh.WaitForValue(L"81"));
    EXPECT_EQ(CStringW(), ended->Report()) << "the ended listener posts nothing";
}
