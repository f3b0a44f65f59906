#include "settory/model_config_class.h"

#include "settory/model_config.h"
#include "settory/dispatch.h"
#include "settory/module.h"
#include "settory/values.h"

namespace settory {
namespace {

using dispatch::Param;

const dispatch::Name kNames[] = {{L"strClassID", 0}, {L"bIsLoad", 1}, {L"IsLoad", 1}};
const dispatch::Method kMethods[] = {{1, 2, {Param::String, Param::IntOut}}};

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

STDMETHODIMP CCModelConfig::IsLoad(LPCWSTR strClassID, int* bIsLoad) { return service::IsLoad(strClassID, bIsLoad); }

STDMETHODIMP CCModelConfig::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    return GetTypeInfoOf(CLSID_CCModelConfig, info);
}

}  // namespace settory
