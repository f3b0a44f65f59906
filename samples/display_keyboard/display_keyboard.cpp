// Display and keyboard: one page with two tabs. The brightness, backlight and function-key settings
// are kept by the settings service and carried to registry values that stand in for the hardware.
// The brightness follows the panel's key when something else (a hot key, a driver) writes it, and the
// keyboard backlight is reported as a status that follows the keyboard's key.
#include "../common/sample_hardware.h"
#include "resource.h"

namespace {

HINSTANCE g_module;
// The backlight status keeps a pointer to its key's path, so the text lives as long as the module.
CStringW g_keyboardKey;

CStringW Text(UINT id) {
    CStringW text;
    text.LoadString(g_module, id);
    return text;
}

CStringW ModulePath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(g_module, path, MAX_PATH);
    return path;
}

class ShortcutsDialog : public CPDialog {
public:
    ShortcutsDialog() : CPDialog(g_module) {}
};

class ShortcutButton : public ButtonItem {
public:
    ShortcutButton() : ButtonItem(0, 0, IDC_SHORTCUT_DETAILS) {}
    long OnButtonClick() override {
        ShortcutsDialog dialog;
        dialog.Create(GetParentWnd(), IDD_SHORTCUTS);
        return 0;
    }
};

// A control shown and hidden with its tab that holds no setting: labels, the second radio button.
class TabMember : public CEditItem {
public:
    explicit TabMember(int controlID) : CEditItem(0, 0, controlID, 0, nullptr) {}
    long OnInitItem() override { return 0; }  // keeps the template's text
};

// The backlight timeout fills its list late, as every combo box does, and then shows itself whichever
// tab is in front. Behind the other tab it fills and stays hidden: putting the tab back in order
// afterwards hid and showed every control of the page, and repainted it, on every visit.
class TimeoutBox : public ComBoxItem {
public:
    TimeoutBox(CTabItem* tab, unsigned ownTab, SettingOption* option)
        : ComBoxItem(0, 0, IDC_TIMEOUT, SETTING_BACKLIGHT_TIMEOUT, option), tab_(tab), ownTab_(ownTab) {}

    long DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_TIMER || wParam != kFillTimer || tab_->GetActivePage() == ownTab_) {
            return ComBoxItem::DefWindowProcW(message, wParam, lParam);
        }
        LoadItemInfo();
        SetItem(m_vData);
        if (HWND page = GetParentWnd()) ::KillTimer(page, kFillTimer);
        return 0;
    }

private:
    // The timer every combo box of a page starts to fill itself.
    static constexpr UINT_PTR kFillTimer = 1;
    CTabItem* tab_;
    unsigned ownTab_;
};

class DisplayKeyboardPage : public PluginClass {
public:
    DisplayKeyboardPage() : PluginClass(IDS_NAME, IDS_DESCRIPTION, IDD_PAGE, DISPLAY_KEYBOARD_CLASS_ID) {
        SetIcon(IDI_PAGE);
        SetCategory(1);
        tab_ = new CTabItem(0, 0, IDC_TAB, 0, nullptr);
        tab_->AddPage(Text(IDS_TAB_DISPLAY));
        tab_->AddPage(Text(IDS_TAB_KEYBOARD));

        auto* picture = new CPictureItem(0, 0, IDC_PICTURE, 0, nullptr);
        picture->AddPictureInfo(ModulePath(), IMAGE_ICON, IDI_PAGE, 32, 32);
        auto* panel = new CEditItem(0, 0, IDC_PANEL, 0, nullptr);
        panel->SetDisplayText(Text(IDS_PANEL));
        brightness_ = new CSliderItem(0, 0, IDC_BRIGHTNESS, SETTING_BRIGHTNESS,
                                           new sample::RegistryOption(L"Panel", L"Brightness"));
        brightness_->GetSliderData(0, 100, 10);
        AddToTab(0, picture);
        AddToTab(0, panel);
        AddToTab(0, new TabMember(IDC_BRIGHTNESS_LABEL));
        AddToTab(0, brightness_);

        AddToTab(1, new CheckBoxItem(0, 0, IDC_BACKLIGHT, SETTING_BACKLIGHT,
                                     new sample::RegistryOption(L"Keyboard", L"Backlight")));
        AddToTab(1, new TabMember(IDC_TIMEOUT_LABEL));
        auto* timeout = new TimeoutBox(tab_, 1, new sample::RegistryOption(L"Keyboard", L"BacklightTimeout"));
        for (UINT id : {IDS_TIMEOUT_NEVER, IDS_TIMEOUT_5, IDS_TIMEOUT_15, IDS_TIMEOUT_30}) timeout->AddString(Text(id));
        AddToTab(1, timeout);
        auto* keys = new CRadioButtonItem(0, 0, IDC_FKEYS_STANDARD, 2, SETTING_FUNCTION_KEYS,
                                          new sample::RegistryOption(L"Keyboard", L"FunctionKeys"));
        AddToTab(1, keys);
        // The second radio button is shown and hidden with the tab as well.
        AddToTab(1, new TabMember(IDC_FKEYS_MEDIA));
        AddToTab(1, new TabMember(IDC_SHORTCUTS_LABEL));
        auto* shortcuts = new CListBoxItem(0, 0, IDC_SHORTCUTS, 0, nullptr);
        CAtlArray<CStringW> lines;
        for (UINT id : {IDS_SHORTCUT_1, IDS_SHORTCUT_2, IDS_SHORTCUT_3, IDS_SHORTCUT_4}) lines.Add(Text(id));
        shortcuts->AddListArray(lines);
        AddToTab(1, shortcuts);
        AddToTab(1, new ShortcutButton);
        RegisterItem(tab_);

        panelKey_ = sample::EnsureDeviceKey(L"Panel");
        g_keyboardKey = sample::EnsureDeviceKey(L"Keyboard");
        auto* backlight = new CRegStatusItem(IDS_STATUS_BACKLIGHT, IDS_STATUS_BACKLIGHT_DESCRIPTION, HKEY_CURRENT_USER,
                                             g_keyboardKey, new sample::RegistryStatusOption(L"Keyboard", L"Backlight"));
        backlight->AddStatus(STATUS_TYPE_NOTE, Text(IDS_BACKLIGHT_OFF));
        backlight->AddStatus(STATUS_TYPE_GOOD, Text(IDS_BACKLIGHT_ON));
        backlight->SetCategory(2);
        RegisterStatus(backlight);
    }

    bool CanShow() override { return true; }

    long DefWindowProcW(UINT message, WPARAM, LPARAM) override {
        if (message == WM_INITDIALOG) {
            tab_->InitTab();
            tab_->ShowTab();
            brightness_->RegisterChange(HKEY_CURRENT_USER, panelKey_);
        }
        return PW_NOT_HANDLED;
    }

private:
    void AddToTab(unsigned tab, SettingItem* item) {
        tab_->InsertItem(tab, item);
        RegisterItem(item);
    }

    CTabItem* tab_;
    CSliderItem* brightness_;
    CStringW panelKey_;
};

class DisplayKeyboardDesc : public ClassDesc {
public:
    DisplayKeyboardDesc() {
        SetInstance(g_module);
        AddClass(new DisplayKeyboardPage);
    }
    const wchar_t* GetPluginName() override { return L"Display and keyboard sample"; }
};

}  // namespace

extern "C" PLUGWERK_FACTORY_EXPORT ClassDesc* global_newClassDesc(void*) { return new DisplayKeyboardDesc; }

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_module = module;
    return TRUE;
}
