#pragma once
// The Start-menu shortcuts the installer asks for with /Install and /UnInstall, in the all-users
// Start-menu programs folder, named after a string of the resource module.
#include <windows.h>
#include "base/cstringw.h"

void CreateStartMenuLink(UINT stringId, const wchar_t* arguments, int iconIndex);
void DeleteStartMenuLink(UINT stringId);

namespace ostrel {
// "<all-users programs folder>\<string>.lnk", or empty when the folder is unknown.
CStringW StartMenuLinkPath(UINT stringId);
}
