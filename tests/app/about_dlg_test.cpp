#include <gtest/gtest.h>

#include "base/resource_module.h"
#include "window/about_dlg.h"
#include "support/fixtures.h"

TEST(CAboutDlg, ShowsThePrefixStringFollowedByTheInstalledVersion) {
    base::UniqueModule resources = base::LoadLocalisedModule(testsupport::BinFolder(), L"Ostrel.exe.mui");
    ASSERT_TRUE(resources.valid());
    base::ScopedResourceModule useResources(resources.get());
    CStringW prefix = base::LoadResString(IDS_ABOUT_VERSION_PREFIX);
    ASSERT_FALSE(prefix.IsEmpty());

    testsupport::TempFolder programFiles;
    testsupport::ScopedEnv env(L"ProgramFiles", programFiles.Path());
    ::CreateDirectoryW(programFiles.File(L"Quor"), nullptr);
    ::CreateDirectoryW(programFiles.File(L"Quor\\Ostrel"), nullptr);

    struct {
        const char* file;  // null: no file at all
        const wchar_t* suffix;
    } cases[] = {{"Product=Ostrel\r\nVersion=2.5.1\r\n", L"2.5.1"}, {"Product=Ostrel\r\n", L""}, {nullptr, L""}};
    for (const auto& c : cases) {
        CStringW path = programFiles.File(L"Quor\\Ostrel\\Version.txt");
        ::DeleteFileW(path);
        if (c.file) {
            ASSERT_TRUE(testsupport::WriteTextFile(path, c.file));
        }
        CAboutDlg about;
        ASSERT_TRUE(about.Create(IDD_ABOUTBOX, nullptr));
        wchar_t text[256] = {};
        ::GetDlgItemTextW(about.m_hWnd, IDC_ABOUT_VERSION, text, 256);
        EXPECT_STREQ(prefix + c.suffix, text);
        about.DestroyWindow();
    }
}
