#include "settory/dispatch.h"

#include <string.h>
#include <wchar.h>

namespace settory {
namespace dispatch {
namespace {

VARIANT* FollowReferences(VARIANT* v) {
    while (v && V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
    return v;
}

bool IsByRef(const VARIANT* v, VARTYPE base) { return V_VT(v) == (VT_BYREF | base); }

// Converts value to the type target refers to and stores it there; other types are left alone.
void StoreByReference(VARIANT* target, VARIANT* value) {
    VARTYPE type = V_VT(target) & ~VT_BYREF;
    VARIANT converted;
    ::VariantInit(&converted);
    if (FAILED(::VariantChangeType(&converted, value, 0, type))) return;
    switch (type) {
    case VT_I1: *V_I1REF(target) = V_I1(&converted); break;
    case VT_UI1: *V_UI1REF(target) = V_UI1(&converted); break;
    case VT_I2: *V_I2REF(target) = V_I2(&converted); break;
    case VT_BOOL: *V_BOOLREF(target) = V_BOOL(&converted); break;
    case VT_I4: *V_I4REF(target) = V_I4(&converted); break;
    case VT_UI4: *V_UI4REF(target) = V_UI4(&converted); break;
    case VT_INT: *V_INTREF(target) = V_INT(&converted); break;
    case VT_R4: *V_R4REF(target) = V_R4(&converted); break;
    case VT_R8: *V_R8REF(target) = V_R8(&converted); break;
    case VT_BSTR:
        ::SysFreeString(*V_BSTRREF(target));
        *V_BSTRREF(target) = V_BSTR(&converted);
        return;
    default: break;
    }
    ::VariantClear(&converted);
}

}  // namespace

HRESULT GetIDsOfNames(const Name* table, size_t tableSize, REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (count > 0 && (!names || !ids)) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT n = 0; n < count; ++n) {
        ids[n] = DISPID_UNKNOWN;
        for (size_t i = 0; names[n] && i < tableSize; ++i) {
            if (_wcsicmp(names[n], table[i].name) == 0) {
                ids[n] = table[i].id;
                break;
            }
        }
        if (ids[n] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

Args::~Args() {
    for (int i = 0; i < count_; ++i) {
        if (slots_[i].hasLocal) ::VariantClear(&slots_[i].local);
        ::SysFreeString(slots_[i].bstrValue);
    }
}

HRESULT Args::Prepare(const Method& method, DISPPARAMS* params, UINT* argErr) {
    if (params->cArgs != static_cast<UINT>(method.count)) return DISP_E_BADPARAMCOUNT;
    if (params->cArgs > 0 && !params->rgvarg) return DISP_E_BADVARTYPE;
    if (params->cNamedArgs > params->cArgs || (params->cNamedArgs > 0 && !params->rgdispidNamedArgs)) {
        return DISP_E_PARAMNOTFOUND;
    }
    // Positional arguments come last to first; named ones lead the array.
    VARIANT* byPosition[kMaxParams] = {};
    UINT positional = params->cArgs - params->cNamedArgs;
    for (UINT p = 0; p < positional; ++p) byPosition[p] = &params->rgvarg[params->cArgs - 1 - p];
    for (UINT k = 0; k < params->cNamedArgs; ++k) {
        DISPID position = params->rgdispidNamedArgs[k];
        if (position < 0 || position >= method.count || byPosition[position]) {
            if (argErr) *argErr = k;
            return DISP_E_PARAMNOTFOUND;
        }
        byPosition[position] = &params->rgvarg[k];
    }
    count_ = method.count;
    for (int p = 0; p < method.count; ++p) {
        slots_[p].kind = method.params[p];
        HRESULT hr = Convert(slots_[p], byPosition[p]);
        if (FAILED(hr)) {
            if (argErr) *argErr = static_cast<UINT>(byPosition[p] - params->rgvarg);
            return hr;
        }
    }
    return S_OK;
}

HRESULT Args::Convert(Slot& slot, VARIANT* argument) {
    VARIANT* value = FollowReferences(argument);
    bool byReference = argument != value || (V_VT(value) & VT_BYREF);
    slot.target = value;
    ::VariantInit(&slot.local);
    slot.hasLocal = true;
    switch (slot.kind) {
    case Param::String:
        // Wide strings travel as a by-reference unsigned 16-bit value: the characters themselves.
        if (IsByRef(value, VT_UI2)) {
            slot.string = reinterpret_cast<const wchar_t*>(V_UI2REF(value));
            return S_OK;
        }
        if (FAILED(::VariantChangeType(&slot.local, value, 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
        slot.string = V_BSTR(&slot.local) ? V_BSTR(&slot.local) : L"";
        return S_OK;
    case Param::Int:
        if (FAILED(::VariantChangeType(&slot.local, value, 0, VT_I4))) return DISP_E_TYPEMISMATCH;
        slot.integer = V_I4(&slot.local);
        return S_OK;
    case Param::Handle:
        if (FAILED(::VariantChangeType(&slot.local, value, 0, VT_I8))) return DISP_E_TYPEMISMATCH;
        slot.handle = static_cast<ULONG_PTR>(V_I8(&slot.local));
        return S_OK;
    case Param::VariantIn:
        if (FAILED(::VariantCopyInd(&slot.local, value))) return DISP_E_TYPEMISMATCH;
        slot.variant = &slot.local;
        return S_OK;
    case Param::VariantInOut:
        if (argument != value && !(V_VT(value) & VT_BYREF)) {
            // A variable passed by reference: the method works on it directly.
            slot.variant = value;
            return S_OK;
        }
        if (FAILED(::VariantCopyInd(&slot.local, value))) return DISP_E_TYPEMISMATCH;
        slot.variant = &slot.local;
        slot.writeBack = (V_VT(value) & VT_BYREF) != 0;
        return S_OK;
    case Param::StringBuffer:
        if (IsByRef(value, VT_UI2)) {
            slot.buffer = reinterpret_cast<WCHAR*>(V_UI2REF(value));
            return S_OK;
        }
        if (V_VT(value) == VT_EMPTY || V_VT(value) == VT_NULL) {
            if (!byReference) return S_OK;  // no buffer at all: the method answers 1
        } else if (V_VT(value) != VT_BSTR && !IsByRef(value, VT_BSTR)) {
            return DISP_E_TYPEMISMATCH;
        }
        memset(slot.localBuffer, 0, sizeof(slot.localBuffer));
        {
            const BSTR text = V_VT(value) == VT_BSTR ? V_BSTR(value)
                              : IsByRef(value, VT_BSTR) ? *V_BSTRREF(value) : nullptr;
            if (text) wcsncpy(slot.localBuffer, text, ARRAYSIZE(slot.localBuffer) - 1);
        }
        slot.buffer = slot.localBuffer;
        slot.writeBack = byReference;
        return S_OK;
    case Param::IntOut:
        if (IsByRef(value, VT_I4) || IsByRef(value, VT_INT)) {
            slot.intOut = reinterpret_cast<int*>(V_I4REF(value));
            return S_OK;
        }
        if (argument == value) return DISP_E_TYPEMISMATCH;
        if (SUCCEEDED(::VariantChangeType(&slot.local, value, 0, VT_I4))) slot.intValue = V_I4(&slot.local);
        slot.intOut = &slot.intValue;
        slot.writeBack = true;
        return S_OK;
    case Param::UlongOut:
        if (IsByRef(value, VT_UI4) || IsByRef(value, VT_I4) || IsByRef(value, VT_INT)) {
            slot.ulongOut = reinterpret_cast<ULONG*>(V_UI4REF(value));
            return S_OK;
        }
        if (argument == value) return DISP_E_TYPEMISMATCH;
        slot.ulongOut = &slot.ulongValue;
        slot.writeBack = true;
        return S_OK;
    case Param::BstrOut:
        if (!IsByRef(value, VT_BSTR) && argument == value) return DISP_E_TYPEMISMATCH;
        slot.bstrOut = &slot.bstrValue;
        slot.writeBack = true;
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

void Args::Finish(HRESULT result) {
    for (int i = 0; i < count_; ++i) {
        Slot& slot = slots_[i];
        if (!slot.writeBack || !slot.target) continue;
        VARIANT* target = slot.target;
        switch (slot.kind) {
        case Param::VariantInOut:
            // The caller's typed by-reference variable keeps its own type.
            StoreByReference(target, slot.variant);
            break;
        case Param::StringBuffer:
            if (result != 0) break;  // the buffer is left as it was
            if (IsByRef(target, VT_BSTR)) {
                ::SysFreeString(*V_BSTRREF(target));
                *V_BSTRREF(target) = ::SysAllocString(slot.localBuffer);
            } else {
                ::VariantClear(target);
                V_VT(target) = VT_BSTR;
                V_BSTR(target) = ::SysAllocString(slot.localBuffer);
            }
            break;
        case Param::IntOut:
            ::VariantClear(target);
            V_VT(target) = VT_I4;
            V_I4(target) = slot.intValue;
            break;
        case Param::UlongOut:
            // Scripting clients have no unsigned type; the bits go back as a signed 32-bit value.
            ::VariantClear(target);
            V_VT(target) = VT_I4;
            V_I4(target) = static_cast<LONG>(slot.ulongValue);
            break;
        case Param::BstrOut:
            if (IsByRef(target, VT_BSTR)) {
                ::SysFreeString(*V_BSTRREF(target));
                *V_BSTRREF(target) = slot.bstrValue;
            } else {
                ::VariantClear(target);
                V_VT(target) = VT_BSTR;
                V_BSTR(target) = slot.bstrValue;
            }
            slot.bstrValue = nullptr;
            break;
        default:
            break;
        }
    }
}

}  // namespace dispatch
}  // namespace settory
