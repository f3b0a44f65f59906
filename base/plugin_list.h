#pragma once
// The plug-in list: each value of the "Plugins" key names one plug-in DLL by its path. The settings
// window and the settory command read it alike.
#include <windows.h>

#include <vector>

#include "base/cstringw.h"

namespace base {

// The DLL paths in the order the registry enumerates the values. Names and paths are read into
// 260-character buffers; a value that does not fit ends the list there, the paths before it stay.
std::vector<CStringW> PluginPathsIn(HKEY pluginsKey);

}  // namespace base
