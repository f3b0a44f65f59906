#include "base/named_objects.h"
#include "internal.h"
#include "plugwerk/export.h"

namespace plugwerk {

HANDLE CreateNamedEvent(const CStringW& name) {
    base::OpenToAll security;
    HANDLE event = ::CreateEventW(security.Attributes(), TRUE, FALSE, name);
    // An event that already existed keeps its state: a stale signal must not count as a change.
    if (event) ::ResetEvent(event);
    return event;
}

CStringW SettingEventName(const CStringW& classID, unsigned settingID) {
    CStringW number;
    number.Format(L",%d", static_cast<int>(settingID));
    return CStringW(L"Global\\") + classID + number;
}

HANDLE ArmKeyWatch(HKEY key) {
    if (!key) return nullptr;
    HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event) return nullptr;
    const DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET |
                         REG_NOTIFY_CHANGE_SECURITY;
    if (::RegNotifyChangeKeyValue(key, TRUE, filter, event, TRUE) != ERROR_SUCCESS) {
        ::CloseHandle(event);
        return nullptr;
    }
    return event;
}

long RegisterAtService(const CStringW& classID, unsigned settingID, bool listen) {
    CSettingServices* services = GetSettingServices();
    if (!services) return PW_NOT_POSSIBLE;
    ISettory* settory = services->Settory();
    if (!settory) return PW_NO_INTERFACE;
    HRESULT hr = listen ? settory->RegisterSettingChangeEvent(classID, static_cast<int>(settingID))
                        : settory->UnRegisterSettingChangeEvent(classID, static_cast<int>(settingID));
    if (hr == 0) hr = settory->UpdateCurrentSetting();
    return hr;
}

long ReloadService() {
    CSettingServices* services = GetSettingServices();
    if (!services) return 0;
    return services->Settory() ? services->Settory()->Reload() : PW_NO_INTERFACE;
}

}  // namespace plugwerk
