#include "plugwerk/item.h"

#include <string.h>

#include "change_listener.h"
#include "internal.h"
#include "plugwerk/plugin_class.h"
#include "policy_lock.h"

using plugwerk::Guarded;
using plugwerk::GuardedVoid;

SettingOption::~SettingOption() = default;
long SettingOption::OnSettingChange(const VARIANT&) { return 0; }
long SettingOption::OnSetStart(const VARIANT&) { return 0; }
long SettingOption::OnSetEnd(const VARIANT&) { return 0; }

long StatusOption::Set(const VARIANT&) { return 0; }

Item::Item(int name, int description, unsigned settingID, SettingOption* option)
    : m_nName(name), m_nDescription(description), m_pOption(option), m_nSettingID(settingID), m_bModified(false) {
    plugwerk::ZeroVariant(m_vData);
    plugwerk::ZeroVariant(m_vApplied);
}

Item::~Item() {
    delete m_pOption;
    ::VariantClear(&m_vData);
    ::VariantClear(&m_vApplied);
}

int Item::GetName() { return m_nName; }
int Item::GetDescription() { return m_nDescription; }
bool Item::IsModified() { return m_bModified; }
unsigned Item::GetSettingID() { return m_nSettingID; }
void Item::SetClassID(const CStringW& classID) { m_strClassID = classID; }
const CStringW& Item::GetClassID() const { return m_strClassID; }

void Item::SetDataType(unsigned vt) {
    const bool hadString = m_vData.vt == VT_BSTR;
    ::VariantClear(&m_vData);
    // VariantClear leaves a freed string's address behind, and a number's bits would read as an
    // address under a string type: either would be freed by the next assignment. A number set
    // before registration keeps its value.
    if (hadString || vt == VT_BSTR) plugwerk::ZeroVariant(m_vData);
    m_vData.vt = static_cast<VARTYPE>(vt);
}

void Item::AssignValue(VARIANT& target, const VARIANT& source) {
    if (&target == &source) return;
    // Scalars travel as their 16 bytes; a string gets its own copy, so that the data, the applied
    // value and the default never share (and never free twice) one allocation.
    if (target.vt == VT_BSTR) ::SysFreeString(target.bstrVal);
    if (source.vt == VT_BSTR) {
        target.vt = VT_BSTR;
        target.bstrVal = source.bstrVal ? ::SysAllocStringLen(source.bstrVal, ::SysStringLen(source.bstrVal)) : nullptr;
        return;
    }
    memcpy(&target, &source, sizeof(VARIANT));
}

long Item::GetItemData(VARIANT& out) {
    plugwerk::ZeroVariant(out);
    AssignValue(out, m_vData);
    return 0;
}

long Item::SetItemData(VARIANT& value) {
    AssignValue(m_vData, value);
    AssignValue(m_vApplied, value);
    return 0;
}

bool Item::VariantCompare(const VARIANT& a, const VARIANT& b) {
    return plugwerk::ValueText(a) == plugwerk::ValueText(b);
}

namespace {
// The service that keeps an item's stored value, or null with the framework's reason in *reason:
// an item without a type or setting id has no stored value; without a holder there is no service.
ISettory* StoreFor(const VARIANT& data, unsigned settingId, long* reason) {
    *reason = PW_NOT_POSSIBLE;
    if (data.vt == VT_EMPTY || settingId == 0) return nullptr;
    CSettingServices* services = GetSettingServices();
    if (!services) return nullptr;
    ISettory* settory = services->Settory();
    if (!settory) *reason = PW_NO_INTERFACE;
    return settory;
}
}  // namespace

long Item::ReadXMLData() {
    long unavailable = 0;
    ISettory* settory = StoreFor(m_vData, m_nSettingID, &unavailable);
    if (!settory) return unavailable;
    if (m_vData.vt == VT_BSTR) {
        wchar_t buffer[SETTORY_VALUE_CAPACITY] = {};
        HRESULT hr = settory->GetCurrentValueEx(m_strClassID, static_cast<int>(m_nSettingID), buffer);
        if (hr == 0) {
            buffer[SETTORY_VALUE_CAPACITY - 1] = L'\0';
            ::SysFreeString(m_vData.bstrVal);
            m_vData.bstrVal = ::SysAllocString(buffer);
        }
        return hr;
    }
    // Read into a scratch value so that a failed call cannot leave the data without its type.
    VARIANT value;
    plugwerk::ZeroVariant(value);
    value.vt = m_vData.vt;
    HRESULT hr = settory->GetCurrentValue(m_strClassID, static_cast<int>(m_nSettingID), &value);
    if (hr == 0 && value.vt == m_vData.vt) AssignValue(m_vData, value);
    ::VariantClear(&value);
    return hr;
}

long Item::SaveXMLData() {
    long unavailable = 0;
    ISettory* settory = StoreFor(m_vData, m_nSettingID, &unavailable);
    if (!settory) return unavailable;
    if (m_vData.vt == VT_BSTR) {
        return settory->SetCurrentValueEx(m_strClassID, static_cast<int>(m_nSettingID),
                                          m_vData.bstrVal ? m_vData.bstrVal : L"");
    }
    return settory->SetCurrentValue(m_strClassID, static_cast<int>(m_nSettingID), m_vData);
}

SettingItem::SettingItem(int name, int description, int controlID, unsigned settingID, SettingOption* option)
    : Item(name, description, settingID, option),
      m_pParent(nullptr),
      m_nCanSet(0),
      m_hChangeEvent(nullptr),
      m_nChangeMessage(0),
      m_hWatchedKey(nullptr),
      m_nUIChanged(0) {
    plugwerk::ZeroVariant(m_vDefault);
    if (controlID > 0) m_controls.push_back({nullptr, static_cast<unsigned>(controlID)});
}

SettingItem::~SettingItem() {
    plugwerk::ForgetPolicyLock(*this);
    // An item deleted while listed would be called by the listener after its death.
    if (m_hChangeEvent) plugwerk::RemoveListeningItem(this, INFINITE);
    if (m_hChangeEvent) ::CloseHandle(m_hChangeEvent);
    if (m_hWatchedKey) ::RegCloseKey(m_hWatchedKey);
    ::VariantClear(&m_vDefault);
}

long SettingItem::OnCommand(unsigned, LPARAM) { return 1; }
long SettingItem::DefWindowProcW(UINT, WPARAM, LPARAM) { return 0; }

void SettingItem::AddControl(unsigned controlID, HWND window) { m_controls.push_back({window, controlID}); }

bool SettingItem::FindControl(unsigned controlID) {
    for (const auto& control : m_controls) {
        if (control.id == controlID) return true;
    }
    return false;
}

unsigned SettingItem::GetControlID() { return m_controls.empty() ? 0 : m_controls.front().id; }

long SettingItem::BindItemWnd(HWND page) {
    bool lastFound = false;
    for (auto& control : m_controls) {
        HWND window = ::GetDlgItem(page, static_cast<int>(control.id));
        lastFound = window && ::IsWindow(window);
        if (lastFound) control.hWnd = window;
    }
    return lastFound ? 0 : PW_NOT_POSSIBLE;
}

long SettingItem::EnableItem(int enable) {
    bool any = false;
    for (const auto& control : m_controls) {
        if (control.hWnd && ::IsWindow(control.hWnd)) {
            ::EnableWindow(control.hWnd, enable);
            any = true;
        }
    }
    return any ? 0 : PW_NOT_POSSIBLE;
}

LRESULT SettingItem::SendMsg(unsigned index, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = GetControlWnd(index);
    if (!window) return -1;
    return ::SendMessageW(window, message, wParam, lParam);
}

HWND SettingItem::GetControlWnd(unsigned index) {
    if (index >= m_controls.size()) return nullptr;
    HWND window = m_controls[index].hWnd;
    return window && ::IsWindow(window) ? window : nullptr;
}

HWND SettingItem::GetParentWnd() { return m_pParent ? m_pParent->GetSafeHwnd() : nullptr; }

void SettingItem::SetParentPtr(void* page) { m_pParent = static_cast<PluginClass*>(page); }
int SettingItem::IsCanSet() { return m_nCanSet; }
int SettingItem::IsUIChanged() { return m_nUIChanged; }
void SettingItem::SetUIChange(int changed) { m_nUIChanged = changed; }

void SettingItem::Modified(const VARIANT& value) {
    if (value.vt == VT_EMPTY || VariantCompare(value, m_vData)) return;
    AssignValue(m_vData, value);
    if (m_pOption && Guarded(1L, [&] { return m_pOption->OnSettingChange(m_vData); }) != 0) {
        // Vetoed: the control keeps the user's choice until the next SetItem shows the data again.
        AssignValue(m_vData, m_vApplied);
        return;
    }
    m_bModified = !VariantCompare(m_vData, m_vApplied);
    m_nUIChanged = 1;
    HWND page = GetParentWnd();
    if (page && ::IsWindow(page)) ::SendMessageW(page, PWM_VALUE_CHANGED, reinterpret_cast<WPARAM>(this), 0);
}

void SettingItem::Modified() {
    m_bModified = true;
    HWND page = GetParentWnd();
    if (page && ::IsWindow(page)) ::SendMessageW(page, PWM_VALUE_CHANGED, reinterpret_cast<WPARAM>(this), 0);
}

long SettingItem::SetDefault(const VARIANT& value) {
    GuardedVoid([&] { InitType(); });
    if (value.vt == VT_EMPTY || value.vt != m_vData.vt) return PW_WRONG_TYPE;
    AssignValue(m_vDefault, value);
    return 0;
}

long SettingItem::GetDefault(VARIANT& out) {
    if (m_vDefault.vt == VT_EMPTY || m_vDefault.vt != m_vData.vt) return PW_NO_DEFAULT;
    plugwerk::ZeroVariant(out);
    AssignValue(out, m_vDefault);
    return 0;
}

void SettingItem::InitDefault() {
    const VARTYPE type = m_vData.vt;
    if (m_vDefault.vt != VT_EMPTY && m_vDefault.vt == type) return;
    ::VariantClear(&m_vDefault);
    if (type == VT_EMPTY || m_nSettingID == 0) return;
    CSettingServices* services = GetSettingServices();
    ISettory* settory = services ? services->Settory() : nullptr;
    if (!settory) return;
    if (type == VT_BSTR) {
        wchar_t buffer[SETTORY_VALUE_CAPACITY] = {};
        if (settory->GetDefaultValueEx(m_strClassID, static_cast<int>(m_nSettingID), buffer) == 0) {
            buffer[SETTORY_VALUE_CAPACITY - 1] = L'\0';
            m_vDefault.vt = VT_BSTR;
            m_vDefault.bstrVal = ::SysAllocString(buffer);
        }
        return;
    }
    VARIANT value;
    plugwerk::ZeroVariant(value);
    value.vt = type;
    if (settory->GetDefaultValue(m_strClassID, static_cast<int>(m_nSettingID), &value) == 0 && value.vt == type) {
        AssignValue(m_vDefault, value);
    }
    ::VariantClear(&value);
}

long SettingItem::ResetDefault() {
    if (m_vDefault.vt == VT_EMPTY || m_vDefault.vt != m_vData.vt) return PW_NO_DEFAULT;
    HWND first = GetControlWnd(0);
    if (first && ::IsWindowEnabled(first)) {
        Modified(m_vDefault);
        GuardedVoid([&] { SetItem(m_vData); });
    }
    return 0;
}

void SettingItem::InitItemFromStore() {
    VARIANT system;
    plugwerk::ZeroVariant(system);
    m_bModified = false;
    m_nUIChanged = 0;
    const bool hasDefault = m_vDefault.vt != VT_EMPTY;
    if (hasDefault) AssignValue(m_vData, m_vDefault);
    const bool stored = ReadXMLData() == 0;
    if (m_pOption) {
        system.vt = m_vData.vt;
        if (Guarded(false, [&] { m_pOption->Get(system); return true; }) == false) plugwerk::ZeroVariant(system);
    }
    // The store knows nothing of this setting (no stored value, no default): the system's value is
    // the only one there is, and pushing a made-up value onto the system would be wrong. An option
    // with nothing to say keeps the data as it is, so the item never loses its type.
    const bool storeKnows = m_nSettingID != 0 && (hasDefault || stored);
    if (!storeKnows && system.vt != VT_EMPTY) AssignValue(m_vData, system);
    // The stored setting wins over what the system holds: bring the system in line.
    if (storeKnows && system.vt != VT_EMPTY && !VariantCompare(system, m_vData)) {
        Guarded(static_cast<long>(PW_FAILED), [&] { return m_pOption->Set(m_vData); });
    }
    AssignValue(m_vApplied, m_vData);
    ::VariantClear(&system);
}

long SettingItem::WndFunc(UINT message, WPARAM wParam, LPARAM lParam) {
    long result = 0;
    switch (message) {
    case WM_DESTROY:
        m_bModified = false;
        m_nUIChanged = 0;
        plugwerk::ForgetPolicyLock(*this);
        break;
    case PWM_INIT_ITEM:
        InitItemFromStore();
        result = Guarded(static_cast<long>(PW_NOT_POSSIBLE), [&] { return OnInitItem(); });
        // After the item's own initialisation, which may enable its controls.
        plugwerk::FollowPolicyLock(*this, lParam ? reinterpret_cast<HWND>(lParam) : GetParentWnd());
        break;
    case PWM_APPLY:
        // A locked setting keeps the administrator's value; the service would drop the write anyway.
        if (!plugwerk::IsLockedByPolicy(*this)) SaveXMLData();
        if (m_pOption) result = Guarded(static_cast<long>(PW_FAILED), [&] { return m_pOption->Set(m_vData); });
        break;
    case PWM_APPLY_START:
        if (m_pOption) result = Guarded(static_cast<long>(PW_FAILED), [&] { return m_pOption->OnSetStart(m_vData); });
        break;
    case PWM_APPLY_END:
        AssignValue(m_vApplied, m_vData);
        m_bModified = false;
        if (m_pOption) result = Guarded(static_cast<long>(PW_FAILED), [&] { return m_pOption->OnSetEnd(m_vData); });
        m_nUIChanged = 0;
        break;
    case PWM_ROLLBACK:
        AssignValue(m_vData, m_vApplied);
        if (wParam) {
            if (!plugwerk::IsLockedByPolicy(*this)) SaveXMLData();
            if (m_pOption) result = Guarded(static_cast<long>(PW_FAILED), [&] { return m_pOption->Set(m_vData); });
        }
        GuardedVoid([&] { SetItem(m_vData); });
        m_bModified = false;
        break;
    case PWM_RESET_DEFAULT:
        result = ResetDefault();
        break;
    case PWM_CHANGE_EVENT:
        result = OnChangeEvent();
        break;
    default:
        if (message != 0 && message == m_nChangeMessage && m_nUIChanged == 0) {
            result = Guarded(0L, [&] { return OnSettingChange(); });
        }
        break;
    }
    Guarded(0L, [&] { return DefWindowProcW(message, wParam, lParam); });
    return result;
}
