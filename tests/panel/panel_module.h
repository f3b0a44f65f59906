#pragma once
// The Control Panel module under test and raw access to its resources.
#include <windows.h>
#include <string>
#include <vector>

#include "base/handles.h"

namespace paneltest {

// OstrelPanel.dll from the binary folder, loaded for real (its entry point runs).
base::UniqueModule LoadPanel();

// The bytes of one resource in exactly the given language; empty when there is none.
std::vector<BYTE> ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);

// String `id` of the string table in exactly the given language; false when the block or the
// entry is missing (an empty entry is missing too).
bool StringInLanguage(HMODULE module, UINT id, WORD language, std::wstring* text);

}  // namespace paneltest
