#pragma once
// CCModelConfig: whether a settings class applies to this machine model.
#include "Settory_h.h"
#include "base/com_object.h"

namespace settory {

class CCModelConfig final : public ICModelConfig, public IProvideClassInfo, public base::ComObjectRoot {
public:
    BASE_COM_DELEGATING_UNKNOWN

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argErr) override;

    STDMETHODIMP IsLoad(LPCWSTR strClassID, int* bIsLoad) override;

    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;

protected:
    HRESULT QueryInterfaceCore(REFIID iid, void** out) override;
};

}  // namespace settory
