#include "settory/model_config_class.h"

#include "base/handles.h"
#include "settory/dispatch.h"
#include "settory/module.h"
#include "settory/values.h"

namespace settory {
namespace {

using dispatch::Param;

const dispatch::Name kNames[] = {{L"strClassID", 0}, {L"bIsLoad", 1}, {L"IsLoad", 1}};
const dispatch::Method kMethods[] = {{1, 2, {Param::String, Param::IntOut}}};

bool ModelConfigFilesExist() {
    wchar_t pattern[1024] = {};
    DWORD n = ::ExpandEnvironmentStringsW(L"%ALLUSERSPROFILE%\\Quor Corporation\\Ostrel\\Config\\ModelConfig*.xml",
                                          pattern, ARRAYSIZE(pattern));
    if (n == 0 || n > ARRAYSIZE(pattern)) return false;
    WIN32_FIND_DATAW data;
    base::UniqueFind find(::FindFirstFileW(pattern, &data));
    return find.valid();
}

}  // namespace

HRESULT CCModelConfig::QueryInterfaceCore(REFIID iid, void** out) {
    if (IsEqualIID(iid, IID_ICModelConfig) || IsEqualIID(iid, IID_IDispatch)) {
        *out = static_cast<ICModelConfig*>(this);
    } else if (IsEqualIID(iid, IID_IProvideClassInfo)) {
        *out = static_cast<IProvideClassInfo*>(this);
    } else {
        return E_NOINTERFACE;
    }
    return S_OK;
}

STDMETHODIMP CCModelConfig::GetTypeInfoCount(UINT* count) { return TypeInfoCount(count); }

STDMETHODIMP CCModelConfig::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    return TypeInfoAt(index, IID_ICModelConfig, info);
}

STDMETHODIMP CCModelConfig::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return dispatch::GetIDsOfNames(kNames, ARRAYSIZE(kNames), riid, names, count, ids);
}

STDMETHODIMP CCModelConfig::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                   UINT* argErr) {
    return dispatch::Invoke(kMethods, ARRAYSIZE(kMethods), 2, id, params, result, argErr,
                            [this](DISPID, dispatch::Args& a) -> HRESULT { return IsLoad(a.String(0), a.IntOut(1)); });
}

STDMETHODIMP CCModelConfig::IsLoad(LPCWSTR strClassID, int* bIsLoad) {
    if (!ModelConfigFilesExist()) return 1;
    if (!IsWellFormedClassId(strClassID)) return 1;
    // The model-configuration store is not part of this service yet: answered as a store that cannot
    // be created, which leaves the caller's value as it was.
    (void)bIsLoad;
    return 0;
}

STDMETHODIMP CCModelConfig::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    return GetTypeInfoOf(CLSID_CCModelConfig, info);
}

}  // namespace settory
