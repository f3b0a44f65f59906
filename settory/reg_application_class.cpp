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

HRESULT Text(BSTR* out, const CStringW& text, HRESULT result) {
    if (!out) return E_POINTER;
    *out = text.AllocSysString();
    return result;
}

// Numbers read 0xFFFFFFFF whenever there is nothing to report.
HRESULT Number(ULONG* out, const COSLAppData* app, ULONG COSLAppData::*field) {
    if (!out) return E_POINTER;
    *out = 0xFFFFFFFF;
    if (!app) return 1;
    *out = app->*field;
    return 0;
}

HRESULT StoredText(BSTR* out, const COSLAppData* app, CStringW COSLAppData::*field) {
    return app ? Text(out, app->*field, 0) : Text(out, CStringW(), 1);
}

// Paths are handed out only while they name something that exists.
HRESULT StoredPath(BSTR* out, const COSLAppData* app, CStringW COSLAppData::*field) {
    if (!app || !PathNamesSomething(app->*field)) return Text(out, CStringW(), 1);
    return Text(out, app->*field, 0);
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

STDMETHODIMP COSLRegApplication::Init() {
    std::vector<CStringW> found = ListRegistrationFiles(RegistrationFolder());
    files_.insert(files_.end(), found.begin(), found.end());
    cursor_ = 0;
    return found.empty() ? 1 : 0;
}

STDMETHODIMP COSLRegApplication::MoveToFirstApp() {
    cursor_ = 0;
    return 0;
}

STDMETHODIMP COSLRegApplication::GetNextAppData(BSTR* strName) {
    if (!strName) return E_POINTER;
    current_.reset();
    CStringW schema = RegistrationSchemaPath();
    while (cursor_ < files_.size()) {
        const CStringW& path = files_[cursor_++];
        auto app = std::make_unique<COSLAppData>();
        if (app->LoadFile(path, schema) == 0) {
            current_ = std::move(app);
            return Text(strName, path, 0);
        }
    }
    return Text(strName, CStringW(), 1);
}

STDMETHODIMP COSLRegApplication::GetFuncName(BSTR* strName) {
    return StoredText(strName, current_.get(), &COSLAppData::m_strName);
}
STDMETHODIMP COSLRegApplication::GetFuncDesc(BSTR* strDesc) {
    return StoredText(strDesc, current_.get(), &COSLAppData::m_strDescription);
}
STDMETHODIMP COSLRegApplication::GetAppPath(BSTR* strAppPath) {
    return StoredPath(strAppPath, current_.get(), &COSLAppData::m_strAppPath);
}
STDMETHODIMP COSLRegApplication::GetAppOption(BSTR* strOption) {
    return StoredText(strOption, current_.get(), &COSLAppData::m_strOption);
}
STDMETHODIMP COSLRegApplication::GetWorkFolder(BSTR* strFolder) {
    return StoredPath(strFolder, current_.get(), &COSLAppData::m_strFolder);
}
STDMETHODIMP COSLRegApplication::GetCheckDllPath(BSTR* strPath) {
    return StoredPath(strPath, current_.get(), &COSLAppData::m_strCheckPath);
}
STDMETHODIMP COSLRegApplication::GetCheckFunc(BSTR* strFunc) {
    return StoredText(strFunc, current_.get(), &COSLAppData::m_strCheckFunc);
}
STDMETHODIMP COSLRegApplication::GetCheckOption1(ULONG* pulOption) {
    return Number(pulOption, current_.get(), &COSLAppData::m_ulCheckOption1);
}
STDMETHODIMP COSLRegApplication::GetCheckOption2(ULONG* pulOption) {
    return Number(pulOption, current_.get(), &COSLAppData::m_ulCheckOption2);
}
STDMETHODIMP COSLRegApplication::GetHelpPath(BSTR* strPath) {
    return StoredPath(strPath, current_.get(), &COSLAppData::m_strHelpPath);
}
STDMETHODIMP COSLRegApplication::GetHelpOption1(ULONG* pulOption) {
    return Number(pulOption, current_.get(), &COSLAppData::m_ulHelpOption1);
}
STDMETHODIMP COSLRegApplication::GetHelpOption2(ULONG* pulOption) {
    return Number(pulOption, current_.get(), &COSLAppData::m_ulHelpOption2);
}
STDMETHODIMP COSLRegApplication::GetAppHide(ULONG* pulHide) {
    return Number(pulHide, current_.get(), &COSLAppData::m_ulHide);
}
STDMETHODIMP COSLRegApplication::GetCategory(ULONG* pulCategory) {
    return Number(pulCategory, current_.get(), &COSLAppData::m_ulCategory);
}

STDMETHODIMP COSLRegApplication::GetAppIcon(BSTR* strIcon, ULONG* pulIconIndex) {
    if (!strIcon || !pulIconIndex) return E_POINTER;
    HRESULT result = Number(pulIconIndex, current_.get(), &COSLAppData::m_ulIconIndex);
    return StoredText(strIcon, current_.get(), &COSLAppData::m_strIconPath) == 0 ? result : 1;
}

STDMETHODIMP COSLRegApplication::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    return GetTypeInfoOf(CLSID_COSLRegApplication, info);
}

}  // namespace settory
