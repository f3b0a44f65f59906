#pragma once
// Late binding for the dual interfaces without the type library: fixed name tables for
// GetIDsOfNames, and argument conversion for Invoke.
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace settory {
namespace dispatch {

struct Name {
    const wchar_t* name;
    DISPID id;
};

// How a parameter travels: what the method receives and what goes back to a by-reference argument.
enum class Param {
    String,        // [in] LPCWSTR
    Int,           // [in] int
    VariantInOut,  // [in,out] VARIANT*
    VariantIn,     // [in] VARIANT
    StringBuffer,  // [in,out] WCHAR[SETTORY_VALUE_CAPACITY]
    Handle,        // [in] ULONG_PTR
    IntOut,        // [out] int*
    BstrOut,       // [out] BSTR*
    UlongOut,      // [out] ULONG*
};

constexpr int kMaxParams = 3;

struct Method {
    DISPID id;
    int count;
    Param params[kMaxParams];
};

// Every name is looked up, ignoring letter case, in the one table; an unknown name gets DISPID_UNKNOWN.
HRESULT GetIDsOfNames(const Name* table, size_t tableSize, REFIID riid, LPOLESTR* names, UINT count, DISPID* ids);

// The converted arguments of one call, by parameter position.
class Args {
public:
    Args() = default;
    ~Args();
    Args(const Args&) = delete;
    Args& operator=(const Args&) = delete;

    HRESULT Prepare(const Method& method, DISPPARAMS* params, UINT* argErr);
    // Hands results back to by-reference arguments once the method has returned result.
    void Finish(HRESULT result);

    const wchar_t* String(int i) const { return slots_[i].string; }
    int Int(int i) const { return slots_[i].integer; }
    VARIANT* VariantInOut(int i) { return slots_[i].variant; }
    VARIANT VariantIn(int i) const { return *slots_[i].variant; }
    WCHAR* Buffer(int i) { return slots_[i].buffer; }
    ULONG_PTR Handle(int i) const { return slots_[i].handle; }
    int* IntOut(int i) { return slots_[i].intOut; }
    BSTR* BstrOut(int i) { return slots_[i].bstrOut; }
    ULONG* UlongOut(int i) { return slots_[i].ulongOut; }

private:
    struct Slot {
        Param kind = Param::Int;
        VARIANT* target = nullptr;  // the caller's argument, after following VARIANT references
        VARIANT local;              // owned copy or conversion
        bool hasLocal = false;
        const wchar_t* string = nullptr;
        int integer = 0;
        VARIANT* variant = nullptr;
        WCHAR* buffer = nullptr;
        WCHAR localBuffer[256];
        ULONG_PTR handle = 0;
        int* intOut = nullptr;
        int intValue = 0;
        BSTR* bstrOut = nullptr;
        BSTR bstrValue = nullptr;
        ULONG* ulongOut = nullptr;
        ULONG ulongValue = 0;
        bool writeBack = false;
    };
    HRESULT Convert(Slot& slot, VARIANT* argument);

    Slot slots_[kMaxParams];
    int count_ = 0;
};

// Finds the method, checks the argument count and names, converts, calls call(id, args), writes
// by-reference results back and puts the method's result code into *result.
template <typename Call>
HRESULT Invoke(const Method* methods, size_t methodCount, int maxParams, DISPID id, DISPPARAMS* params,
               VARIANT* result, UINT* argErr, Call call) {
    if (!params) return DISP_E_BADVARTYPE;
    if (params->cArgs > static_cast<UINT>(maxParams)) return DISP_E_BADPARAMCOUNT;
    const Method* method = nullptr;
    for (size_t i = 0; i < methodCount; ++i) {
        if (methods[i].id == id) method = &methods[i];
    }
    if (!method) return DISP_E_MEMBERNOTFOUND;
    Args args;
    HRESULT hr = args.Prepare(*method, params, argErr);
    if (FAILED(hr)) return hr;
    HRESULT code = call(id, args);
    args.Finish(code);
    if (FAILED(code)) return code;
    if (result) {
        ::VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = code;
    }
    return S_OK;
}

}  // namespace dispatch
}  // namespace settory
