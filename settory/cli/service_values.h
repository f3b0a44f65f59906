#pragma once
// Values read through the service as text. The plain methods with a string VARIANT are used rather
// than the Ex methods: those answer 1 for every failure, these tell the failures apart (2, 3, 4, 9).
#include <windows.h>

#include <string>

#include "Settory_h.h"

namespace settorycli {

HRESULT ReadCurrent(ISettory* settory, const std::wstring& classId, int settingId, std::wstring* value);
HRESULT ReadDefault(ISettory* settory, const std::wstring& classId, int settingId, std::wstring* value);

// Whether an administrator's policy fixes the setting, so that a write to it would not be stored.
bool IsLockedByPolicy(ISettory* settory, const std::wstring& classId, int settingId);

// A setting id exactly as the service writes it: decimal, no sign for positive, no leading zero.
bool ParseSettingId(const std::wstring& text, int* id);

// Whether the text is an integer the service stores ("%d" of a 32-bit value).
bool IsIntegerText(const std::wstring& text);

}  // namespace settorycli
