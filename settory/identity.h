#pragma once
// Who and what the stores serve. The machine id comes from the model configuration and the caller's
// user token from the session layer; until those exist the store runs with machine 0 and the process's
// own identity, which is also their answer when their sources are unavailable.
#include <windows.h>

namespace settory {

inline long CurrentMachineId() noexcept { return 0; }

// A user token for this call, or null for "the process's own user". The caller closes it.
inline HANDLE CallerUserToken() noexcept { return nullptr; }

}  // namespace settory
