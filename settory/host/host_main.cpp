// SettoryHost.exe: the out-of-process home of CSettory and CCModelConfig. COM starts it for the first
// client that asks for a local server; every later client reaches the same process, so all of them
// share one set of stores. It loads Settory.dll from its own folder, offers the two class objects,
// and ends a short while after the last object and lock are gone.
#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "base/handles.h"
#include "base/service_host.h"

namespace {

// Long enough that a client between CoGetClassObject and CreateInstance still finds the server,
// short enough that a finished session does not keep a process around.
constexpr UINT kIdleCheckMs = 250;
constexpr UINT kLingerMs = 2000;

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(WINAPI*)();

struct Registered {
    base::ComPtr<IClassFactory> factory;
    DWORD cookie = 0;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    base::ComInit com(COINIT_APARTMENTTHREADED);
    if (!com.Ok()) return 1;

    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecW(path);
    ::PathAppendW(path, L"Settory.dll");
    base::UniqueModule dll(::LoadLibraryW(path));
    if (!dll) return 2;
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(::GetProcAddress(dll.get(), "DllGetClassObject"));
    auto canUnloadNow = reinterpret_cast<CanUnloadNowFn>(::GetProcAddress(dll.get(), "DllCanUnloadNow"));
    if (!getClassObject || !canUnloadNow) return 3;

    const CLSID* classes[] = {&CLSID_CSettory, &CLSID_CCModelConfig};
    Registered registered[ARRAYSIZE(classes)];
    for (size_t i = 0; i < ARRAYSIZE(classes); ++i) {
        if (FAILED(getClassObject(*classes[i], IID_IClassFactory, registered[i].factory.PutVoid())) ||
            FAILED(::CoRegisterClassObject(*classes[i], registered[i].factory.Get(), CLSCTX_LOCAL_SERVER,
                                           REGCLS_MULTIPLEUSE, &registered[i].cookie))) {
            return 4;
        }
    }

    base::UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, base::kServiceHostReadyEvent));
    if (ready) ::SetEvent(ready.get());

    UINT idleMs = 0;
    UINT_PTR timer = ::SetTimer(nullptr, 0, kIdleCheckMs, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == timer) {
            idleMs = canUnloadNow() == S_OK ? idleMs + kIdleCheckMs : 0;
            if (idleMs >= kLingerMs) break;
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::KillTimer(nullptr, timer);
    // Before the class objects go: a client that still saw it set would not start a host of its own.
    if (ready) ::ResetEvent(ready.get());
    for (Registered& r : registered) {
        if (r.cookie) ::CoRevokeClassObject(r.cookie);
        r.factory.Reset();
    }
    return 0;
}
