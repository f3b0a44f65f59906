// The ready-made status item kinds: a stored setting, a registry key, a device.
#include "base/handles.h"
#include "change_listener.h"
#include "internal.h"
#include "plugwerk/status_item.h"

CXMLStatusItem::CXMLStatusItem(int name, int description, unsigned settingID, StatusOption* option)
    : StatusItem(name, description, settingID, option) {}

long CXMLStatusItem::OnInitItem() { return 0; }

long CXMLStatusItem::RegisterEvent() {
    if (m_nSettingID == 0) return PW_NOT_POSSIBLE;
    // The status window waits on an event of this item's own, which the process's listener sets:
    // a window and a page that both cleared the service's shared event would hide changes from
    // each other. Registering again keeps the event the window already waits on.
    if (!m_hEvent) {
        base::UniqueHandle own(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!own || plugwerk::AddStatusRelay(this, own.get(), plugwerk::SettingEventName(m_strClassID, m_nSettingID)) != 0) {
            return PW_NOT_POSSIBLE;
        }
        m_hEvent = own.release();
    }
    return plugwerk::RegisterAtService(m_strClassID, m_nSettingID, true);
}

long CXMLStatusItem::UnRegisterEvent() {
    if (m_nSettingID == 0) return PW_NOT_POSSIBLE;
    plugwerk::CloseRelayedEvent(this, m_hEvent);
    return plugwerk::RegisterAtService(m_strClassID, m_nSettingID, false);
}

CRegStatusItem::CRegStatusItem(int name, int description, HKEY root, const wchar_t* subKey, StatusOption* option)
    : StatusItem(name, description, 0, option), m_hRoot(root), m_pszSubKey(subKey), m_hKey(nullptr) {}

CRegStatusItem::~CRegStatusItem() {
    if (m_hKey) ::RegCloseKey(m_hKey);
}

long CRegStatusItem::OnInitItem() { return 0; }

long CRegStatusItem::RegisterEvent() {
    UnRegisterEvent();
    HKEY key = nullptr;
    if (!m_hRoot ||
        ::RegOpenKeyExW(m_hRoot, m_pszSubKey ? m_pszSubKey : L"", 0, KEY_NOTIFY, &key) != ERROR_SUCCESS) {
        return PW_NOT_POSSIBLE;
    }
    HANDLE event = plugwerk::ArmKeyWatch(key);
    if (!event) {
        ::RegCloseKey(key);
        return PW_NOT_POSSIBLE;
    }
    m_hKey = key;
    m_hEvent = event;
    return 0;
}

long CRegStatusItem::UnRegisterEvent() {
    if (m_hEvent) ::CloseHandle(m_hEvent);
    if (m_hKey) ::RegCloseKey(m_hKey);
    m_hEvent = nullptr;
    m_hKey = nullptr;
    return 0;
}

long CRegStatusItem::WndFunc(UINT message, WPARAM wParam, LPARAM lParam) {
    long result = StatusItem::WndFunc(message, wParam, lParam);
    if (message != PWM_STATUS_SIGNALLED) return result;
    UnRegisterEvent();
    result = RegisterEvent();
    // A change between the read above and the new watch would go unseen until the next one: read
    // once more and have the window ask again when the value moved meanwhile.
    if (result == 0 && m_pOption) {
        VARIANT value;
        plugwerk::ZeroVariant(value);
        value.vt = VT_I4;
        plugwerk::Guarded(0L, [&] { return m_pOption->Get(value); });
        if (!VariantCompare(value, m_vData)) ::SetEvent(m_hEvent);
        ::VariantClear(&value);
    }
    return result;
}

CDevStatusItem::CDevStatusItem(int name, int description, StatusOption* option)
    : StatusItem(name, description, 0, option) {}

long CDevStatusItem::OnInitItem() { return 0; }
long CDevStatusItem::RegisterEvent() { return 0; }
long CDevStatusItem::UnRegisterEvent() { return 0; }

long CDevStatusItem::WndFunc(UINT message, WPARAM wParam, LPARAM lParam) {
    long result = StatusItem::WndFunc(message, wParam, lParam);
    if (message == WM_DEVICECHANGE && m_pOption) result = ReadFromOption();
    return result;
}
