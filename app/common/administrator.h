#pragma once
#include <windows.h>

// FALSE when the check cannot be made; else TRUE, with *answer telling whether the process token
// holds the Administrators group enabled.
BOOL IsAdministrator(BOOL* answer);

namespace ostrel {
// The same check on any token opened for TOKEN_QUERY.
BOOL TokenHasEnabledAdministrators(HANDLE token, BOOL* answer);

// The check the catalogue's visibility rules use; tests replace it to play a standard user.
using AdministratorCheck = BOOL (*)(BOOL* answer);
BOOL CheckAdministrator(BOOL* answer);
// Returns the previous check; null restores IsAdministrator.
AdministratorCheck SetAdministratorCheck(AdministratorCheck check);
}  // namespace ostrel
