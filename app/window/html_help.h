#pragma once
// Opening an entry's help file with HTML Help. The HTML Help library is loaded the first time help is
// asked for; without it, help quietly does nothing for the rest of the run.
#include <windows.h>
#include "base/cstringw.h"

namespace ostrel {
// The help window, or null. option is the entry's first help option (the data of the TOC command).
HWND ShowHelp(const CStringW& helpPath, UINT option);
// The help file in the user's language when the system has one for it, unquoted.
CStringW LocalisedHelpFile(const CStringW& helpPath);
}  // namespace ostrel
