// Setting items following outside changes: a window message, the settings service's per-setting
// event, or a watched registry key.
#include "change_listener.h"
#include "change_signal.h"
#include "internal.h"
#include "plugwerk/item.h"
#include "plugwerk/plugin_class.h"
#include "policy_lock.h"

using plugwerk::Guarded;
using plugwerk::GuardedVoid;

long SettingItem::RegisterChange(unsigned message) {
    if (message == 0) return PW_NOT_POSSIBLE;
    m_nChangeMessage = message;
    return 0;
}

HANDLE SettingItem::CreateEventW(const CStringW& name) { return plugwerk::OpenSettingEvent(name); }

bool SettingItem::OpenXMLEvent() {
    // Registering again keeps the event the listener already waits on.
    if (m_hChangeEvent && !m_hWatchedKey) return true;
    if (m_hChangeEvent) return false;
    m_hChangeEvent = CreateEventW(plugwerk::SettingEventName(m_strClassID, m_nSettingID));
    return m_hChangeEvent != nullptr;
}

void SettingItem::CloseChangeEvent() {
    if (m_hChangeEvent) ::CloseHandle(m_hChangeEvent);
    m_hChangeEvent = nullptr;
}

long SettingItem::RegisterChange() {
    if (!OpenXMLEvent()) return PW_NOT_POSSIBLE;
    long result = plugwerk::RegisterAtService(m_strClassID, m_nSettingID, true);
    if (!plugwerk::ChangeListenerExists()) return result;
    long added = plugwerk::AddListeningItem(this);
    if (added != 0) {
        // No room in the listener: nothing would ever wait on the event, so nothing is left
        // registered that claims otherwise.
        if (result == 0) plugwerk::RegisterAtService(m_strClassID, m_nSettingID, false);
        CloseChangeEvent();
    }
    return added;
}

long SettingItem::StartListenXMLChange() {
    if (!OpenXMLEvent()) return PW_NOT_POSSIBLE;
    if (!plugwerk::ChangeListenerExists()) return PW_NOT_POSSIBLE;
    long result = plugwerk::AddListeningItem(this);
    if (result != 0) {
        CloseChangeEvent();
        return result;
    }
    if (GetSettingServices()) result = plugwerk::RegisterAtService(m_strClassID, m_nSettingID, true);
    return result;
}

long SettingItem::StopListenXMLChange() {
    if (!m_hChangeEvent || !GetSettingServices()) return PW_NOT_POSSIBLE;
    long result = plugwerk::RegisterAtService(m_strClassID, m_nSettingID, false);
    if (result != 0 || !plugwerk::ChangeListenerExists()) return result;
    result = plugwerk::RemoveListeningItem(this);
    if (result == 0) CloseChangeEvent();
    return result;
}

long SettingItem::RegisterChange(HKEY root, const wchar_t* subKey) {
    HKEY key = nullptr;
    if (!root || ::RegOpenKeyExW(root, subKey ? subKey : L"", 0, KEY_NOTIFY, &key) != ERROR_SUCCESS) {
        return PW_NOT_POSSIBLE;
    }
    HANDLE event = plugwerk::ArmKeyWatch(key);
    if (!event) {
        ::RegCloseKey(key);
        return PW_NOT_POSSIBLE;
    }
    // A second registration replaces the first watch; the listener picks the new event up.
    HANDLE oldEvent = m_hChangeEvent;
    HKEY oldKey = m_hWatchedKey;
    m_hChangeEvent = event;
    m_hWatchedKey = key;
    if (plugwerk::ChangeListenerExists() && plugwerk::AddListeningItem(this) == 0) {
        if (oldEvent) ::CloseHandle(oldEvent);
        if (oldKey) ::RegCloseKey(oldKey);
        return 0;
    }
    m_hChangeEvent = oldEvent;
    m_hWatchedKey = oldKey;
    ::CloseHandle(event);
    ::RegCloseKey(key);
    return PW_NOT_POSSIBLE;
}

long SettingItem::UnRegisterChange() {
    m_nChangeMessage = 0;
    if (!m_hChangeEvent || !plugwerk::ChangeListenerExists()) return PW_NOT_POSSIBLE;
    long result = plugwerk::RemoveListeningItem(this);
    if (result != 0) return result;
    if (m_hWatchedKey) {
        ::RegCloseKey(m_hWatchedKey);
        m_hWatchedKey = nullptr;
    } else if (GetSettingServices()) {
        result = plugwerk::RegisterAtService(m_strClassID, m_nSettingID, false);
    }
    CloseChangeEvent();
    return result;
}

HANDLE SettingItem::GetXMLEvent() { return m_hChangeEvent; }
unsigned SettingItem::GetSettingChangeMsg() { return m_nChangeMessage; }
int SettingItem::IsReg() { return m_hWatchedKey ? 1 : 0; }

void SettingItem::RearmWatchedKey() {
    if (!m_hWatchedKey) return;
    HANDLE event = plugwerk::ArmKeyWatch(m_hWatchedKey);
    if (!event) return;
    HANDLE old = m_hChangeEvent;
    m_hChangeEvent = event;
    plugwerk::WakeListener();
    if (old) ::CloseHandle(old);
}

long SettingItem::OnChangeEvent() {
    if (m_nUIChanged != 0) {
        // The page's own work caused this change; the page shows it already.
        RearmWatchedKey();
        return 0;
    }
    // Gives the writer time to finish its files; a close meanwhile skips the reload.
    if (!plugwerk::SettleBeforeReload(500)) return 0;
    return Guarded(0L, [&] { return OnSettingChange(); });
}

long SettingItem::OnSettingChange() {
    // The service's event is not cleared here: the listener takes it off in the way that leaves
    // every other consumer of the setting informed.
    RearmWatchedKey();
    long result = m_nSettingID != 0 ? plugwerk::ReloadService() : 0;
    ReadXMLData();
    // A policy set or just removed decides the value: the system follows the stored one then, rather
    // than the other way round.
    const bool policyDecides =
        m_nSettingID != 0 && (plugwerk::HadPolicyLock(*this) || plugwerk::IsLockedByPolicy(*this));
    if (m_pOption) {
        // Read into a scratch value: an option with nothing to say must not take the data's type away.
        VARIANT system;
        plugwerk::ZeroVariant(system);
        system.vt = m_vData.vt;
        Guarded(0L, [&] { return m_pOption->Get(system); });
        if (system.vt != VT_EMPTY && system.vt == m_vData.vt) {
            if (!policyDecides) {
                AssignValue(m_vData, system);
            } else if (!VariantCompare(system, m_vData)) {
                Guarded(static_cast<long>(PW_FAILED), [&] { return m_pOption->Set(m_vData); });
            }
        }
        ::VariantClear(&system);
        result = Guarded(0L, [&] { return m_pOption->OnSettingChange(m_vData); });
    }
    if (m_vApplied.vt != VT_EMPTY && !VariantCompare(m_vApplied, m_vData)) {
        AssignValue(m_vApplied, m_vData);
        m_bModified = false;
        GuardedVoid([&] { SetItem(m_vData); });
        if (HWND page = GetParentWnd()) ::InvalidateRect(page, nullptr, FALSE);
    } else {
        m_bModified = false;
    }
    // A policy set or removed arrives as an outside change: the controls and the page's managed
    // line follow it.
    if (m_nSettingID != 0) {
        plugwerk::FollowPolicyLock(*this, GetParentWnd());
        plugwerk::UpdateManagedLine(GetParentWnd());
    }
    return result;
}
