#include <gtest/gtest.h>

#include "window/version_file.h"
#include "support/fixtures.h"

using ostrel::ParseVersionText;

TEST(VersionFile, TakesTheRestOfTheFirstVersionLine) {
    struct {
        const char* text;
        BOOL found;
        const wchar_t* version;
    } cases[] = {
        {"Version=1.2.3", TRUE, L"1.2.3"},
        {"version=4.0\r\nVersion=5.0\r\n", TRUE, L"4.0"},
        {"Product=Ostrel\nVERSION=2.1 build 7\n", TRUE, L"2.1 build 7"},
        {"Version=", TRUE, L""},
        {"  Version=1.0", FALSE, L""},
        {"Versio=1", FALSE, L""},
        {"", FALSE, L""},
        {"no lines here\n\n\n", FALSE, L""},
    };
    for (const auto& c : cases) {
        CStringW version;
        EXPECT_EQ(c.found, ParseVersionText(c.text, &version)) << c.text;
        EXPECT_STREQ(c.version, version) << c.text;
    }
}

TEST(VersionFile, ReadsAFileAndReportsAMissingOne) {
    testsupport::TempFolder folder;
    CStringW path = folder.File(L"Version.txt");
    ASSERT_TRUE(testsupport::WriteTextFile(path, "Name=Ostrel\r\nVersion=3.14\r\n"));
    CStringW version;
    ASSERT_TRUE(ostrel::ReadVersionFile(path, &version));
    EXPECT_STREQ(L"3.14", version);
    EXPECT_FALSE(ostrel::ReadVersionFile(folder.File(L"missing.txt"), &version));
}

TEST(VersionFile, InstalledPathIsUnderProgramFiles) {
    testsupport::ScopedEnv env(L"ProgramFiles", L"X:\\Programs");
    EXPECT_STREQ(L"X:\\Programs\\Quor\\Ostrel\\Version.txt", ostrel::InstalledVersionFilePath());
}
