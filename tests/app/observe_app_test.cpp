#include <gtest/gtest.h>

#include <aclapi.h>

#include <atomic>

#include "base/handles.h"
#include "core/observe_app.h"
#include "support/fixtures.h"

namespace {

struct Sink : CObserveApp::IObserveEvent {
    std::atomic<int> all{0};
    std::atomic<int> user{0};
    base::UniqueHandle called{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    void OnShutdownAllRequested() override {
        ++all;
        ::SetEvent(called.get());
    }
    void OnShutdownUserRequested() override {
        ++user;
        ::SetEvent(called.get());
    }
};

CStringW Named(const wchar_t* pattern, const CStringW& product) {
    CStringW name;
    name.Format(pattern, product.GetString());
    return name;
}

TEST(CObserveApp, IsRunningOnlyAfterStart) {
    CStringW product = testsupport::UniqueName(L"ObsRun");
    CObserveApp observer(product);
    EXPECT_FALSE(observer.IsRunning());
    Sink sink;
    observer.SetSink(&sink);
    observer.Start();
    EXPECT_TRUE(observer.IsRunning());
    CObserveApp other(product);
    EXPECT_TRUE(other.IsRunning());
    base::UniqueHandle global(::OpenMutexW(SYNCHRONIZE, FALSE, Named(L"Global\\%s-MutexAll", product)));
    EXPECT_TRUE(global.valid());
}

TEST(CObserveApp, UserShutdownCallsTheSinkOnce) {
    CStringW product = testsupport::UniqueName(L"ObsUser");
    CObserveApp observer(product);
    Sink sink;
    observer.SetSink(&sink);
    observer.Start();
    CObserveApp requester(product);
    ASSERT_TRUE(requester.SignalUserShutdown());
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(sink.called.get(), 5000));
    // The watcher wakes once; a second request finds no watcher.
    requester.SignalUserShutdown();
    observer.StopWatcher();
    EXPECT_EQ(1, sink.user.load());
    EXPECT_EQ(0, sink.all.load());
}

TEST(CObserveApp, AllUsersShutdownUsesTheGlobalEvent) {
    CStringW product = testsupport::UniqueName(L"ObsAll");
    CObserveApp observer(product);
    Sink sink;
    observer.SetSink(&sink);
    observer.Start();
    base::UniqueHandle event(::OpenEventW(EVENT_MODIFY_STATE, FALSE, Named(L"Global\\%s-Shutdown-All", product)));
    ASSERT_TRUE(event.valid());
    ::SetEvent(event.get());
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(sink.called.get(), 5000));
    observer.StopWatcher();
    EXPECT_EQ(1, sink.all.load());
    EXPECT_EQ(0, sink.user.load());
}

TEST(CObserveApp, StoppingWithoutRequestCallsNothing) {
    CStringW product = testsupport::UniqueName(L"ObsStop");
    Sink sink;
    {
        CObserveApp observer(product);
        observer.SetSink(&sink);
        observer.Start();
    }
    EXPECT_EQ(0, sink.all.load() + sink.user.load());
}

TEST(CObserveApp, EventStaysSignalledForAnInstanceStartedLater) {
    CStringW product = testsupport::UniqueName(L"ObsLate");
    CObserveApp holder(product);  // keeps the event alive, as a still-running instance would
    ASSERT_TRUE(holder.SignalUserShutdown());
    CObserveApp late(product);
    Sink sink;
    late.SetSink(&sink);
    late.Start();
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(sink.called.get(), 5000));
    EXPECT_EQ(1, sink.user.load());
}

TEST(CObserveApp, HaltWithNoInstanceLeavesNothingBehind) {
    CStringW product = testsupport::UniqueName(L"ObsHalt");
    {
        CObserveApp requester(product);
        EXPECT_TRUE(requester.SignalUserShutdown());
    }
    base::UniqueHandle event(::OpenEventW(SYNCHRONIZE, FALSE, Named(L"%s-Shutdown-User", product)));
    EXPECT_FALSE(event.valid());
}

TEST(CObserveApp, ObjectsGrantEveryoneAccessButNotTheAccessList) {
    CStringW product = testsupport::UniqueName(L"ObsAcl");
    CObserveApp observer(product);
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::GetSecurityInfo(observer.UserShutdownEvent(), SE_KERNEL_OBJECT,
                                               DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &sd));
    base::UniqueLocal owned(sd);
    ASSERT_NE(nullptr, dacl);
    ASSERT_EQ(2u, dacl->AceCount);
    void* ace = nullptr;
    ASSERT_TRUE(::GetAce(dacl, 0, &ace));
    EXPECT_EQ(ACCESS_DENIED_ACE_TYPE, static_cast<ACE_HEADER*>(ace)->AceType);
    EXPECT_EQ(static_cast<ACCESS_MASK>(WRITE_DAC | WRITE_OWNER), static_cast<ACCESS_DENIED_ACE*>(ace)->Mask);
    ASSERT_TRUE(::GetAce(dacl, 1, &ace));
    EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, static_cast<ACE_HEADER*>(ace)->AceType);
}

}  // namespace
