// Entry point of the Control Panel module. The module is loaded by the shell for its resources;
// the window class it registers is never used to create a window.
#include <windows.h>

namespace {

HINSTANCE g_module = nullptr;

// Answers every message itself: nothing reaches the default procedure.
LRESULT CALLBACK PanelWndProc(HWND, UINT, WPARAM, LPARAM) {
    return 1;
}

void RegisterPanelClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PanelWndProc;
    wc.hInstance = g_module;
    wc.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"MyClass";
    // From the second call on the class exists already and the registration fails; that is the
    // expected outcome, not an error.
    ::RegisterClassExW(&wc);
}

}  // namespace

// Runs on every attach and detach, process and thread alike, after the C runtime's start-up.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID) {
    g_module = module;
    RegisterPanelClass();
    return TRUE;
}
