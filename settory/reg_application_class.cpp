#include "settory/reg_application_class.h"

#include "settory/dispatch.h"
#include "settory/module.h"

namespace settory {
namespace {

using dispatch::Param;

const dispatch::Name kNames[] = {
    {L"Init", 1},          {L"MoveToFirstApp", 2},   {L"GetNextAppData", 3},   {L"GetFuncName", 4},
    {L"GetFuncDesc", 5},   {L"GetAppPath", 6},       {L"GetAppOption", 7},     {L"GetWorkFolder", 8},
    {L"GetCheckDllPath", 9}, {L"GetCheckFunc", 10},  {L"GetCheckOption1", 11}, {L"GetCheckOption2", 12},
    {L"GetHelpPath", 13},  {L"GetHelpOption1", 14},  {L"GetHelpOption2", 15}, {L"GetAppHide", 16},
    {L"GetCategory", 17},  {L"GetAppIcon", 18},      {L"strName", 0},          {L"strDesc", 0},
    {L"strAppPath", 0},    {L"strOption", 0},        {L"strFolder", 0},        {L"strPath", 0},
    {L"strFunc", 0},       {L"pulOption", 0},        {L"pulHide", 0},          {L"pulCategory", 0},
    {L"strIcon", 0},       {L"pulIconIndex", 1},
};

const dispatch::Method kMethods[] = {
    {1, 0, {}},
    {2, 0, {}},
    {3, 1, {Param::BstrOut}},
    {4, 1, {Param::BstrOut}},
    {5, 1, {Param::BstrOut}},
    {6, 1, {Param::BstrOut}},
    {7, 1, {Param::BstrOut}},
    {8, 1, {Param::BstrOut}},
    {9, 1, {Param::BstrOut}},
    {10, 1, {Param::BstrOut}},
    {11, 1, {Param::UlongOut}},
    {12, 1, {Param::UlongOut}},
    {13, 1, {Param::BstrOut}},
    {14, 1, {Param::UlongOut}},
    {15, 1, {Param::UlongOut}},
    {16, 1, {Param::UlongOut}},
    {17, 1, {Param::UlongOut}},
    {18, 2, {Param::BstrOut, Param::UlongOut}},
};

// Without a current application: strings come back empty, numbers as 0xFFFFFFFF, result 1.
HRESULT NoText(BSTR* out) {
    if (!out) return E_POINTER;
    *out = ::SysAllocString(L"");
    return 1;
}

HRESULT NoNumber(ULONG* out) {
    if (!out) return E_POINTER;
    *out = 0xFFFFFFFF;
    return 1;
}

}  // namespace

HRESULT COSLRegApplication::QueryInterfaceCore(REFIID iid, void** out) {
    if (IsEqualIID(iid, IID_IOSLRegApplication) || IsEqualIID(iid, IID_IDispatch)) {
        *out = static_cast<IOSLRegApplication*>(this);
    } else if (IsEqualIID(iid, IID_IProvideClassInfo)) {
        *out = static_cast<IProvideClassInfo*>(this);
    } else {
        return E_NOINTERFACE;
    }
    return S_OK;
}

STDMETHODIMP COSLRegApplication::GetTypeInfoCount(UINT* count) { return TypeInfoCount(count); }

STDMETHODIMP COSLRegApplication::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    return TypeInfoAt(index, IID_IOSLRegApplication, info);
}

STDMETHODIMP COSLRegApplication::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return dispatch::GetIDsOfNames(kNames, ARRAYSIZE(kNames), riid, names, count, ids);
}

STDMETHODIMP COSLRegApplication::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                        EXCEPINFO*, UINT* argErr) {
    return dispatch::Invoke(kMethods, ARRAYSIZE(kMethods), 2, id, params, result, argErr,
                            [this](DISPID method, dispatch::Args& a) -> HRESULT {
                                switch (method) {
                                case 1: return Init();
                                case 2: return MoveToFirstApp();
                                case 3: return GetNextAppData(a.BstrOut(0));
                                case 4: return GetFuncName(a.BstrOut(0));
                                case 5: return GetFuncDesc(a.BstrOut(0));
                                case 6: return GetAppPath(a.BstrOut(0));
                                case 7: return GetAppOption(a.BstrOut(0));
                                case 8: return GetWorkFolder(a.BstrOut(0));
                                case 9: return GetCheckDllPath(a.BstrOut(0));
                                case 10: return GetCheckFunc(a.BstrOut(0));
                                case 11: return GetCheckOption1(a.UlongOut(0));
                                case 12: return GetCheckOption2(a.UlongOut(0));
                                case 13: return GetHelpPath(a.BstrOut(0));
                                case 14: return GetHelpOption1(a.UlongOut(0));
                                case 15: return GetHelpOption2(a.UlongOut(0));
                                case 16: return GetAppHide(a.UlongOut(0));
                                case 17: return GetCategory(a.UlongOut(0));
                                case 18: return GetAppIcon(a.BstrOut(0), a.UlongOut(1));
                                }
                                return DISP_E_MEMBERNOTFOUND;
                            });
}

STDMETHODIMP COSLRegApplication::Init() { return 1; }
STDMETHODIMP COSLRegApplication::MoveToFirstApp() { return 0; }
STDMETHODIMP COSLRegApplication::GetNextAppData(BSTR* strName) { return NoText(strName); }
STDMETHODIMP COSLRegApplication::GetFuncName(BSTR* strName) { return NoText(strName); }
STDMETHODIMP COSLRegApplication::GetFuncDesc(BSTR* strDesc) { return NoText(strDesc); }
STDMETHODIMP COSLRegApplication::GetAppPath(BSTR* strAppPath) { return NoText(strAppPath); }
STDMETHODIMP COSLRegApplication::GetAppOption(BSTR* strOption) { return NoText(strOption); }
STDMETHODIMP COSLRegApplication::GetWorkFolder(BSTR* strFolder) { return NoText(strFolder); }
STDMETHODIMP COSLRegApplication::GetCheckDllPath(BSTR* strPath) { return NoText(strPath); }
STDMETHODIMP COSLRegApplication::GetCheckFunc(BSTR* strFunc) { return NoText(strFunc); }
STDMETHODIMP COSLRegApplication::GetCheckOption1(ULONG* pulOption) { return NoNumber(pulOption); }
STDMETHODIMP COSLRegApplication::GetCheckOption2(ULONG* pulOption) { return NoNumber(pulOption); }
STDMETHODIMP COSLRegApplication::GetHelpPath(BSTR* strPath) { return NoText(strPath); }
STDMETHODIMP COSLRegApplication::GetHelpOption1(ULONG* pulOption) { return NoNumber(pulOption); }
STDMETHODIMP COSLRegApplication::GetHelpOption2(ULONG* pulOption) { return NoNumber(pulOption); }
STDMETHODIMP COSLRegApplication::GetAppHide(ULONG* pulHide) { return NoNumber(pulHide); }
STDMETHODIMP COSLRegApplication::GetCategory(ULONG* pulCategory) { return NoNumber(pulCategory); }

STDMETHODIMP COSLRegApplication::GetAppIcon(BSTR* strIcon, ULONG* pulIconIndex) {
    if (!strIcon || !pulIconIndex) return E_POINTER;
    *pulIconIndex = 0xFFFFFFFF;
    return NoText(strIcon);
}

STDMETHODIMP COSLRegApplication::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    return GetTypeInfoOf(CLSID_COSLRegApplication, info);
}

}  // namespace settory
