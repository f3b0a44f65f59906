#pragma once
// The names of the settings pages, by class id, as the settings window lists them: every plug-in
// named under HKLM "SOFTWARE\Quor Corporation\Ostrel\Plugins" is loaded and asked for its pages.
#include <map>
#include <string>

namespace settorycli {

// Class id -> page name; a class no registered plug-in shows is absent. The plug-ins stay loaded
// until the process ends, as the framework expects of a host.
std::map<std::wstring, std::wstring> CataloguePageNames();

}  // namespace settorycli
