#pragma once
// CSettingServices: the process-wide holder of the settings service's three interfaces. Made on the
// first successful use and kept for the whole run; after a failure the next call tries again.
#include "Settory_h.h"
#include "base/com_ptr.h"

class CSettingServices {
public:
    ISettory* Settory() const noexcept { return m_pSettory.Get(); }
    ICModelConfig* ModelConfig() const noexcept { return m_pModelConfig.Get(); }
    IOSLRegApplication* RegApplication() const noexcept { return m_pRegApplication.Get(); }

    base::ComPtr<ISettory> m_pSettory;
    base::ComPtr<ICModelConfig> m_pModelConfig;
    base::ComPtr<IOSLRegApplication> m_pRegApplication;
};

// The holder, or null when the service cannot be reached now.
CSettingServices* GetSettingServices();
// Releases the holder and the framework's own one; start-up's exit calls it while COM still runs,
// so the service process sees this client leave.
void ReleaseSettingServices();

namespace ostrel {
// The class id of the status-window feature in the model configuration.
constexpr const wchar_t kStatusFeatureClassId[] = L"4AFF9D33-0455-46cf-BC06-2C67C20281C4";
// TRUE when the holder exists and the model configuration reports the class as loaded.
BOOL IsClassLoaded(const wchar_t* classId);
}  // namespace ostrel

namespace ostrel_testing {
// Tests: GetSettingServices answers with this holder (null: no service) until the real one is put back.
void UseSettingServices(CSettingServices* holder);
void UseRealSettingServices();
}  // namespace ostrel_testing
