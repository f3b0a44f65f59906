#include <gtest/gtest.h>

#include "base/app.h"
#include "core/command_line_info.h"

namespace {

struct Case {
    const wchar_t* commandLine;
    BOOL halt, haltAll, install, uninstall, mainMode, hasClassId;
    const wchar_t* classId;
};

CCommandLineInfoCustom Parse(const wchar_t* commandLine) {
    CCommandLineInfoCustom info;
    CWinApp::ParseCommandLine(info, commandLine);
    return info;
}

class CommandLineCases : public testing::TestWithParam<Case> {};

TEST_P(CommandLineCases, SetsTheFlagsOfEverySwitch) {
    const Case& c = GetParam();
    CCommandLineInfoCustom info = Parse(c.commandLine);
    EXPECT_EQ(c.halt, info.m_bHalt);
    EXPECT_EQ(c.haltAll, info.m_bHaltAll);
    EXPECT_EQ(c.install, info.m_bInstall);
    EXPECT_EQ(c.uninstall, info.m_bUnInstall);
    EXPECT_EQ(c.mainMode, info.m_bMainMode);
    EXPECT_EQ(c.hasClassId, info.m_bClassId);
    EXPECT_STREQ(c.classId, info.m_strClassId);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, CommandLineCases,
    testing::Values(
        Case{L"Ostrel.exe", FALSE, FALSE, FALSE, FALSE, TRUE, FALSE, L""},
        Case{L"Ostrel.exe /halt", TRUE, FALSE, FALSE, FALSE, TRUE, FALSE, L""},
        Case{L"Ostrel.exe -HALTALL", FALSE, TRUE, FALSE, FALSE, TRUE, FALSE, L""},
        Case{L"Ostrel.exe /install -uninstall", FALSE, FALSE, TRUE, TRUE, TRUE, FALSE, L""},
        Case{L"Ostrel.exe /halt /Install", TRUE, FALSE, TRUE, FALSE, TRUE, FALSE, L""},
        Case{L"Ostrel.exe /PMX", FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, L""},
        Case{L"Ostrel.exe /PMX /OSL", FALSE, FALSE, FALSE, FALSE, TRUE, FALSE, L""},
        // A later mode switch overrides an earlier one; CLD: resets the mode to the settings window.
        Case{L"Ostrel.exe /PMX /CLD:X", FALSE, FALSE, FALSE, FALSE, TRUE, TRUE, L"X"},
        Case{L"Ostrel.exe /CLD:X /PMX", FALSE, FALSE, FALSE, FALSE, FALSE, TRUE, L"X"},
        // Only the first colon separates; the rest is the class id, letter case kept.
        Case{L"Ostrel.exe /cld:abc:def", FALSE, FALSE, FALSE, FALSE, TRUE, TRUE, L"abc:def"},
        Case{L"Ostrel.exe -CLD:", FALSE, FALSE, FALSE, FALSE, TRUE, TRUE, L""},
        // Without a slash or hyphen nothing is a switch.
        Case{L"Ostrel.exe halt CLD:X PMX", FALSE, FALSE, FALSE, FALSE, TRUE, FALSE, L""},
        Case{L"Ostrel.exe /halted /CLDX /garbage", FALSE, FALSE, FALSE, FALSE, TRUE, FALSE, L""}));

}  // namespace
