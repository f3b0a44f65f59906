// DllMain, the class objects, registration and the cached type library of Settory.dll. The merged
// proxy/stub (generated with the Prx prefix) answers for the interfaces' marshalling.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>
#include <shlwapi.h>

#include "Settory_h.h"
#include "base/com_object.h"
#include "base/handles.h"
#include "settory/model_config_class.h"
#include "settory/policy.h"
#include "settory/module.h"
#include "settory/reg_application_class.h"
#include "settory/registration.h"
#include "settory/reload_listener.h"
#include "settory/settings_store.h"
#include "settory/settory_class.h"

extern "C" {
BOOL WINAPI PrxDllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
HRESULT WINAPI PrxDllGetClassObject(REFCLSID clsid, REFIID iid, void** out);
HRESULT WINAPI PrxDllCanUnloadNow(void);
HRESULT WINAPI PrxDllRegisterServer(void);
HRESULT WINAPI PrxDllUnregisterServer(void);
}

namespace settory {
namespace {

HMODULE g_module = nullptr;

base::CriticalSection& TypeLibLock() {
    static base::CriticalSection lock;
    return lock;
}
ITypeLib* g_typeLib = nullptr;

base::ClassFactory<CSettory> g_settoryFactory;
base::ClassFactory<CCModelConfig> g_modelConfigFactory;
base::ClassFactory<COSLRegApplication> g_regApplicationFactory;

HRESULT LoadOwnTypeLib(ITypeLib** lib) {
    base::CriticalSectionLock lock(TypeLibLock());
    if (!g_typeLib) {
        HRESULT hr = ::LoadTypeLibEx(ModulePath(), REGKIND_NONE, &g_typeLib);
        if (FAILED(hr)) return hr;
    }
    g_typeLib->AddRef();
    *lib = g_typeLib;
    return S_OK;
}

CStringW HostPath() {
    CStringW path = ModulePath();
    int slash = path.ReverseFind(L'\\');
    return path.Left(slash + 1) + L"SettoryHost.exe";
}

}  // namespace

HMODULE ModuleHandle() noexcept { return g_module; }

CStringW ModulePath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(g_module, path, MAX_PATH);
    return CStringW(path);
}

HRESULT GetTypeInfoOf(REFGUID guid, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    base::ComPtr<ITypeLib> lib;
    HRESULT hr = LoadOwnTypeLib(lib.Put());
    if (FAILED(hr)) return hr;
    return lib->GetTypeInfoOfGuid(guid, info);
}

HRESULT TypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT TypeInfoAt(UINT index, REFGUID guid, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return GetTypeInfoOf(guid, info);
}

}  // namespace settory

using namespace settory;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    if (!PrxDllMain(instance, reason, reserved)) return FALSE;
    // Unloaded while the process goes on: free the stores now. At process exit (reserved set) the DOM
    // library may already be gone, so nothing is released.
    if (reason == DLL_PROCESS_DETACH && !reserved) {
        StopReloadListener();
        policy::StopPolicyWatch();
        service::ResetStores();
        if (g_typeLib) g_typeLib->Release();
        g_typeLib = nullptr;
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualCLSID(clsid, CLSID_CSettory)) return g_settoryFactory.QueryInterface(iid, out);
    if (IsEqualCLSID(clsid, CLSID_CCModelConfig)) return g_modelConfigFactory.QueryInterface(iid, out);
    if (IsEqualCLSID(clsid, CLSID_COSLRegApplication)) return g_regApplicationFactory.QueryInterface(iid, out);
    HRESULT hr = PrxDllGetClassObject(clsid, iid, out);
    return SUCCEEDED(hr) ? hr : CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return base::ComModule::LockCount() == 0 && PrxDllCanUnloadNow() == S_OK ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    CStringW path = ModulePath();
    HRESULT hr = RegisterClasses(path, HostPath());
    if (FAILED(hr)) return hr;
    base::ComPtr<ITypeLib> lib;
    hr = ::LoadTypeLibEx(path, REGKIND_NONE, lib.Put());
    if (FAILED(hr)) return hr;
    hr = ::RegisterTypeLib(lib.Get(), const_cast<LPOLESTR>(path.GetString()), nullptr);
    if (FAILED(hr)) return hr;
    // After the type library: it points the dual interfaces at the type-library marshaller, which
    // under Wine cannot carry LPWSTR; the proxy registration points them at the generated proxy.
    return PrxDllRegisterServer();
}

STDAPI DllUnregisterServer() {
    HRESULT proxy = PrxDllUnregisterServer();
    HRESULT typeLib = ::UnRegisterTypeLib(LIBID_Settory, 1, 0, 0x409, SYS_WIN64);
    if (typeLib == TYPE_E_REGISTRYACCESS || typeLib == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) typeLib = S_OK;
    HRESULT classes = UnregisterClasses();
    if (FAILED(proxy)) return proxy;
    if (FAILED(typeLib)) return typeLib;
    return classes;
}
