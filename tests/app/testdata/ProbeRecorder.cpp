// A probe library that tells the test it was loaded: its DllMain sets the event
// "OstrelProbeLoaded-<process id>" if the test created one. A library loaded as a data file never runs
// DllMain, so the event also tells code execution apart from mapping.
#include <windows.h>
#include <stdlib.h>
#include <wchar.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t name[64] = L"OstrelProbeLoaded-";
        _ultow(::GetCurrentProcessId(), name + wcslen(name), 10);
        HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
        if (event) {
            ::SetEvent(event);
            ::CloseHandle(event);
        }
    }
    return TRUE;
}

extern "C" __declspec(dllexport) int __cdecl ProbeSum(int a, int b) { return a + b; }
