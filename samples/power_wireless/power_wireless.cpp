// Power and wireless: two pages whose settings are carried to small device files that stand in for
// the charger, the lid switch and the radios. Both pages follow changes made elsewhere (another
// process's apply signals the settings service's event), and report two statuses: the charger (device
// file "charger", 0 unplugged, 1 plugged in, read again on device and power changes) and airplane
// mode (the stored setting). The charger refuses limits below its minimum (the apply
// fails and is rolled back), and Wi-Fi cannot be switched on while airplane mode is on (the change
// is vetoed).
#include "../common/sample_hardware.h"
#include "resource.h"

namespace {

HINSTANCE g_module;

CStringW Text(UINT id) {
    CStringW text;
    text.LoadString(g_module, id);
    return text;
}

// The charger takes limits from its own minimum (device file charge-minimum, 60 when absent) up.
class ChargeLimitOption : public sample::DeviceFileOption {
public:
    ChargeLimitOption() : DeviceFileOption(L"charge-limit") {}
    long Set(const VARIANT& value) override {
        int minimum = 60;
        sample::ReadDeviceInt(L"charge-minimum", minimum);
        if (sample::IntOf(value) < minimum) return 2;
        return DeviceFileOption::Set(value);
    }
};

// Refuses to switch Wi-Fi on while the airplane-mode switch is on.
class WifiOption : public sample::DeviceFileOption {
public:
    WifiOption() : DeviceFileOption(L"wifi") {}
    long OnSettingChange(const VARIANT& value) override {
        int airplane = 0;
        sample::ReadDeviceInt(L"airplane", airplane);
        return sample::IntOf(value) && airplane ? 1 : 0;
    }
};

// Airplane mode switches the radios off in the hardware when applied.
class AirplaneOption : public sample::DeviceFileOption {
public:
    AirplaneOption() : DeviceFileOption(L"airplane") {}
    long Set(const VARIANT& value) override {
        if (sample::IntOf(value)) {
            sample::WriteDeviceInt(L"wifi", 0);
            sample::WriteDeviceInt(L"bluetooth", 0);
        }
        return DeviceFileOption::Set(value);
    }
};

class DeviceNameOption : public SettingOption {
public:
    long Set(const VARIANT& value) override {
        return sample::WriteDeviceText(L"name", value.bstrVal ? value.bstrVal : L"") ? 0 : 2;
    }
    long Get(VARIANT& value) override {
        CStringW name;
        if (!sample::ReadDeviceText(L"name", name)) {
            value.vt = VT_EMPTY;
            return 0;
        }
        value.bstrVal = name.AllocSysString();  // the item takes the string over
        return 0;
    }
};

// A string setting in an edit control. Strings do not compare by value, so a change is reported with
// Modified() once the text differs from the applied one.
class NameEditItem : public SettingItem {
public:
    NameEditItem(int controlID, unsigned settingID, SettingOption* option)
        : SettingItem(0, 0, controlID, settingID, option) {}
    void InitType() override { SetDataType(VT_BSTR); }
    long OnInitItem() override {
        SetItem(m_vData);
        return 0;
    }
    VARIANT GetItem() override { return m_vData; }
    void SetItem(const VARIANT& value) override {
        if (value.vt != VT_BSTR) return;
        HWND edit = GetControlWnd(0);
        if (!edit) return;
        showing_ = true;  // the EN_CHANGE that SetWindowTextW sends is not the user's
        ::SetWindowTextW(edit, value.bstrVal ? value.bstrVal : L"");
        showing_ = false;
    }
    long OnCommand(unsigned notifyCode, LPARAM) override {
        if (notifyCode != EN_CHANGE || showing_) return 1;
        HWND edit = GetControlWnd(0);
        int length = ::GetWindowTextLengthW(edit);
        CStringW text;
        ::GetWindowTextW(edit, text.GetBuffer(length + 1), length + 1);
        text.ReleaseBuffer();
        VARIANT typed;
        typed.vt = VT_BSTR;
        typed.bstrVal = text.AllocSysString();
        AssignValue(m_vData, typed);
        ::VariantClear(&typed);
        const wchar_t* applied = m_vApplied.vt == VT_BSTR && m_vApplied.bstrVal ? m_vApplied.bstrVal : L"";
        if (text != applied) Modified();
        return 0;
    }

private:
    bool showing_ = false;
};

class PowerPage : public PluginClass {
public:
    PowerPage() : PluginClass(IDS_POWER_NAME, IDS_POWER_DESCRIPTION, IDD_POWER, POWER_CLASS_ID) {
        SetIcon(IDI_POWER);
        SetCategory(3);
        RegisterItem(new CRadioButtonItem(0, 0, IDC_PLAN_QUIET, 3, SETTING_POWER_PLAN,
                                          new sample::DeviceFileOption(L"power-plan")));
        auto* lid = new ComBoxItem(0, 0, IDC_LID, SETTING_LID_ACTION, new sample::DeviceFileOption(L"lid-action"));
        for (UINT id : {IDS_LID_NOTHING, IDS_LID_SLEEP, IDS_LID_HIBERNATE, IDS_LID_SHUTDOWN}) lid->AddString(Text(id));
        RegisterItem(lid);
        limit_ = new CSliderItem(0, 0, IDC_CHARGE_LIMIT, SETTING_CHARGE_LIMIT, new ChargeLimitOption);
        limit_->GetSliderData(50, 100, 10);
        RegisterItem(limit_);

        auto* charger = new CDevStatusItem(IDS_STATUS_CHARGER, IDS_STATUS_CHARGER_DESCRIPTION,
                                           new sample::DeviceFileStatusOption(L"charger"));
        charger->AddStatus(STATUS_TYPE_WARNING, Text(IDS_CHARGER_UNPLUGGED));
        charger->AddStatus(STATUS_TYPE_GOOD, Text(IDS_CHARGER_PLUGGED));
        charger->SetCategory(0);
        RegisterStatus(charger);
    }
    bool CanShow() override { return true; }

    long DefWindowProcW(UINT message, WPARAM, LPARAM) override {
        // The page unregisters its items whenever it is left, so each visit registers again.
        if (message == WM_INITDIALOG) limit_->RegisterChange();
        return PW_NOT_HANDLED;
    }

private:
    CSliderItem* limit_;
};

class WirelessPage : public PluginClass {
public:
    WirelessPage() : PluginClass(IDS_WIRELESS_NAME, IDS_WIRELESS_DESCRIPTION, IDD_WIRELESS, WIRELESS_CLASS_ID) {
        SetIcon(IDI_WIRELESS);
        SetCategory(4);
        // Changing the radios needs no administrator.
        SetAuthority(1);
        radios_[0] = new CheckBoxItem(0, 0, IDC_AIRPLANE, SETTING_AIRPLANE, new AirplaneOption);
        radios_[1] = new CheckBoxItem(0, 0, IDC_WIFI, SETTING_WIFI, new WifiOption);
        radios_[2] = new CheckBoxItem(0, 0, IDC_BLUETOOTH, SETTING_BLUETOOTH, new sample::DeviceFileOption(L"bluetooth"));
        for (SettingItem* radio : radios_) RegisterItem(radio);
        RegisterItem(new NameEditItem(IDC_DEVICE_NAME, SETTING_DEVICE_NAME, new DeviceNameOption));

        auto* airplane = new CXMLStatusItem(IDS_STATUS_AIRPLANE, IDS_STATUS_AIRPLANE_DESCRIPTION, SETTING_AIRPLANE, nullptr);
        airplane->AddStatus(STATUS_TYPE_GOOD, Text(IDS_AIRPLANE_OFF));
        airplane->AddStatus(STATUS_TYPE_NOTE, Text(IDS_AIRPLANE_ON));
        airplane->SetCategory(1);
        RegisterStatus(airplane);
    }
    bool CanShow() override { return true; }

    long DefWindowProcW(UINT message, WPARAM, LPARAM) override {
        if (message == WM_INITDIALOG) {
            for (SettingItem* radio : radios_) radio->RegisterChange();
        }
        return PW_NOT_HANDLED;
    }

private:
    SettingItem* radios_[3];
};

class PowerWirelessDesc : public ClassDesc {
public:
    PowerWirelessDesc() {
        SetInstance(g_module);
        AddClass(new PowerPage);
        AddClass(new WirelessPage);
    }
    const wchar_t* GetPluginName() override { return L"Power and wireless sample"; }
};

}  // namespace

extern "C" PLUGWERK_FACTORY_EXPORT ClassDesc* global_newClassDesc(void*) { return new PowerWirelessDesc; }

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_module = module;
    return TRUE;
}
