#pragma once
// Where an availability probe named by an application-registration file may be loaded from.
//
// Registration files lie in the product data folder, which every user may write to; a probe they
// name runs inside this program, perhaps the program of an administrator. So such a probe is loaded
// only from a folder that standard users cannot write to: this program's own installation folder,
// the Program Files folders or the Windows folder (less the few subfolders of it that standard users
// may create files in). The path must already be fully resolved (no environment or registry
// references left), absolute, and free of "." and ".." steps, wildcards and stream names; it is
// compared without regard to letter case. Probes named in HKEY_LOCAL_MACHINE ("AppCheckFunc") are
// not judged here: only administrators can write there.
#include <vector>

#include "base/cstringw.h"

namespace ostrel {

// The folders probes may come from, each ending in "\".
std::vector<CStringW> TrustedProbeFolders();

// TRUE when path names a file inside one of the trusted folders by the rules above.
BOOL IsTrustedProbeLocation(const CStringW& path);

// Loads the module if IsTrustedProbeLocation allows it and calls function as int __cdecl f(int, int);
// 0 when the location is refused, the module or the function is missing, or the function says 0.
int RunLocatedProbe(const CStringW& module, const CStringW& function, int argument1, int argument2);

}  // namespace ostrel
