#pragma once
// Setting values are kept as text; these turn them into VARIANTs and back, and check class ids.
#include <windows.h>
#include <oleauto.h>

#include "base/cstringw.h"

namespace settory {

// Exactly 36 characters with "-" at 8, 13, 18 and 23; nothing else is looked at.
bool IsWellFormedClassId(const wchar_t* classId);

// Fills value from text according to the type value already has; unknown types leave it VT_EMPTY.
// The old content is freed first, as for any [in,out] VARIANT.
void TextToVariant(const wchar_t* text, VARIANT* value);
CStringW VariantToText(const VARIANT& value);

CStringW SettingIdText(int settingId);

}  // namespace settory
