#pragma once
// Reading the values of registered applications. Registry data is untrusted: a value that does not
// fit its buffer counts as not present, and strings are always cut at their buffer and terminated,
// whether or not the stored data carried a terminator.
#include <windows.h>
#include "base/cstringw.h"
#include "base/registry_reference.h"

namespace ostrel {

constexpr DWORD kRegStringChars = 1024;

// FALSE when the value is missing or longer than 1024 characters. REG_SZ and REG_EXPAND_SZ are taken
// as they are; REG_MULTI_SZ becomes lines; any other type counts as present and empty.
BOOL ReadRegString(HKEY key, const wchar_t* name, CStringW* value);
// FALSE when the value is missing or its data is longer than 4 bytes; shorter data is zero-extended.
BOOL ReadRegDword(HKEY key, const wchar_t* name, DWORD* value);

using base::MultiStringToLines;
using base::ResolveRegistryReference;

}  // namespace ostrel
