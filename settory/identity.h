#pragma once
// Who and what the stores serve: the machine id from the utility library (0 when it is unavailable)
// and the user token for the call (null for "the process's own user").
#include <windows.h>

namespace settory {

long CurrentMachineId() noexcept;

// A user token for this call, or null for "the process's own user". The caller closes it.
HANDLE CallerUserToken() noexcept;

}  // namespace settory
