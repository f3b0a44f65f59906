#pragma once
// Helpers shared by the framework's sources; nothing here is visible to plug-ins.
#include <windows.h>
#include <oleauto.h>

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
// The thread that waits on the items' change events; null while no item listens.
void StopChangeListener();
bool ChangeListenerExists();
}  // namespace plugwerk
