#include "settory/settory_class.h"

#include "settory/dispatch.h"
#include "settory/module.h"
#include "settory/msg_callback.h"
#include "settory/values.h"

namespace settory {
namespace {

using dispatch::Param;

const dispatch::Name kNames[] = {
    {L"strClassID", 0},
    {L"iSettingID", 1},
    {L"value", 2},
    {L"GetDefaultValue", 1},
    {L"GetCurrentValue", 2},
    {L"setValue", 2},
    {L"SetCurrentValue", 3},
    {L"Reload", 4},
    {L"UpdateCurrentSetting", 5},
    {L"RegisterSettingChangeEvent", 6},
    {L"UnRegisterSettingChangeEvent", 7},
    {L"pstrGetValue", 2},
    {L"GetDefaultValueEx", 8},
    {L"GetCurrentValueEx", 9},
    {L"strSetValue", 2},
    {L"SetCurrentValueEx", 10},
    {L"ulWnd", 0},
    {L"RegisterWnd", 11},
    {L"UnRegisterWnd", 12},
    {L"piLocked", 2},
    {L"IsLocked", 13},
};

const dispatch::Method kMethods[] = {
    {1, 3, {Param::String, Param::Int, Param::VariantInOut}},
    {2, 3, {Param::String, Param::Int, Param::VariantInOut}},
    {3, 3, {Param::String, Param::Int, Param::VariantIn}},
    {4, 0, {}},
    {5, 0, {}},
    {6, 2, {Param::String, Param::Int}},
    {7, 2, {Param::String, Param::Int}},
    {8, 3, {Param::String, Param::Int, Param::StringBuffer}},
    {9, 3, {Param::String, Param::Int, Param::StringBuffer}},
    {10, 3, {Param::String, Param::Int, Param::String}},
    {11, 1, {Param::Handle}},
    {12, 1, {Param::Handle}},
    {13, 3, {Param::String, Param::Int, Param::IntOut}},
};

}  // namespace

HRESULT CSettory::QueryInterfaceCore(REFIID iid, void** out) {
    if (IsEqualIID(iid, IID_ISettory) || IsEqualIID(iid, IID_IDispatch)) {
        *out = static_cast<ISettory*>(this);
    } else if (IsEqualIID(iid, IID_ISettory2)) {
        *out = static_cast<ISettory2*>(this);
    } else if (IsEqualIID(iid, IID_ISettory3)) {
        *out = static_cast<ISettory3*>(this);
    } else if (IsEqualIID(iid, IID_IProvideClassInfo)) {
        *out = static_cast<IProvideClassInfo*>(this);
    } else {
        return E_NOINTERFACE;
    }
    return S_OK;
}

STDMETHODIMP CSettory::GetTypeInfoCount(UINT* count) { return TypeInfoCount(count); }

STDMETHODIMP CSettory::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    return TypeInfoAt(index, IID_ISettory2, info);
}

STDMETHODIMP CSettory::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return dispatch::GetIDsOfNames(kNames, ARRAYSIZE(kNames), riid, names, count, ids);
}

STDMETHODIMP CSettory::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                              UINT* argErr) {
    return dispatch::Invoke(kMethods, ARRAYSIZE(kMethods), dispatch::kMaxParams, id, params, result, argErr,
                            [this](DISPID method, dispatch::Args& a) -> HRESULT {
                                switch (method) {
                                case 1: return GetDefaultValue(a.String(0), a.Int(1), a.VariantInOut(2));
                                case 2: return GetCurrentValue(a.String(0), a.Int(1), a.VariantInOut(2));
                                case 3: return SetCurrentValue(a.String(0), a.Int(1), a.VariantIn(2));
                                case 4: return Reload();
                                case 5: return UpdateCurrentSetting();
                                case 6: return RegisterSettingChangeEvent(a.String(0), a.Int(1));
                                case 7: return UnRegisterSettingChangeEvent(a.String(0), a.Int(1));
                                case 8: return GetDefaultValueEx(a.String(0), a.Int(1), a.Buffer(2));
                                case 9: return GetCurrentValueEx(a.String(0), a.Int(1), a.Buffer(2));
                                case 10: return SetCurrentValueEx(a.String(0), a.Int(1), a.String(2));
                                case 11: return RegisterWnd(a.Handle(0));
                                case 12: return UnRegisterWnd(a.Handle(0));
                                case 13: return IsLocked(a.String(0), a.Int(1), a.IntOut(2));
                                }
                                return DISP_E_MEMBERNOTFOUND;
                            });
}

STDMETHODIMP CSettory::GetDefaultValue(LPCWSTR strClassID, int iSettingID, VARIANT* value) {
    return service::GetDefaultValue(strClassID, iSettingID, value);
}

STDMETHODIMP CSettory::GetCurrentValue(LPCWSTR strClassID, int iSettingID, VARIANT* value) {
    return service::GetCurrentValue(strClassID, iSettingID, value);
}

STDMETHODIMP CSettory::SetCurrentValue(LPCWSTR strClassID, int iSettingID, VARIANT setValue) {
    service::QueueWrite(pending_, strClassID, iSettingID, VariantToText(setValue));
    return kOk;
}

STDMETHODIMP CSettory::Reload() { return service::Reload(); }

STDMETHODIMP CSettory::UpdateCurrentSetting() { return service::UpdateCurrentSetting(pending_); }

STDMETHODIMP CSettory::RegisterSettingChangeEvent(LPCWSTR strClassID, int iSettingID) {
    return service::RegisterSettingChangeEvent(strClassID, iSettingID);
}

STDMETHODIMP CSettory::UnRegisterSettingChangeEvent(LPCWSTR strClassID, int iSettingID) {
    return service::UnRegisterSettingChangeEvent(strClassID, iSettingID);
}

STDMETHODIMP CSettory::GetDefaultValueEx(LPCWSTR strClassID, int iSettingID, WCHAR* pstrGetValue) {
    return service::GetDefaultValueEx(strClassID, iSettingID, pstrGetValue);
}

STDMETHODIMP CSettory::GetCurrentValueEx(LPCWSTR strClassID, int iSettingID, WCHAR* pstrGetValue) {
    return service::GetCurrentValueEx(strClassID, iSettingID, pstrGetValue);
}

STDMETHODIMP CSettory::SetCurrentValueEx(LPCWSTR strClassID, int iSettingID, LPCWSTR strSetValue) {
    service::QueueWrite(pending_, strClassID, iSettingID, strSetValue ? strSetValue : L"");
    return kOk;
}

STDMETHODIMP CSettory::RegisterWnd(ULONG_PTR ulWnd) {
    RegisteredWindows().Add(ulWnd);
    return kOk;
}

STDMETHODIMP CSettory::UnRegisterWnd(ULONG_PTR ulWnd) {
    RegisteredWindows().Remove(ulWnd);
    return kOk;
}

STDMETHODIMP CSettory::IsLocked(LPCWSTR strClassID, int iSettingID, int* piLocked) {
    return service::LockSource(strClassID, iSettingID, piLocked);
}

STDMETHODIMP CSettory::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    return GetTypeInfoOf(CLSID_CSettory, info);
}

}  // namespace settory
