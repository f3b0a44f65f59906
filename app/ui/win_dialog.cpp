#include "ui/win_dialog.h"

void CWinDialog::CloseDialog() {
    if (IsWindow()) DestroyWindow();
}

LRESULT CWinDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        CloseDialog();
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
