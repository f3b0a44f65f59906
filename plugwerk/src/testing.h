#pragma once
// Hooks for the framework's own tests: stand-ins for the settings service, the screen resolution
// and the administrator check. Not part of the plug-in headers.
#include "Settory_h.h"
#include "plugwerk/export.h"

namespace plugwerk_testing {
// The holder then holds this ISettory (null: a holder without one). The caller keeps it alive.
PLUGWERK_API void UseSettory(ISettory* settory);
// GetSettingServices then gives no holder at all.
PLUGWERK_API void UseNoServices();
// Back to the real service, created on next use.
PLUGWERK_API void UseRealServices();
// Releases the real service's interfaces now, so that its process can end with the test. (Under Wine
// the service process never learns that a client process has ended.)
PLUGWERK_API void ReleaseRealServices();
// 0, 0: the screen's own resolution.
PLUGWERK_API void SetScreenDpi(int x, int y);
// -1: the process token decides; 0 or 1: as given.
PLUGWERK_API void SetAdministrator(int administrator);
}  // namespace plugwerk_testing

namespace plugwerk_testing {
// Items listed with the process's change listener, and whether its thread runs.
PLUGWERK_API size_t ListeningItemCount();
PLUGWERK_API bool ListenerRunning();
// Stops the listening thread as the host's final close does (500 ms, then terminated).
PLUGWERK_API void StopListener();
}  // namespace plugwerk_testing
