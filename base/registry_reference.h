#pragma once
// Registry references in outside data: "HKEY_<root>\<subkey>\<value name>" names a registry value
// whose text stands in for the reference. Used by the program's catalogue and by the settings
// service's registration files alike.
#include <windows.h>
#include "base/cstringw.h"

namespace base {

// The value the reference names: strings expanded (a result longer than 1024 characters counts as
// missing), multi-strings as lines; empty for an unknown root, a missing value, data over 2048
// bytes or a value of another type.
CStringW ResolveRegistryReference(const CStringW& reference);

// Turns the zero characters of multi-string data, all but the last two, into line feeds.
void MultiStringToLines(wchar_t* data, size_t chars);

}  // namespace base
