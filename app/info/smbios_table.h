#pragma once
// The firmware's SMBIOS structure table: the walk over its bytes and the read through WMI.
#include <windows.h>
#include <cstddef>

#include "base/cstringw.h"

namespace ostrel {

// Finds the system information structure (type 1) in an SMBIOS structure table and gives its
// version string (ANSI code page). TRUE when the structure and its string were read; a string
// number of 0 gives an empty version. A malformed table never reads beyond size bytes and gives
// FALSE with an empty string, as does a table without that structure.
BOOL FindSmbiosSystemVersion(const BYTE* data, size_t size, CStringW* out);

// The version string of the firmware's system information structure, read through root\wmi;
// empty when the namespace, class, table or structure is missing.
void ReadSmbiosSystemVersion(CStringW* out);

}  // namespace ostrel
