// Two plain pages for the settings-window tests: a check box bound to a setting, an edit box and a
// button, so the tests can modify a page, walk its tab order and watch its applies and leave answers.
#include "plugwerk/plugwerk.h"
#include "host_plugin_api.h"

namespace {

HostPluginState g_state;
HINSTANCE g_module;

class CountingOption : public SettingOption {
public:
    explicit CountingOption(HostPluginPageState* state) : state_(state) {}
    long Set(const VARIANT& value) override {
        if (state_->setDelayMs > 0) ::Sleep(static_cast<DWORD>(state_->setDelayMs));
        state_->lastSetValue = value.vt == VT_BOOL ? value.boolVal : value.intVal;
        ::InterlockedIncrement(&state_->sets);
        return 0;
    }
    long Get(VARIANT& value) override {
        value.vt = VT_EMPTY;
        return 0;
    }

private:
    HostPluginPageState* state_;
};

// Reads one of the state block's values, as a device would report it.
class ValueOption : public StatusOption {
public:
    explicit ValueOption(volatile LONG* value) : value_(value) {}
    long Get(VARIANT& value) override {
        value.vt = VT_I4;
        value.lVal = *value_;
        return 0;
    }

private:
    volatile LONG* value_;
};

StatusItem* MakeStatus(unsigned name, unsigned category, volatile LONG* value, const wchar_t* path = nullptr) {
    auto* item = new CDevStatusItem(static_cast<int>(name), 0, new ValueOption(value));
    item->AddStatus(1, L"On");
    item->AddStatus(3, L"Off");
    item->SetCategory(category);
    if (path) item->SetSettingPath(path, L"", L"");
    return item;
}

class HostPage : public PluginClass {
public:
    HostPage(unsigned name, unsigned description, const wchar_t* classId, HostPluginPageState* state)
        : PluginClass(name, description, IDD_HP_PAGE, classId), state_(state) {
        SetCategory(1);
        RegisterItem(new CheckBoxItem(0, 0, IDC_HP_CHECK, 1, new CountingOption(state)));
    }
    bool CanShow() override { return true; }
    void AddStatus(StatusItem* item) { RegisterStatus(item); }
    long DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam) override {
        m_nWaitUI = state_->waitUI;
        if (message == WM_DESTROY) {
            ::InterlockedIncrement(&state_->leaveQuestions);
            if (state_->leaveAnswer) return state_->leaveAnswer;
        }
        return PluginClass::DefWindowProcW(message, wParam, lParam);
    }

private:
    HostPluginPageState* state_;
};

class HostDesc : public ClassDesc {
public:
    HostDesc() {
        SetInstance(g_module);
        auto* first = new HostPage(IDS_HP_FIRST_NAME, IDS_HP_FIRST_DESCRIPTION, HP_FIRST_CLASS_ID, &g_state.pages[0]);
        // Above "Fan" in its list, with a name that starts like it.
        first->AddStatus(MakeStatus(IDS_HP_STATUS_SPEED, 0, &g_state.status.speed));
        first->AddStatus(MakeStatus(IDS_HP_STATUS_SHOWN, 0, &g_state.status.shown));
        first->AddStatus(MakeStatus(IDS_HP_STATUS_HIDDEN, 3, &g_state.status.hidden));
        first->AddStatus(MakeStatus(IDS_HP_STATUS_BROKEN, 1, &g_state.status.broken));
        first->AddStatus(MakeStatus(IDS_HP_STATUS_NEXT, 1, &g_state.status.next));
        AddClass(first);
        auto* second = new HostPage(IDS_HP_SECOND_NAME, IDS_HP_SECOND_DESCRIPTION, HP_SECOND_CLASS_ID, &g_state.pages[1]);
        // Named like the first page's shown status, with a file that does not exist.
        second->AddStatus(MakeStatus(IDS_HP_STATUS_SHOWN, 2, &g_state.status.twin, L"C:\\nowhere\\tool.exe"));
        AddClass(second);
    }
    const wchar_t* GetPluginName() override { return L"Host test pages"; }
};

}  // namespace

extern "C" PLUGWERK_FACTORY_EXPORT ClassDesc* global_newClassDesc(void*) { return new HostDesc; }

extern "C" __declspec(dllexport) HostPluginState* HostPlugin_State() { return &g_state; }

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_module = module;
    return TRUE;
}
