#pragma once
// The availability probe of a registered application: "<module>, <function>, <arg1>[, <arg2>]".
// The function is called as int __cdecl f(int, int); 0 means the application is not available.
#include "base/cstringw.h"

namespace ostrel {
// The function's result; 0 when the text has neither three nor four parts or the module or
// function is missing.
int RunAvailabilityProbe(const CStringW& probe);

using ProbeFunction = int(__cdecl*)(int, int);
// Calls a probe as every call into outside code is made: one that throws answers 0, so a broken
// probe hides its application instead of ending the program's start-up.
int CallProbe(ProbeFunction probe, int argument1, int argument2);
}
