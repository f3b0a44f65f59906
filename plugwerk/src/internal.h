#pragma once
// Helpers shared by the framework's sources; nothing here is visible to plug-ins.
#include <windows.h>
#include <oleauto.h>
#include <string.h>

#include "Settory_h.h"
#include "base/cstringw.h"

namespace plugwerk {

// Calls into plug-in code: an exception thrown there must never reach the host, so each call site
// takes a fallback result instead.
template <typename R, typename F>
R Guarded(R fallback, F&& call) noexcept {
    try {
        return call();
    } catch (...) {
        return fallback;
    }
}
template <typename F>
void GuardedVoid(F&& call) noexcept {
    try {
        call();
    } catch (...) {
    }
}

// VariantInit sets only the type and leaves the value as the memory held it; a string type set
// afterwards would hand that garbage to SysFreeString (and an option that writes nothing would
// return it). Every VARIANT the framework makes starts all zero.
inline void ZeroVariant(VARIANT& value) noexcept { memset(&value, 0, sizeof(value)); }

// Text by which values are compared: "%d" for integer types, "%f" for floating ones, empty otherwise.
CStringW ValueText(const VARIANT& value);

// Copies at most capacity - 1 characters and always terminates; nothing for a null buffer.
void CopyBounded(wchar_t* buffer, size_t capacity, const CStringW& text);

// The screen's resolution (96 when no screen context can be had, or the test override).
void ScreenDpi(int& x, int& y);
bool ProcessHasAdministrators();

}  // namespace plugwerk

// The framework's own holder of the settings service's interfaces, one per process.
class CSettingServices {
public:
    ISettory* Settory() const noexcept { return settory_; }
    ICModelConfig* ModelConfig() const noexcept { return modelConfig_; }
    IOSLRegApplication* RegApplication() const noexcept { return regApplication_; }

    ISettory* settory_ = nullptr;
    ICModelConfig* modelConfig_ = nullptr;
    IOSLRegApplication* regApplication_ = nullptr;
};

// Made on first successful use; null after a failure, and the next call tries again.
CSettingServices* GetSettingServices();

namespace plugwerk {
// A manual-reset event of that name, created or opened, reachable from every process, and clear.
HANDLE CreateNamedEvent(const CStringW& name);
// "Global\<class id>,<setting id>": the event the settings service signals when the setting is saved.
CStringW SettingEventName(const CStringW& classID, unsigned settingID);
// A new auto-reset event that the key signals once on its next change (subtree, names, values,
// attributes, security); null when the key cannot be watched.
HANDLE ArmKeyWatch(HKEY key);
// Register (or unregister) the setting's event at the service and store that: the service's result,
// -1 without holder, 1 without ISettory.
long RegisterAtService(const CStringW& classID, unsigned settingID, bool listen);
// Has the service re-read its stores: 0 without holder, 1 without ISettory.
long ReloadService();
}  // namespace plugwerk
