#pragma once
// Whether the settings window may start an entry's program or open its help file where they lie.
//
// Registration files lie in the product data folder, which every user may write to, and an entry is
// started in the session of whoever clicks it, often an administrator's. So a program, working folder
// or help file named only by a registration file is used only from a folder that standard users cannot
// write to, judged as the probes those files name are (catalogue/probe_location.h). Entries from
// HKEY_LOCAL_MACHINE and plug-ins are an administrator's and are started as they are.
#include "base/cstringw.h"

class CRegisteredApplication;

namespace ostrel {

// Empty when Launch may start the entry's program; otherwise what the user is told instead.
CStringW LaunchRefusal(const CRegisteredApplication& entry);

// Empty when helpFile, the entry's help file as it will be opened (localised and unquoted), may be
// opened; otherwise what the user is told instead.
CStringW HelpRefusal(const CRegisteredApplication& entry, const CStringW& helpFile);

}  // namespace ostrel
