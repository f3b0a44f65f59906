#include "settory/registration.h"

#include <objbase.h>

#include "Settory_h.h"
#include "base/cstringw.h"
#include "base/handles.h"

namespace settory {
namespace {

struct ClassEntry {
    const CLSID* clsid;
    const wchar_t* progId;
    const wchar_t* versionIndependentProgId;
    const wchar_t* friendlyName;
    bool localServer;  // created by the clients with CLSCTX_LOCAL_SERVER
};

const ClassEntry kClasses[] = {
    {&CLSID_CSettory, L"Settory.CSettory.1", L"Settory.CSettory", L"CSettory Object", true},
    {&CLSID_CCModelConfig, L"Settory.CModelConfig.1", L"Settory.CModelConfig", L"CCModelConfig Object", true},
    {&CLSID_COSLRegApplication, L"LKSSettory.OSLRegApplication.1", L"LKSSettory.OSLRegApplication",
     L"COSLRegApplication Object", false},
};

// The AppID shares the type library's GUID.
const GUID& AppId() { return LIBID_Settory; }

CStringW GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, ARRAYSIZE(text));
    return CStringW(text);
}

HRESULT SetValue(const CStringW& keyPath, const wchar_t* name, const wchar_t* value) {
    base::UniqueHKey key;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                                       nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    if (!value) return S_OK;  // the key alone
    status = ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                              static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteTree(const CStringW& keyPath) {
    LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, keyPath);
    if (status == ERROR_SUCCESS) status = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, keyPath);
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    return HRESULT_FROM_WIN32(status);
}

#define RETURN_IF_FAILED(expr)           \
    do {                                 \
        HRESULT hr_ = (expr);            \
        if (FAILED(hr_)) return hr_;     \
    } while (0)

}  // namespace

HRESULT RegisterClasses(const wchar_t* modulePath, const wchar_t* hostPath) {
    CStringW appId = GuidText(AppId());
    RETURN_IF_FAILED(SetValue(L"AppID\\" + appId, nullptr, L"Settory"));
    RETURN_IF_FAILED(SetValue(L"AppID\\Settory.DLL", L"AppID", appId));

    CStringW typeLib = GuidText(LIBID_Settory);
    CStringW hostCommand = CStringW(L"\"") + hostPath + L"\"";
    for (const ClassEntry& entry : kClasses) {
        CStringW clsid = GuidText(*entry.clsid);
        CStringW progId(entry.progId);
        CStringW independent(entry.versionIndependentProgId);
        RETURN_IF_FAILED(SetValue(progId, nullptr, entry.friendlyName));
        RETURN_IF_FAILED(SetValue(progId + L"\\CLSID", nullptr, clsid));
        RETURN_IF_FAILED(SetValue(independent, nullptr, entry.friendlyName));
        RETURN_IF_FAILED(SetValue(independent + L"\\CLSID", nullptr, clsid));
        RETURN_IF_FAILED(SetValue(independent + L"\\CurVer", nullptr, progId));

        CStringW key = L"CLSID\\" + clsid;
        RETURN_IF_FAILED(SetValue(key, nullptr, entry.friendlyName));
        RETURN_IF_FAILED(SetValue(key, L"AppID", appId));
        RETURN_IF_FAILED(SetValue(key + L"\\ProgID", nullptr, progId));
        RETURN_IF_FAILED(SetValue(key + L"\\VersionIndependentProgID", nullptr, independent));
        RETURN_IF_FAILED(SetValue(key + L"\\Programmable", nullptr, nullptr));
        RETURN_IF_FAILED(SetValue(key + L"\\InprocServer32", nullptr, modulePath));
        // Empty: the objects live in the process's main single-threaded apartment.
        RETURN_IF_FAILED(SetValue(key + L"\\InprocServer32", L"ThreadingModel", L""));
        RETURN_IF_FAILED(SetValue(key + L"\\TypeLib", nullptr, typeLib));
        if (entry.localServer) RETURN_IF_FAILED(SetValue(key + L"\\LocalServer32", nullptr, hostCommand));
    }
    return S_OK;
}

HRESULT UnregisterClasses() {
    HRESULT result = S_OK;
    auto remove = [&result](const CStringW& path) {
        HRESULT hr = DeleteTree(path);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    };
    for (const ClassEntry& entry : kClasses) {
        remove(entry.progId);
        remove(entry.versionIndependentProgId);
        remove(L"CLSID\\" + GuidText(*entry.clsid));
    }
    remove(L"AppID\\" + GuidText(AppId()));
    remove(L"AppID\\Settory.DLL");
    return result;
}

}  // namespace settory
