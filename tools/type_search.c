/* Types a search into the settings window of the running program, for the screenshots: the text goes
 * into the search box (control 1050) as if typed, then Enter opens the best result. Run inside the
 * program's Wine desktop: wine explorer /desktop=<name> type_search.exe <text> */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR line, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    HWND window = NULL;
    for (int tries = 0; tries < 100 && !window; ++tries) {
        window = FindWindowW(NULL, L"Ostrel Settings");
        if (!window) Sleep(100);
    }
    HWND box = window ? GetDlgItem(window, 1050) : NULL;
    if (!box) return 1;
    SetForegroundWindow(window);
    SendMessageW(box, WM_SETTEXT, 0, (LPARAM)line);
    PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
    return 0;
}
