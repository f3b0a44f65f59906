#pragma once
// The registry keys of the three classes, their ProgIDs and the AppID, under HKEY_CLASSES_ROOT.
#include <windows.h>

namespace settory {

// modulePath: the DLL; hostPath: the out-of-process host named as LocalServer32 of the classes
// that clients create as local servers.
HRESULT RegisterClasses(const wchar_t* modulePath, const wchar_t* hostPath);
HRESULT UnregisterClasses();

}  // namespace settory
