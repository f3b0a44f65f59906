#pragma once
// Reading the values of registered applications. Registry data is untrusted: a value that does not
// fit its buffer counts as not present, and strings are always cut at their buffer and terminated,
// whether or not the stored data carried a terminator.
#include <windows.h>
#include "base/cstringw.h"

namespace ostrel {

constexpr DWORD kRegStringChars = 1024;

// FALSE when the value is missing or longer than 1024 characters. REG_SZ and REG_EXPAND_SZ are taken
// as they are; REG_MULTI_SZ becomes lines; any other type counts as present and empty.
BOOL ReadRegString(HKEY key, const wchar_t* name, CStringW* value);
// FALSE when the value is missing or its data is longer than 4 bytes; shorter data is zero-extended.
BOOL ReadRegDword(HKEY key, const wchar_t* name, DWORD* value);

// The value a reference "HKEY_<root>\<subkey>\<value name>" names: strings expanded, multi-strings
// as lines; empty for an unknown root, a missing value or one of another type.
CStringW ResolveRegistryReference(const CStringW& reference);

// Turns the zero characters of multi-string data, all but the last two, into line feeds.
void MultiStringToLines(wchar_t* data, size_t chars);

}  // namespace ostrel
