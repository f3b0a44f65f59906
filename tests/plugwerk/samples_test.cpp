// The sample plug-ins as the host drives them, against their stand-in hardware in a scratch registry
// key and a temporary device folder.
#include <gtest/gtest.h>

#include <string>

#include "fake_settory.h"
#include "page_host.h"
#include "../../samples/display_keyboard/resource.h"
#include "../../samples/power_wireless/resource.h"

namespace {

using pwtest::HostedPage;
using testsupport::TempFolder;

struct Sample {
    explicit Sample(const wchar_t* dll) : module(::LoadLibraryW(dll)) {
        auto factory = reinterpret_cast<PlugwerkFactory>(::GetProcAddress(module.get(), PLUGWERK_FACTORY_NAME));
        desc = factory ? factory(nullptr) : nullptr;
    }
    ~Sample() { delete desc; }
    base::UniqueModule module;
    ClassDesc* desc = nullptr;
};

std::string Device(const TempFolder& folder, const wchar_t* name) {
    return testsupport::ReadTextFile(folder.File(name));
}

void Slide(HostedPage& host, PluginClass* page, int id, int position) {
    ::SendMessageW(host.Control(id), TBM_SETPOS, TRUE, position);
    page->WndFunc(WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(host.Control(id)));
}

TEST(SamplePower, ChargerRefusesLimitsBelowItsMinimumAndTheApplyIsRolledBack) {
    pwtest::ScopedFakeService service;
    service.fake.defaults[{POWER_CLASS_ID, SETTING_CHARGE_LIMIT}] = L"80";
    service.fake.defaults[{POWER_CLASS_ID, SETTING_LID_ACTION}] = L"1";
    TempFolder devices;
    testsupport::ScopedEnv where(L"OSTREL_SAMPLE_DEVICES", devices.Path());
    Sample sample(L"OstrelPowerWireless.dll");
    ASSERT_NE(sample.desc, nullptr);
    ASSERT_EQ(sample.desc->GetClassCount(), 2);
    PluginClass* page = sample.desc->GetClasses(0);
    HostedPage host(sample.module.get(), page);
    ASSERT_NE(host.Window(), nullptr);
    EXPECT_EQ(::SendMessageW(host.Control(IDC_CHARGE_LIMIT), TBM_GETPOS, 0, 0), 80);

    Slide(host, page, IDC_CHARGE_LIMIT, 90);
    EXPECT_EQ(host.Apply(), 0);
    EXPECT_EQ(Device(devices, L"charge-limit"), "90");
    EXPECT_EQ((service.fake.current[{POWER_CLASS_ID, SETTING_CHARGE_LIMIT}]), L"90");

    Slide(host, page, IDC_CHARGE_LIMIT, 50);
    EXPECT_EQ(host.Apply(), PW_FAILED);
    EXPECT_EQ(Device(devices, L"charge-limit"), "90");
    EXPECT_EQ((service.fake.current[{POWER_CLASS_ID, SETTING_CHARGE_LIMIT}]), L"90");
    EXPECT_EQ(::SendMessageW(host.Control(IDC_CHARGE_LIMIT), TBM_GETPOS, 0, 0), 90);
}

TEST(SampleWireless, WifiStaysOffInAirplaneModeAndTheDeviceNameIsAStringSetting) {
    pwtest::ScopedFakeService service;
    service.fake.defaults[{WIRELESS_CLASS_ID, SETTING_WIFI}] = L"1";
    service.fake.defaults[{WIRELESS_CLASS_ID, SETTING_DEVICE_NAME}] = L"Ostrel laptop";
    TempFolder devices;
    testsupport::ScopedEnv where(L"OSTREL_SAMPLE_DEVICES", devices.Path());
    testsupport::WriteTextFile(devices.File(L"airplane"), "1");
    testsupport::WriteTextFile(devices.File(L"wifi"), "0");
    Sample sample(L"OstrelPowerWireless.dll");
    PluginClass* page = sample.desc->GetClasses(1);
    HostedPage host(sample.module.get(), page);
    // Stored "on", hardware "off": initialisation switches the radio on as the setting says.
    EXPECT_EQ(Device(devices, L"wifi"), "1");
    host.Click(IDC_WIFI);  // off: allowed
    EXPECT_EQ(host.Apply(), 0);
    EXPECT_EQ(Device(devices, L"wifi"), "0");
    host.Click(IDC_WIFI);  // on again while airplane mode is on: vetoed
    EXPECT_FALSE(page->IsModified());
    EXPECT_EQ(host.ValueChanges(), 1);

    wchar_t shown[64] = {};
    ::GetWindowTextW(host.Control(IDC_DEVICE_NAME), shown, 64);
    EXPECT_STREQ(shown, L"Ostrel laptop");
    ::SetWindowTextW(host.Control(IDC_DEVICE_NAME), L"Kitchen laptop");
    EXPECT_TRUE(page->IsModified());
    EXPECT_EQ(host.Apply(), 0);
    EXPECT_EQ(Device(devices, L"name"), "Kitchen laptop");
    EXPECT_EQ((service.fake.current[{WIRELESS_CLASS_ID, SETTING_DEVICE_NAME}]), L"Kitchen laptop");
}

TEST(SampleDisplayKeyboard, TabsAndRegistryHardware) {
    pwtest::ScopedFakeService service;
    service.fake.defaults[{DISPLAY_KEYBOARD_CLASS_ID, SETTING_BRIGHTNESS}] = L"70";
    service.fake.defaults[{DISPLAY_KEYBOARD_CLASS_ID, SETTING_BACKLIGHT}] = L"1";
    testsupport::ScratchKey hardware;
    testsupport::ScopedEnv where(L"OSTREL_SAMPLE_HARDWARE", hardware.SubkeyPath());
    Sample sample(L"OstrelDisplayKeyboard.dll");
    ASSERT_NE(sample.desc, nullptr);
    PluginClass* page = sample.desc->GetClasses(0);
    HostedPage host(sample.module.get(), page);
    auto visible = [&](int id) { return (::GetWindowLongW(host.Control(id), GWL_STYLE) & WS_VISIBLE) != 0; };
    EXPECT_TRUE(visible(IDC_BRIGHTNESS));
    EXPECT_FALSE(visible(IDC_BACKLIGHT));
    EXPECT_NE(::SendMessageW(host.Control(IDC_PICTURE), STM_GETICON, 0, 0), 0);
    // The backlight timeout fills itself a little later and must stay on its own tab.
    EXPECT_TRUE(testsupport::PumpUntil([&] { return ::SendMessageW(host.Control(IDC_TIMEOUT), CB_GETCOUNT, 0, 0) == 4; }, 2000));
    EXPECT_FALSE(visible(IDC_TIMEOUT));

    Slide(host, page, IDC_BRIGHTNESS, 40);
    EXPECT_EQ(host.Apply(), 0);
    DWORD brightness = 0, size = sizeof(brightness);
    ASSERT_EQ(::RegGetValueW(hardware.Get(), L"Panel", L"Brightness", RRF_RT_REG_DWORD, nullptr, &brightness, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(brightness, 40u);

    HWND tab = host.Control(IDC_TAB);
    ::SendMessageW(tab, TCM_SETCURSEL, 1, 0);
    NMHDR header = {tab, IDC_TAB, static_cast<UINT>(TCN_SELCHANGE)};
    page->WndFunc(WM_NOTIFY, IDC_TAB, reinterpret_cast<LPARAM>(&header));
    EXPECT_TRUE(visible(IDC_BACKLIGHT));
    EXPECT_TRUE(visible(IDC_TIMEOUT));
    EXPECT_FALSE(visible(IDC_BRIGHTNESS));
}

TEST(SampleMinimal, BuildsFromTheKitAndDescribesItsPage) {
    pwtest::ScopedNoService none;
    Sample sample(L"MinimalPlugin.dll");
    ASSERT_NE(sample.desc, nullptr);
    ASSERT_EQ(sample.desc->GetClassCount(), 1);
    wchar_t id[PLUGWERK_ID_CHARS] = {};
    sample.desc->GetClasses(0)->GetClassID(id);
    EXPECT_STREQ(id, L"5A1B2C3D-4E5F-4061-8728-394A5B6C7D8E");
    EXPECT_TRUE(sample.desc->GetClasses(0)->IsShow());
}

}  // namespace
