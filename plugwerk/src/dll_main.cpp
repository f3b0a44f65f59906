#include <windows.h>

#include "change_listener.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
    // Unloaded by FreeLibrary: the listening thread runs this library's code and must end first. At
    // process exit (reserved not null) the thread is gone already and the system reclaims the rest.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) plugwerk::ReleaseChangeListener();
    return TRUE;
}
