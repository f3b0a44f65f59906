// A sample page against the real settings service, as local server in its own process: defaults and
// current values come from the XML files, an apply lands in CurrentSettingProfileData.xml and in
// the stand-in hardware, and a failing option rolls both back.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <memory>
#include <string>

#include "base/com_ptr.h"
#include "page_host.h"
#include "../../samples/power_wireless/resource.h"
#include "testing.h"

namespace {

using pwtest::HostedPage;
using testsupport::BinFile;
using testsupport::TempFolder;

int HostProcesses() {
    base::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {sizeof(entry)};
    int count = 0;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, L"SettoryHost.exe") == 0) ++count;
    }
    return count;
}

std::string Between(const std::string& text, const std::string& after, const std::string& until) {
    size_t from = text.find(after);
    if (from == std::string::npos) return "<missing>";
    from += after.size();
    return text.substr(from, text.find(until, from) - from);
}

// The value of one setting of the power class in a current-settings file.
std::string StoredLimit(const CStringW& file) {
    std::string xml = testsupport::ReadTextFile(file);
    std::string cls = xml.substr(xml.find("7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5E") == std::string::npos
                                     ? xml.size()
                                     : xml.find("7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5E"));
    std::string item = cls.substr(std::min(cls.size(), cls.find("SettingID=\"3\"")));
    return Between(item, "<SettingData>", "</SettingData>");
}

TEST(SampleWithService, PageReadsAppliesAndRollsBackThroughTheRealService) {
    // The service's data folders: a fresh profile with the schema files and the sample's defaults.
    TempFolder root;
    const CStringW all = root.Path() + L"\\all", user = root.Path() + L"\\user";
    testsupport::ScopedEnv allEnv(L"ALLUSERSPROFILE", all);
    testsupport::ScopedEnv appEnv(L"APPDATA", user);
    const CStringW product = all + L"\\Quor Corporation\\Ostrel\\";
    ::SHCreateDirectoryExW(nullptr, product + L"Default", nullptr);
    ::SHCreateDirectoryExW(nullptr, product + L"Schema files", nullptr);
    ::CreateDirectoryW(user, nullptr);
    for (const wchar_t* schema : {L"DefaultSetting.xsd", L"CurrentSetting.xsd"}) {
        ASSERT_TRUE(::CopyFileW(BinFile(L"Schema files\\") + schema, product + L"Schema files\\" + schema, FALSE));
    }
    ASSERT_TRUE(::CopyFileW(BinFile(L"sample-defaults\\DefaultSettingPowerWireless.xml"),
                            product + L"Default\\DefaultSettingPowerWireless.xml", FALSE));
    // A value stored before: the lid action.
    ASSERT_TRUE(testsupport::WriteTextFile(product + L"CurrentSettingProfileData.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CurrentSetting MachineID=\"0\">"
        "<Class ClassID=\"7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5E\">"
        "<Item SettingID=\"2\" bAllUser=\"1\" bEvent=\"0\"><SettingData>3</SettingData></Item>"
        "</Class></CurrentSetting>\n"));
    TempFolder devices;
    testsupport::ScopedEnv where(L"OSTREL_SAMPLE_DEVICES", devices.Path());

    // Registered as the installer does it; the host COM starts inherits this process's environment,
    // so one left over from another test (with its own folders) must be gone first.
    testsupport::ChildProcess regsvr(L"regsvr32.exe /s \"" + BinFile(L"Settory.dll") + L"\"");
    DWORD code = 1;
    ASSERT_TRUE(regsvr.WaitExit(60000, &code));
    ASSERT_EQ(code, 0u);
    ASSERT_TRUE(testsupport::WaitUntil([] { return HostProcesses() == 0; }, 60000))
        << "a SettoryHost.exe of an earlier client is still running; under Wine it runs on for good when that "
           "client ended without releasing the service";
    base::ComInit com(COINIT_MULTITHREADED);
    plugwerk_testing::UseRealServices();

    base::UniqueModule module(::LoadLibraryW(L"OstrelPowerWireless.dll"));
    auto factory = reinterpret_cast<PlugwerkFactory>(::GetProcAddress(module.get(), PLUGWERK_FACTORY_NAME));
    ASSERT_NE(factory, nullptr);
    std::unique_ptr<ClassDesc> desc(factory(nullptr));
    ASSERT_NE(desc, nullptr);
    PluginClass* page = desc->GetClasses(0);
    EXPECT_EQ(page->IsDefault(), 0) << "defaults were read from the service at registration";
    {
        HostedPage host(module.get(), page);
        ASSERT_NE(host.Window(), nullptr);
        EXPECT_EQ(::SendMessageW(host.Control(IDC_CHARGE_LIMIT), TBM_GETPOS, 0, 0), 80);  // default
        EXPECT_EQ(::SendMessageW(host.Control(IDC_PLAN_BALANCED), BM_GETCHECK, 0, 0), BST_CHECKED);
        ASSERT_TRUE(testsupport::PumpUntil([&] { return ::SendMessageW(host.Control(IDC_LID), CB_GETCOUNT, 0, 0) == 4; }, 3000));
        EXPECT_EQ(::SendMessageW(host.Control(IDC_LID), CB_GETCURSEL, 0, 0), 3);  // stored

        ::SendMessageW(host.Control(IDC_CHARGE_LIMIT), TBM_SETPOS, TRUE, 90);
        page->WndFunc(WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(host.Control(IDC_CHARGE_LIMIT)));
        EXPECT_EQ(host.Apply(), 0);
        EXPECT_EQ(StoredLimit(product + L"CurrentSettingProfileData.xml"), "90");
        EXPECT_EQ(testsupport::ReadTextFile(devices.File(L"charge-limit")), "90");

        // Below the charger's minimum: its Set fails, the apply is rolled back and nothing is stored.
        ::SendMessageW(host.Control(IDC_CHARGE_LIMIT), TBM_SETPOS, TRUE, 50);
        page->WndFunc(WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(host.Control(IDC_CHARGE_LIMIT)));
        EXPECT_EQ(host.Apply(), PW_FAILED);
        EXPECT_EQ(::SendMessageW(host.Control(IDC_CHARGE_LIMIT), TBM_GETPOS, 0, 0), 90);
        EXPECT_EQ(testsupport::ReadTextFile(devices.File(L"charge-limit")), "90");
        // A later successful apply stores what was rolled back, not the refused value.
        host.Click(IDC_PLAN_PERFORMANCE);
        EXPECT_EQ(host.Apply(), 0);
        EXPECT_EQ(StoredLimit(product + L"CurrentSettingProfileData.xml"), "90");
        EXPECT_EQ(testsupport::ReadTextFile(devices.File(L"power-plan")), "2");
        page->WndFunc(WM_DESTROY, 0, 0);
    }
    {
        // A second visit reads back what the first one stored.
        HostedPage again(module.get(), page);
        EXPECT_EQ(::SendMessageW(again.Control(IDC_CHARGE_LIMIT), TBM_GETPOS, 0, 0), 90);
        EXPECT_EQ(::SendMessageW(again.Control(IDC_PLAN_PERFORMANCE), BM_GETCHECK, 0, 0), BST_CHECKED);

        // A policy written while the page is open, as a Group Policy refresh does, shows without a
        // restart: the administrator's value, the control disabled, the managed line; and the charger
        // follows it. Removing it brings back the user's value.
        testsupport::ScopedPolicy policy(L"7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5E");
        const HWND limit = again.Control(IDC_CHARGE_LIMIT);
        const HWND line = again.Control(0x7FF0);
        ASSERT_NE(line, nullptr);
        EXPECT_FALSE(::GetWindowLongW(line, GWL_STYLE) & WS_VISIBLE);
        ASSERT_TRUE(policy.SetNumber(HKEY_LOCAL_MACHINE, 3, 70));
        auto lineShown = [&] { return (::GetWindowLongW(line, GWL_STYLE) & WS_VISIBLE) != 0; };
        EXPECT_TRUE(testsupport::PumpUntil(
            [&] { return ::SendMessageW(limit, TBM_GETPOS, 0, 0) == 70 && !::IsWindowEnabled(limit) && lineShown(); },
            15000));
        EXPECT_EQ(testsupport::ReadTextFile(devices.File(L"charge-limit")), "70");
        policy.Remove(HKEY_LOCAL_MACHINE, 3);
        EXPECT_TRUE(testsupport::PumpUntil(
            [&] { return ::SendMessageW(limit, TBM_GETPOS, 0, 0) == 90 && ::IsWindowEnabled(limit) && !lineShown(); },
            15000));
        EXPECT_EQ(StoredLimit(product + L"CurrentSettingProfileData.xml"), "90");
        EXPECT_EQ(testsupport::ReadTextFile(devices.File(L"charge-limit")), "90");
    }
    desc.reset();
    plugwerk_testing::ReleaseRealServices();
    EXPECT_TRUE(testsupport::WaitUntil([] { return HostProcesses() == 0; }, 20000)) << "the service ends with its last client";
}

}  // namespace
