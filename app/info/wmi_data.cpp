#include "info/wmi_data.h"

#include "info/system_facts.h"

namespace ostrel {
namespace {
WmiErrorReporter g_reporter = nullptr;
}  // namespace

void ReportWmiError(const CStringW& text) {
    if (g_reporter) {
        g_reporter(text);
    } else {
        ::MessageBoxW(nullptr, text, L"", MB_OK);
    }
}

void SetWmiProxyBlanket(IUnknown* proxy) {
    (void)::CoSetProxyBlanket(proxy, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                              RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
}

WmiErrorReporter SetWmiErrorReporter(WmiErrorReporter reporter) {
    WmiErrorReporter previous = g_reporter;
    g_reporter = reporter;
    return previous;
}
}  // namespace ostrel

CWmiData::~CWmiData() { Close(); }

int CWmiData::Connect() {
    Close();
    if (FAILED(::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_SERVER, IID_IWbemLocator,
                                  m_pLocator.PutVoid()))) {
        return 0;
    }
    base::Bstr ns(L"\\\\.\\root\\cimv2");
    if (FAILED(m_pLocator->ConnectServer(ns.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                         m_pServices.Put()))) {
        m_pLocator.Reset();
        return 0;
    }
    ostrel::SetWmiProxyBlanket(m_pServices.Get());
    return 1;
}

int CWmiData::Select(const wchar_t* classText) {
    CloseQuery();
    if (!m_pServices || !classText) return 0;
    CStringW query = CStringW(L"Select * From ") + classText;
    base::Bstr language(L"WQL");
    base::Bstr text(query);
    HRESULT hr = m_pServices->ExecQuery(language.Get(), text.Get(),
                                        WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                        m_pEnumerator.Put());
    if (FAILED(hr) || !m_pEnumerator) {
        m_pEnumerator.Reset();
        CStringW message = CStringW(L"WMI Open Error(IWbemServices.ExecQuery)\n") + query;
        ostrel::ReportWmiError(message);
        return 0;
    }
    ULONG returned = 0;
    hr = m_pEnumerator->Next(WBEM_INFINITE, 1, m_pObject.Put(), &returned);
    if (FAILED(hr) || returned != 1 || !m_pObject) {
        m_pObject.Reset();
        return 0;
    }
    return 1;
}

int CWmiData::GetStringProperty(const wchar_t* name, CStringW* value) {
    value->Empty();
    if (!m_pObject || !name) return 0;
    base::Variant v;
    CIMTYPE type = CIM_EMPTY;
    if (FAILED(m_pObject->Get(name, 0, v.Get(), &type, nullptr))) return 0;
    // WMI hands unsigned 32-bit properties over as VT_I4; the CIM type says how to read the bits.
    bool isUnsigned = type == CIM_UINT8 || type == CIM_UINT16 || type == CIM_UINT32 || type == CIM_UINT64;
    switch (v->vt) {
    case VT_BSTR:
        *value = v->bstrVal ? v->bstrVal : L"";
        return 1;
    case VT_I2:
        if (isUnsigned) value->Format(L"%u", static_cast<unsigned>(static_cast<USHORT>(v->iVal)));
        else value->Format(L"%d", static_cast<int>(v->iVal));
        return 1;
    case VT_UI2:
        value->Format(L"%u", static_cast<unsigned>(v->uiVal));
        return 1;
    case VT_I4:
    case VT_INT:
        if (isUnsigned) value->Format(L"%lu", static_cast<unsigned long>(static_cast<ULONG>(v->lVal)));
        else value->Format(L"%ld", static_cast<long>(v->lVal));
        return 1;
    case VT_UI4:
    case VT_UINT:
        value->Format(L"%lu", static_cast<unsigned long>(v->ulVal));
        return 1;
    case VT_I8:
        if (isUnsigned) value->Format(L"%llu", static_cast<unsigned long long>(v->llVal));
        else value->Format(L"%lld", static_cast<long long>(v->llVal));
        return 1;
    case VT_UI8:
        value->Format(L"%llu", static_cast<unsigned long long>(v->ullVal));
        return 1;
    default:
        return 0;
    }
}

int CWmiData::GetNumberProperty(const wchar_t* name, unsigned long long* value) {
    *value = 0;
    CStringW text;
    if (!GetStringProperty(name, &text)) return 0;
    return ostrel::ParseUnsigned64(text, value) ? 1 : 0;
}

int CWmiData::NextNumberProperty(const wchar_t* name, unsigned long long* value) {
    *value = 0;
    m_pObject.Reset();
    if (!m_pEnumerator) return 0;
    ULONG returned = 0;
    HRESULT hr = m_pEnumerator->Next(WBEM_INFINITE, 1, m_pObject.Put(), &returned);
    if (FAILED(hr) || returned != 1 || !m_pObject) {
        m_pObject.Reset();
        return 0;
    }
    return GetNumberProperty(name, value);
}

int CWmiData::CloseQuery() {
    m_pObject.Reset();
    m_pEnumerator.Reset();
    return 1;
}

int CWmiData::Close() {
    CloseQuery();
    m_pServices.Reset();
    m_pLocator.Reset();
    return 1;
}
