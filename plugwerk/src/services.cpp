#include <memory>

#include "base/handles.h"
#include "internal.h"
#include "testing.h"

namespace {

enum class ServiceMode { Real, Test, None };

base::CriticalSection g_lock;
ServiceMode g_mode = ServiceMode::Real;
CSettingServices* g_real = nullptr;
CSettingServices g_test;
int g_dpiX = 0, g_dpiY = 0;
int g_administrator = -1;

template <typename T>
void ReleaseInto(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

CSettingServices* CreateRealServices() {
    HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) return nullptr;
    auto holder = std::make_unique<CSettingServices>();
    bool ok = SUCCEEDED(::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_LOCAL_SERVER, IID_ISettory,
                                           reinterpret_cast<void**>(&holder->settory_))) &&
              SUCCEEDED(::CoCreateInstance(CLSID_CCModelConfig, nullptr, CLSCTX_LOCAL_SERVER, IID_ICModelConfig,
                                           reinterpret_cast<void**>(&holder->modelConfig_))) &&
              SUCCEEDED(::CoCreateInstance(CLSID_COSLRegApplication, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IOSLRegApplication,
                                           reinterpret_cast<void**>(&holder->regApplication_)));
    if (!ok) {
        ReleaseInto(holder->settory_);
        ReleaseInto(holder->modelConfig_);
        ReleaseInto(holder->regApplication_);
        if (SUCCEEDED(init)) ::CoUninitialize();
        return nullptr;
    }
    // The service process may have been running with stores loaded before this client's files changed.
    holder->settory_->Reload();
    // Kept until the process ends. Releasing proxies while the process is being torn down hangs under
    // Wine, so nothing is released then.
    return holder.release();
}


}  // namespace

CSettingServices* GetSettingServices() {
    base::CriticalSectionLock hold(g_lock);
    switch (g_mode) {
    case ServiceMode::None:
        return nullptr;
    case ServiceMode::Test:
        return &g_test;
    case ServiceMode::Real:
        break;
    }
    if (!g_real) g_real = CreateRealServices();
    return g_real;
}

extern "C" PLUGWERK_API void PlugwerkReleaseServices() { plugwerk_testing::ReleaseRealServices(); }

namespace plugwerk_testing {
void UseSettory(ISettory* settory) {
    base::CriticalSectionLock hold(g_lock);
    g_test.settory_ = settory;
    g_mode = ServiceMode::Test;
}
void UseNoServices() {
    base::CriticalSectionLock hold(g_lock);
    g_mode = ServiceMode::None;
}
void UseRealServices() {
    base::CriticalSectionLock hold(g_lock);
    g_test.settory_ = nullptr;
    g_mode = ServiceMode::Real;
}
void ReleaseRealServices() {
    base::CriticalSectionLock hold(g_lock);
    if (!g_real) return;
    ReleaseInto(g_real->settory_);
    ReleaseInto(g_real->modelConfig_);
    ReleaseInto(g_real->regApplication_);
    delete g_real;
    g_real = nullptr;
}
void SetScreenDpi(int x, int y) {
    g_dpiX = x;
    g_dpiY = y;
}
void SetAdministrator(int administrator) { g_administrator = administrator; }
}  // namespace plugwerk_testing

namespace plugwerk {

CStringW ValueText(const VARIANT& value) {
    CStringW text;
    switch (value.vt) {
    case VT_I2:
    case VT_BOOL:
    case VT_I1:
        text.Format(L"%d", static_cast<int>(static_cast<short>(value.iVal)));
        break;
    case VT_I4:
    case VT_INT:
    case VT_UI4:
        text.Format(L"%d", value.lVal);
        break;
    case VT_UI1:
        text.Format(L"%d", static_cast<int>(value.bVal));
        break;
    case VT_R4:
        text.Format(L"%f", static_cast<double>(value.fltVal));
        break;
    case VT_R8:
        text.Format(L"%f", value.dblVal);
        break;
    default:
        break;
    }
    return text;
}

void CopyBounded(wchar_t* buffer, size_t capacity, const CStringW& text) {
    if (!buffer || capacity == 0) return;
    size_t n = std::min(static_cast<size_t>(text.GetLength()), capacity - 1);
    wmemcpy(buffer, text.GetString(), n);
    buffer[n] = L'\0';
}

void ScreenDpi(int& x, int& y) {
    if (g_dpiX > 0 && g_dpiY > 0) {
        x = g_dpiX;
        y = g_dpiY;
        return;
    }
    x = y = 96;
    HDC screen = ::GetDC(nullptr);
    if (!screen) return;
    x = ::GetDeviceCaps(screen, LOGPIXELSX);
    y = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
}

bool ProcessHasAdministrators() {
    if (g_administrator >= 0) return g_administrator != 0;
    base::UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size);
    if (size == 0) return false;
    std::unique_ptr<BYTE[]> buffer(new BYTE[size]());
    if (!::GetTokenInformation(token.get(), TokenGroups, buffer.get(), size, &size)) return false;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    base::UniqueSid administrators;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    administrators.put())) {
        return false;
    }
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.get());
    // Listed at all counts, whatever the attributes: a filtered administrator is still one here.
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (::EqualSid(groups->Groups[i].Sid, administrators.get())) return true;
    }
    return false;
}

}  // namespace plugwerk
