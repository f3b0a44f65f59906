#include "common/setting_services.h"

#include <stdlib.h>

#include <mutex>

#include "plugwerk/export.h"

namespace {
std::mutex g_lock;
CSettingServices* g_holder = nullptr;
// The COM initialisation made for the holder, undone once at exit.
bool g_comInitialised = false;
bool g_exitRegistered = false;
// Tests: when set, GetSettingServices answers with g_testHolder (which may be null) instead.
bool g_testOverride = false;
CSettingServices* g_testHolder = nullptr;

void ReleaseHolder() {
    std::lock_guard<std::mutex> hold(g_lock);
    delete g_holder;
    g_holder = nullptr;
    if (g_comInitialised) ::CoUninitialize();
    g_comInitialised = false;
}

CSettingServices* TryCreate() {
    HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) return nullptr;
    auto* holder = new CSettingServices;
    bool ok = SUCCEEDED(::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_LOCAL_SERVER, IID_ISettory,
                                           holder->m_pSettory.PutVoid())) &&
              SUCCEEDED(::CoCreateInstance(CLSID_CCModelConfig, nullptr, CLSCTX_LOCAL_SERVER, IID_ICModelConfig,
                                           holder->m_pModelConfig.PutVoid())) &&
              SUCCEEDED(::CoCreateInstance(CLSID_COSLRegApplication, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IOSLRegApplication, holder->m_pRegApplication.PutVoid()));
    if (!ok) {
        delete holder;
        if (SUCCEEDED(init)) ::CoUninitialize();
        return nullptr;
    }
    g_comInitialised = SUCCEEDED(init);
    return holder;
}
}  // namespace

void ReleaseSettingServices() {
    ReleaseHolder();
    PlugwerkReleaseServices();
}

CSettingServices* GetSettingServices() {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_testOverride) return g_testHolder;
    if (!g_exitRegistered) {
        g_exitRegistered = true;
        atexit(ReleaseHolder);
    }
    if (!g_holder) g_holder = TryCreate();
    return g_holder;
}

namespace ostrel {
BOOL IsClassLoaded(const wchar_t* classId) {
    CSettingServices* services = GetSettingServices();
    if (!services || !services->ModelConfig()) return FALSE;
    int loaded = 0;
    if (FAILED(services->ModelConfig()->IsLoad(classId, &loaded))) return FALSE;
    return loaded != 0;
}
}  // namespace ostrel

namespace ostrel_testing {
void UseSettingServices(CSettingServices* holder) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_testOverride = true;
    g_testHolder = holder;
}
void UseRealSettingServices() {
    std::lock_guard<std::mutex> hold(g_lock);
    g_testOverride = false;
    g_testHolder = nullptr;
}
}  // namespace ostrel_testing
