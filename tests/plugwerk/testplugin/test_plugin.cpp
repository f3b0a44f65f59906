// A plug-in built from the public kit alone, whose options do what the test asks through the shared
// state block.
#include <stdexcept>
#include <stdio.h>

#include "plugwerk/plugwerk.h"
#include "test_plugin_api.h"

namespace {

TestPluginState g_state;
HINSTANCE g_module;

void Log(const wchar_t* what, int index, int value) {
    wchar_t entry[32];
    swprintf(entry, 32, L"%ls%d=%d;", what, index, value);
    wcsncat(g_state.log, entry, 2047 - wcslen(g_state.log));
}

int IntOf(const VARIANT& value) { return value.vt == VT_BOOL ? value.boolVal : value.intVal; }

class TestOption : public SettingOption {
public:
    explicit TestOption(int index) : index_(index) {}
    long OnSettingChange(const VARIANT& value) override {
        Log(L"Change", index_, IntOf(value));
        return State().veto ? 1 : 0;
    }
    long OnSetStart(const VARIANT& value) override {
        Log(L"Start", index_, IntOf(value));
        return State().refuseStart ? 2 : 0;
    }
    long OnSetEnd(const VARIANT& value) override {
        Log(L"End", index_, IntOf(value));
        return 0;
    }
    long Set(const VARIANT& value) override {
        Log(L"Set", index_, IntOf(value));
        ++State().sets;
        if (State().throwIn) throw std::runtime_error("hardware gone");
        if (State().failSet) return 2;
        State().systemValue = IntOf(value);
        return 0;
    }
    long Get(VARIANT& value) override {
        if (State().throwIn) throw std::runtime_error("hardware gone");
        if (!State().hasSystemValue) {
            value.vt = VT_EMPTY;
            return 0;
        }
        if (value.vt == VT_BOOL) {
            value.boolVal = static_cast<VARIANT_BOOL>(State().systemValue);
        } else {
            value.intVal = State().systemValue;
        }
        return 0;
    }

private:
    TestPluginOption& State() { return g_state.options[index_]; }
    int index_;
};

class TestButton : public ButtonItem {
public:
    TestButton() : ButtonItem(0, 0, IDC_TP_BUTTON) {}
    long OnButtonClick() override { return g_state.buttonResult; }
};

class TestPage : public PluginClass {
public:
    TestPage() : PluginClass(IDS_TP_NAME, IDS_TP_DESCRIPTION, IDD_TP_PAGE, TP_CLASS_ID) {
        SetIcon(IDI_TP_PAGE);
        SetCategory(3);
        RegisterItem(new CheckBoxItem(0, 0, IDC_TP_CHECK, TP_CHECK, new TestOption(TP_CHECK)));
        auto* slider = new CSliderItem(0, 0, IDC_TP_SLIDER, TP_SLIDER, new TestOption(TP_SLIDER));
        slider->GetSliderData(0, 10, 1);
        RegisterItem(slider);
        auto* combo = new ComBoxItem(0, 0, IDC_TP_COMBO, TP_COMBO, new TestOption(TP_COMBO));
        for (const wchar_t* text : {L"Low", L"Medium", L"High"}) combo->AddString(text);
        RegisterItem(combo);
        RegisterItem(new CRadioButtonItem(0, 0, IDC_TP_RADIO, 3, TP_RADIO, new TestOption(TP_RADIO)));
        RegisterItem(new TestButton);
        RegisterStart(L"C:\\Tools\\tp.exe", L"/x", L"C:\\Tools");
        RegisterHelp(L"C:\\Help\\tp.chm", 7, 9);
    }
    bool CanShow() override {
        if (g_state.throwInCanShow) throw std::runtime_error("no");
        return g_state.canShow != 0;
    }
};

// Strings longer than the host's buffers, to show that copies stop at the buffer's end.
class LongPage : public PluginClass {
public:
    LongPage() : PluginClass(IDS_TP_NAME, IDS_TP_DESCRIPTION, IDD_TP_LONG, CStringW(L'c', 300)) {
        SetResPath(CStringW(L'r', 1500));
        RegisterStart(CStringW(L'p', 1500), CStringW(L'o', 300), CStringW(L'f', 300));
        RegisterHelp(CStringW(L'h', 1500), 1, 2);
    }
    bool CanShow() override { return true; }
};

class NoTemplatePage : public PluginClass {
public:
    NoTemplatePage() : PluginClass(0, 0, 0, TP_CLASS_ID) {}
    bool CanShow() override { return true; }
};

class TestDesc : public ClassDesc {
public:
    TestDesc() {
        SetInstance(g_module);
        AddClass(new TestPage);
        AddClass(new LongPage);
        // A page without a dialog template is refused and stays the plug-in's to delete.
        auto* refused = new NoTemplatePage;
        AddClass(refused);
        if (GetClassCount() == 2) delete refused;
    }
    const wchar_t* GetPluginName() override { return L"Plugwerk test plug-in"; }
};

}  // namespace

extern "C" PLUGWERK_FACTORY_EXPORT ClassDesc* global_newClassDesc(void*) { return new TestDesc; }

extern "C" __declspec(dllexport) TestPluginState* TestPlugin_State() { return &g_state; }

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_module = module;
    return TRUE;
}
