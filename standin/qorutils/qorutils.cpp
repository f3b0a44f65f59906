// The stand-in utility library. Only QuGetMachineIDEx and the reference count do real work; the other
// exports answer "not supported" so that a caller binding them gets a defined result.
#include <windows.h>

#define QU_EXPORT extern "C" __declspec(dllexport)

namespace {

LONG g_references = 0;
LONG g_detaches = 0;

}  // namespace

QU_EXPORT BOOL WINAPI QuInitialize() { return TRUE; }
QU_EXPORT DWORD WINAPI QuGetLastErrorCode() { return 0; }

// Non-zero with *machineId set when the machine id is configured; zero otherwise.
QU_EXPORT BOOL WINAPI QuGetMachineIDEx(int* machineId) {
    if (!machineId) return FALSE;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Quor Corporation\\Shared Info\\QorUtils", L"MachineID",
                       RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return FALSE;
    }
    *machineId = static_cast<int>(value);
    return TRUE;
}

QU_EXPORT BOOL WINAPI QuIsSupportedFunction(DWORD) { return FALSE; }
QU_EXPORT DWORD WINAPI QuCallDriver(DWORD, void*, DWORD, void*, DWORD) { return ERROR_NOT_SUPPORTED; }
QU_EXPORT DWORD WINAPI QuCallPowerSaving(DWORD, void*) { return ERROR_NOT_SUPPORTED; }
QU_EXPORT BOOL WINAPI QuRegWnd(HWND) { return FALSE; }
QU_EXPORT BOOL WINAPI QuUnRegWnd(HWND) { return FALSE; }
QU_EXPORT DWORD WINAPI QuCallVideo(DWORD, void*) { return ERROR_NOT_SUPPORTED; }
QU_EXPORT DWORD WINAPI QuGetPNDXFunctionChn(DWORD, DWORD*) { return ERROR_NOT_SUPPORTED; }
QU_EXPORT BOOL WINAPI QuEnablePNDXEvents(BOOL) { return FALSE; }
QU_EXPORT LONG WINAPI AddRef() { return ::InterlockedIncrement(&g_references); }
QU_EXPORT LONG WINAPI RemoveRef() { return ::InterlockedDecrement(&g_references); }
#ifndef QORUTILS_WITHOUT_DETACH
QU_EXPORT void WINAPI QuDetach() { ::InterlockedIncrement(&g_detaches); }
#endif

// For tests: the reference count and how often QuDetach was called since the library was loaded.
QU_EXPORT LONG WINAPI QuReferenceCount() { return g_references; }
QU_EXPORT LONG WINAPI QuDetachCount() { return g_detaches; }
