#pragma once
// CSettory: default and current setting values. Each object keeps its own list of pending writes;
// the stores behind it are shared by the whole process.
#include "Settory_h.h"
#include "base/com_object.h"
#include "settory/settings_store.h"

namespace settory {

class CSettory final : public ISettory3, public IProvideClassInfo, public base::ComObjectRoot {
public:
    CSettory() = default;
    ~CSettory() override = default;

    BASE_COM_DELEGATING_UNKNOWN

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argErr) override;

    // ISettory
    STDMETHODIMP GetDefaultValue(LPCWSTR strClassID, int iSettingID, VARIANT* value) override;
    STDMETHODIMP GetCurrentValue(LPCWSTR strClassID, int iSettingID, VARIANT* value) override;
    STDMETHODIMP SetCurrentValue(LPCWSTR strClassID, int iSettingID, VARIANT setValue) override;
    STDMETHODIMP Reload() override;
    STDMETHODIMP UpdateCurrentSetting() override;
    STDMETHODIMP RegisterSettingChangeEvent(LPCWSTR strClassID, int iSettingID) override;
    STDMETHODIMP UnRegisterSettingChangeEvent(LPCWSTR strClassID, int iSettingID) override;
    STDMETHODIMP GetDefaultValueEx(LPCWSTR strClassID, int iSettingID, WCHAR* pstrGetValue) override;
    STDMETHODIMP GetCurrentValueEx(LPCWSTR strClassID, int iSettingID, WCHAR* pstrGetValue) override;
    STDMETHODIMP SetCurrentValueEx(LPCWSTR strClassID, int iSettingID, LPCWSTR strSetValue) override;

    // ISettory2
    STDMETHODIMP RegisterWnd(ULONG_PTR ulWnd) override;
    STDMETHODIMP UnRegisterWnd(ULONG_PTR ulWnd) override;

    // ISettory3
    STDMETHODIMP IsLocked(LPCWSTR strClassID, int iSettingID, int* piLocked) override;

    // IProvideClassInfo
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;

protected:
    HRESULT QueryInterfaceCore(REFIID iid, void** out) override;

private:
    PendingList pending_;
};

}  // namespace settory
