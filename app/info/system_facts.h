#pragma once
// Texts of the system-information page that need no WMI connection: size and clock texts, the
// memory rounding, number parsing and the operating-system line.
#include <windows.h>

#include "base/cstringw.h"

namespace ostrel {

// "512 KBytes", "1.500 MBytes", "3 GBytes": whole units of 1024, with the remainder of the last
// division as thousandths when it is not zero. Units stop at PBytes.
void FormatKilobytes(unsigned long long kilobytes, CStringW* out);

// Physical memory in bytes as the kilobytes to show: modules and firmware reservations leave the
// reported total a little below the installed size, so it is raised to the next 4-MB boundary.
unsigned long long RoundMemoryKilobytes(unsigned long long bytes);

// "2.40 GHz" from megahertz.
CStringW FormatClockSpeed(unsigned long long megahertz);

// A decimal number of at most 64 bits, digits only (surrounding white space allowed); FALSE for
// anything else, including a value that does not fit.
BOOL ParseUnsigned64(const wchar_t* text, unsigned long long* value);

// The operating system line: the caption (or, for the XP edition that names itself only through a
// system metric, mediaCenterName) followed by the service pack when there is one.
CStringW ComposeOperatingSystem(const CStringW& caption, const CStringW& servicePack, const wchar_t* mediaCenterName);

}  // namespace ostrel
