// The smallest complete plug-in: one page with one check box whose value is kept by the settings
// service and carried to a registry value that stands in for the hardware.
#include "plugwerk/plugwerk.h"
#include "resource.h"

namespace {

HINSTANCE g_module;

// Carries the setting to the "hardware" and back.
class PercentageOption : public SettingOption {
public:
    long Set(const VARIANT& value) override {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return 2;  // failure: the page rolls the apply back
        }
        DWORD data = value.boolVal ? 1 : 0;
        LONG rc = ::RegSetValueExW(key, L"ShowPercentage", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
        ::RegCloseKey(key);
        return rc == ERROR_SUCCESS ? 0 : 2;
    }
    long Get(VARIANT& value) override {
        DWORD data = 0, size = sizeof(data);
        if (::RegGetValueW(HKEY_CURRENT_USER, kKey, L"ShowPercentage", RRF_RT_REG_DWORD, nullptr, &data, &size) != ERROR_SUCCESS) {
            value.vt = VT_EMPTY;  // nothing in the system yet: the stored setting decides
            return 0;
        }
        value.boolVal = data ? 1 : 0;  // value.vt is already VT_BOOL
        return 0;
    }

private:
    static constexpr const wchar_t* kKey = L"Software\\Quor Corporation\\Ostrel\\SampleHardware\\Minimal";
};

class BatteryPage : public PluginClass {
public:
    BatteryPage() : PluginClass(IDS_NAME, IDS_DESCRIPTION, IDD_PAGE, MINIMAL_CLASS_ID) {
        SetIcon(IDI_PAGE);
        SetCategory(3);
        // Setting 1 of this class id, shown by the check box, carried by the option (owned by the item).
        RegisterItem(new CheckBoxItem(IDS_NAME, IDS_DESCRIPTION, IDC_PERCENTAGE, 1, new PercentageOption));
    }
    bool CanShow() override { return true; }
};

class MinimalDesc : public ClassDesc {
public:
    MinimalDesc() {
        SetInstance(g_module);
        AddClass(new BatteryPage);
        name_.LoadString(IDS_NAME);  // from this DLL's own string table
    }
    const wchar_t* GetPluginName() override { return name_; }

private:
    CStringW name_;
};

}  // namespace

extern "C" PLUGWERK_FACTORY_EXPORT ClassDesc* global_newClassDesc(void*) { return new MinimalDesc; }

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_module = module;
    return TRUE;
}
