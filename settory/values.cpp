#include "settory/values.h"

#include <stdlib.h>
#include <wchar.h>

namespace settory {

bool IsWellFormedClassId(const wchar_t* classId) {
    if (!classId || wcslen(classId) != 36) return false;
    return classId[8] == L'-' && classId[13] == L'-' && classId[18] == L'-' && classId[23] == L'-';
}

void TextToVariant(const wchar_t* text, VARIANT* value) {
    if (!value) return;
    if (!text) text = L"";
    VARTYPE type = V_VT(value);
    ::VariantClear(value);
    switch (type) {
    case VT_I2:
    case VT_BOOL:
    case VT_I1:
        // Stored as a plain 16-bit integer, so a check box's "1" reads back as 1 rather than VARIANT_TRUE.
        V_VT(value) = type;
        V_I2(value) = static_cast<SHORT>(_wtoi(text));
        break;
    case VT_I4:
    case VT_UI4:
        V_VT(value) = type;
        V_I4(value) = static_cast<LONG>(_wtol(text));
        break;
    case VT_R4:
        V_VT(value) = VT_R4;
        V_R4(value) = static_cast<FLOAT>(_wtof(text));
        break;
    case VT_R8:
        V_VT(value) = VT_R8;
        V_R8(value) = _wtof(text);
        break;
    case VT_BSTR:
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = ::SysAllocString(text);
        if (!V_BSTR(value)) V_VT(value) = VT_EMPTY;
        break;
    case VT_INT:
        V_VT(value) = VT_INT;
        V_INT(value) = _wtoi(text);
        break;
    default:
        break;
    }
}

CStringW VariantToText(const VARIANT& value) {
    CStringW text;
    switch (V_VT(&value)) {
    case VT_I2:
    case VT_BOOL:
    case VT_I1:
        text.Format(L"%d", static_cast<int>(V_I2(&value)));
        break;
    case VT_I4:
    case VT_INT:
    case VT_UI4:
        text.Format(L"%d", static_cast<int>(V_I4(&value)));
        break;
    case VT_R4:
        text.Format(L"%f", static_cast<double>(V_R4(&value)));
        break;
    case VT_R8:
        text.Format(L"%f", V_R8(&value));
        break;
    case VT_BSTR:
        text = V_BSTR(&value) ? V_BSTR(&value) : L"";
        break;
    case VT_UI1:
        text.Format(L"%d", static_cast<int>(V_UI1(&value)));
        break;
    default:
        break;
    }
    return text;
}

CStringW SettingIdText(int settingId) {
    CStringW text;
    text.Format(L"%d", settingId);
    return text;
}

}  // namespace settory
