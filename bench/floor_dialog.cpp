// The floor of the start-up benchmark: the least a Win32 program does to show one dialog.
#include <windows.h>

namespace {
INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
        ::DestroyWindow(dialog);
        ::PostQuitMessage(0);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HWND dialog = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(1), nullptr, Proc, 0);
    if (!dialog) return 1;
    ::ShowWindow(dialog, SW_SHOW);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(dialog, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}
