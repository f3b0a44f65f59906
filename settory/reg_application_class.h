#pragma once
// COSLRegApplication: enumerates the applications registered by XML files in the product data folder.
// Each instance keeps its own list of files, its cursor and the one application it last moved to.
#include <memory>
#include <vector>

#include "Settory_h.h"
#include "base/com_object.h"
#include "settory/app_data.h"

namespace settory {

class COSLRegApplication final : public IOSLRegApplication, public IProvideClassInfo, public base::ComObjectRoot {
public:
    BASE_COM_DELEGATING_UNKNOWN

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argErr) override;

    STDMETHODIMP Init() override;
    STDMETHODIMP MoveToFirstApp() override;
    STDMETHODIMP GetNextAppData(BSTR* strName) override;
    STDMETHODIMP GetFuncName(BSTR* strName) override;
    STDMETHODIMP GetFuncDesc(BSTR* strDesc) override;
    STDMETHODIMP GetAppPath(BSTR* strAppPath) override;
    STDMETHODIMP GetAppOption(BSTR* strOption) override;
    STDMETHODIMP GetWorkFolder(BSTR* strFolder) override;
    STDMETHODIMP GetCheckDllPath(BSTR* strPath) override;
    STDMETHODIMP GetCheckFunc(BSTR* strFunc) override;
    STDMETHODIMP GetCheckOption1(ULONG* pulOption) override;
    STDMETHODIMP GetCheckOption2(ULONG* pulOption) override;
    STDMETHODIMP GetHelpPath(BSTR* strPath) override;
    STDMETHODIMP GetHelpOption1(ULONG* pulOption) override;
    STDMETHODIMP GetHelpOption2(ULONG* pulOption) override;
    STDMETHODIMP GetAppHide(ULONG* pulHide) override;
    STDMETHODIMP GetCategory(ULONG* pulCategory) override;
    STDMETHODIMP GetAppIcon(BSTR* strIcon, ULONG* pulIconIndex) override;

    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;

protected:
    HRESULT QueryInterfaceCore(REFIID iid, void** out) override;

private:
    std::vector<CStringW> files_;
    size_t cursor_ = 0;
    std::unique_ptr<COSLAppData> current_;
};

}  // namespace settory
