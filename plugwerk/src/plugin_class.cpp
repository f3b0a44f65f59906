#include "plugwerk/plugin_class.h"

#include "change_listener.h"
#include "internal.h"
#include "plugwerk/item.h"
#include "plugwerk/status_item.h"
#include "policy_lock.h"

using plugwerk::Guarded;

PluginClass::PluginClass(unsigned name, unsigned description, unsigned IDD, const CStringW& classID)
    : m_nIDD(IDD),
      m_nName(name),
      m_nDescription(description),
      m_nIcon(0),
      m_nAuthority(0),
      m_nCategory(0),
      m_hWnd(nullptr),
      m_nHelpOption1(0),
      m_nHelpOption2(0),
      m_strClassID(classID),
      m_nWaitUI(0),
      m_nStatusCursor(0) {}

PluginClass::~PluginClass() {
    for (SettingItem* item : m_settingItems) delete item;
    for (StatusItem* item : m_statusItems) delete item;
}

long PluginClass::InitClass() { return 0; }
long PluginClass::DefWindowProcW(UINT, WPARAM, LPARAM) { return PW_NOT_HANDLED; }

unsigned PluginClass::GetIDD() { return m_nIDD; }
unsigned PluginClass::GetName() { return m_nName; }
unsigned PluginClass::GetDescription() { return m_nDescription; }
unsigned PluginClass::GetIcon() { return m_nIcon; }
unsigned PluginClass::GetCategory() { return m_nCategory; }
unsigned PluginClass::GetAuthority() { return m_nAuthority; }
HWND PluginClass::GetSafeHwnd() { return m_hWnd; }

void PluginClass::GetClassID(wchar_t* buffer) { plugwerk::CopyBounded(buffer, PLUGWERK_ID_CHARS, m_strClassID); }
void PluginClass::GetResPath(wchar_t* buffer) { plugwerk::CopyBounded(buffer, PLUGWERK_PATH_CHARS, m_strResPath); }

void PluginClass::GetStartItem(wchar_t* path, wchar_t* option, wchar_t* folder) {
    plugwerk::CopyBounded(path, PLUGWERK_PATH_CHARS, m_strStartPath);
    plugwerk::CopyBounded(option, PLUGWERK_ID_CHARS, m_strStartOption);
    plugwerk::CopyBounded(folder, PLUGWERK_ID_CHARS, m_strStartFolder);
}

void PluginClass::GetHelpItem(wchar_t* path, unsigned& option1, unsigned& option2) {
    plugwerk::CopyBounded(path, PLUGWERK_PATH_CHARS, m_strHelpPath);
    option1 = m_nHelpOption1;
    option2 = m_nHelpOption2;
}

int PluginClass::IsWaitUI() { return m_nWaitUI; }

bool PluginClass::IsModified() {
    for (SettingItem* item : m_settingItems) {
        if (item->IsModified()) return true;
    }
    return false;
}

int PluginClass::IsCanSet() {
    for (SettingItem* item : m_settingItems) {
        if (item->IsCanSet()) return 1;
    }
    return 0;
}

long PluginClass::IsDefault() {
    for (SettingItem* item : m_settingItems) {
        VARIANT value;
        plugwerk::ZeroVariant(value);
        if (item->GetDefault(value) == 0) {
            ::VariantClear(&value);
            return 0;
        }
    }
    return PW_NO_DEFAULT;
}

bool PluginClass::IsShow() {
    if (!plugwerk::ProcessHasAdministrators() && m_nAuthority == 0) return false;
    return Guarded(false, [&] { return CanShow(); });
}

int PluginClass::GetSettingItemListCount() { return static_cast<int>(m_settingItems.size()); }

SettingItem* PluginClass::GetSettingItem(unsigned controlID) {
    for (SettingItem* item : m_settingItems) {
        // Items without controls report 0 as their first control; they must not match control 0.
        unsigned first = item->GetControlID();
        if (first == controlID && item->FindControl(first)) return item;
    }
    return nullptr;
}

void PluginClass::MovetoFirst() { m_nStatusCursor = 0; }

StatusItem* PluginClass::GetNextStatusItem() {
    if (m_nStatusCursor >= m_statusItems.size()) {
        m_nStatusCursor = 0;
        return nullptr;
    }
    return m_statusItems[m_nStatusCursor++];
}

void PluginClass::SetCategory(unsigned category) { m_nCategory = category; }
void PluginClass::SetIcon(unsigned icon) { m_nIcon = icon; }
void PluginClass::SetAuthority(unsigned authority) { m_nAuthority = authority; }
void PluginClass::SetResPath(CStringW path) { m_strResPath = path; }

void PluginClass::RegisterItem(SettingItem* item) {
    if (!item) return;
    m_settingItems.push_back(item);
    plugwerk::GuardedVoid([&] { item->InitType(); });
    // The class id must be in place before the default is read from the service.
    item->SetClassID(m_strClassID);
    item->InitDefault();
    item->SetParentPtr(this);
}

void PluginClass::RegisterStatus(StatusItem* item) {
    if (!item) return;
    m_statusItems.push_back(item);
    item->SetClassID(m_strClassID);
}

void PluginClass::RegisterStart(const CStringW& path, const CStringW& option, const CStringW& folder) {
    m_strStartPath = path;
    m_strStartOption = option;
    m_strStartFolder = folder;
}

void PluginClass::RegisterHelp(const CStringW& path, unsigned option1, unsigned option2) {
    m_strHelpPath = path;
    m_nHelpOption1 = option1;
    m_nHelpOption2 = option2;
}

long PluginClass::SetControlPos(unsigned controlID, const RECT& rect) {
    int dpiX = 96, dpiY = 96;
    plugwerk::ScreenDpi(dpiX, dpiY);
    ControlPos pos = {controlID, ::MulDiv(rect.left, dpiX, 96), ::MulDiv(rect.top, dpiY, 96),
                      ::MulDiv(rect.right, dpiX, 96), ::MulDiv(rect.bottom, dpiY, 96)};
    for (ControlPos& existing : m_controlPos) {
        if (existing.id == controlID) {
            existing = pos;
            return 0;
        }
    }
    m_controlPos.push_back(pos);
    return 0;
}

long PluginClass::SetControlPos(unsigned controlID, unsigned x, unsigned y, unsigned width, unsigned height) {
    RECT rect = {static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + width), static_cast<LONG>(y + height)};
    return SetControlPos(controlID, rect);
}

void PluginClass::ApplyControlPositions() {
    for (const ControlPos& pos : m_controlPos) {
        HWND control = ::GetDlgItem(m_hWnd, static_cast<int>(pos.id));
        if (!control || !::IsWindow(control)) continue;
        ::MoveWindow(control, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top, FALSE);
    }
}

long PluginClass::BindClassWnd(HWND page) {
    if (!page || !::IsWindow(page)) return PW_NOT_POSSIBLE;
    m_hWnd = page;
    long result = PW_NOT_POSSIBLE;
    for (SettingItem* item : m_settingItems) result = item->BindItemWnd(page);
    return result;
}

void PluginClass::CallBackAllSetting(bool write) {
    for (SettingItem* item : m_settingItems) {
        if (item->IsModified()) item->WndFunc(PWM_ROLLBACK, write ? 1 : 0, 0);
    }
}

long PluginClass::Apply() {
    auto clearUiChanged = [this] {
        for (SettingItem* item : m_settingItems) item->SetUIChange(0);
    };
    long result = PW_NOT_POSSIBLE;
    for (SettingItem* item : m_settingItems) {
        if (!item->IsModified()) continue;
        result = item->WndFunc(PWM_APPLY_START, 0, 0);
        if (result == PW_FAILED) {
            CallBackAllSetting(false);
            clearUiChanged();
            return PW_REFUSED;
        }
    }
    bool stored = false;
    for (SettingItem* item : m_settingItems) {
        if (!item->IsModified()) continue;
        stored = stored || item->GetSettingID() != 0;
        result = item->WndFunc(PWM_APPLY, 0, 0);
        if (result == PW_FAILED) {
            CallBackAllSetting(true);
            clearUiChanged();
            return PW_FAILED;
        }
    }
    CSettingServices* services = GetSettingServices();
    if (services && services->Settory()) {
        HRESULT hr = services->Settory()->UpdateCurrentSetting();
        // The values were written to the system but not stored: taking that for success would let
        // the next page visit push the old stored values back onto the system.
        if (hr != 0 && stored) {
            CallBackAllSetting(true);
            clearUiChanged();
            return PW_FAILED;
        }
    }
    for (SettingItem* item : m_settingItems) {
        item->SetUIChange(0);
        if (item->IsModified()) result = item->WndFunc(PWM_APPLY_END, 0, 0);
    }
    return result;
}

long PluginClass::WndFunc(UINT message, WPARAM wParam, LPARAM lParam) {
    long result = PW_NOT_POSSIBLE;
    switch (message) {
    case WM_DESTROY:
        if (wParam == 1) {
            plugwerk::StopChangeListener();
            break;
        }
        for (SettingItem* item : m_settingItems) {
            result = item->UnRegisterChange();
            // Clears the modified and UI-changed flags and lets the item see WM_DESTROY.
            item->WndFunc(WM_DESTROY, 0, reinterpret_cast<LPARAM>(m_hWnd));
            if (result == PW_LOCK_BUSY) return PW_LOCK_BUSY;
        }
        break;
    case WM_INITDIALOG:
        ApplyControlPositions();
        plugwerk::CreateManagedLine(m_hWnd);
        for (SettingItem* item : m_settingItems) item->WndFunc(PWM_INIT_ITEM, 0, reinterpret_cast<LPARAM>(m_hWnd));
        plugwerk::UpdateManagedLine(m_hWnd);
        break;
    case WM_COMMAND:
        for (SettingItem* item : m_settingItems) {
            if (!item->FindControl(LOWORD(wParam))) continue;
            result = Guarded(1L, [&] { return item->OnCommand(HIWORD(wParam), lParam); });
        }
        break;
    case WM_NOTIFY:
    case WM_TIMER:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case PWM_RESET_DEFAULT:
        for (SettingItem* item : m_settingItems) result = item->WndFunc(message, wParam, lParam);
        break;
    case PWM_APPLY:
        result = Apply();
        break;
    case PWM_CANCEL:
        CallBackAllSetting(false);
        break;
    default:
        for (SettingItem* item : m_settingItems) {
            unsigned change = item->GetSettingChangeMsg();
            if (change != 0 && change == message) result = item->WndFunc(message, wParam, lParam);
        }
        break;
    }
    long own = Guarded(static_cast<long>(PW_NOT_HANDLED), [&] { return DefWindowProcW(message, wParam, lParam); });
    return own == PW_NOT_HANDLED ? result : own;
}

long PluginClass::MessageBoxW(const wchar_t* text, unsigned type) {
    if (!m_hWnd || !::IsWindow(m_hWnd)) return PW_NOT_POSSIBLE;
    ::InterlockedExchange(&m_nWaitUI, 1);
    HWND owner = ::GetParent(::GetParent(m_hWnd));
    wchar_t caption[100] = {};
    if (owner) ::GetWindowTextW(owner, caption, 100);
    long result = ::MessageBoxW(owner, text, caption, type);
    ::InterlockedExchange(&m_nWaitUI, 0);
    return result;
}
