#pragma once
// Icons of catalogue entries: an ".ico" file, an icon group of a module by number, or the module's
// first icon group, preferring at the chosen size the deepest image of at most 256 colours.
#include <windows.h>
#include "base/cstringw.h"

namespace ostrel {
// A new icon of size x size pixels, or null. The path may be quoted.
HICON LoadEntryIcon(const CStringW& iconPath, int iconIndex, int size);
}
