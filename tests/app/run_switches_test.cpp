#include <gtest/gtest.h>

#include "base/app.h"
#include "base/handles.h"
#include "core/osl_app.h"
#include "support/fixtures.h"

namespace {

BOOL Admin(BOOL* answer) {
    *answer = TRUE;
    return TRUE;
}
BOOL NotAdmin(BOOL* answer) {
    *answer = FALSE;
    return TRUE;
}
BOOL CheckFails(BOOL*) { return FALSE; }

bool IsSignalled(HANDLE event) { return event && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

CCommandLineInfoCustom Parse(const wchar_t* commandLine) {
    CCommandLineInfoCustom info;
    CWinApp::ParseCommandLine(info, commandLine);
    return info;
}

TEST(RunSwitches, HaltSignalsOnlyThePerUserEventAndWinsOverOtherSwitches) {
    COSLApp app(testsupport::UniqueName(L"SwHalt"));
    EXPECT_TRUE(app.RunSwitches(Parse(L"x /Install /halt /haltAll"), Admin));
    EXPECT_TRUE(IsSignalled(app.m_observer.UserShutdownEvent()));
    EXPECT_FALSE(IsSignalled(app.m_observer.AllShutdownEvent()));
}

TEST(RunSwitches, HaltAllNeedsAnEnabledAdministrator) {
    struct {
        BOOL (*check)(BOOL*);
        bool signalled;
    } cases[] = {{Admin, true}, {NotAdmin, false}, {CheckFails, false}};
    for (const auto& c : cases) {
        COSLApp app(testsupport::UniqueName(L"SwHaltAll"));
        EXPECT_TRUE(app.RunSwitches(Parse(L"x -haltall"), c.check));
        EXPECT_EQ(c.signalled, IsSignalled(app.m_observer.AllShutdownEvent()));
        EXPECT_FALSE(IsSignalled(app.m_observer.UserShutdownEvent()));
    }
}

TEST(RunSwitches, ModeSwitchesAloneLeaveStartUpToContinue) {
    COSLApp app(testsupport::UniqueName(L"SwNone"));
    EXPECT_FALSE(app.RunSwitches(Parse(L"x /PMX /CLD:abc garbage"), Admin));
    EXPECT_FALSE(IsSignalled(app.m_observer.UserShutdownEvent()));
}

}  // namespace
