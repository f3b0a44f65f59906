#pragma once
// The colours the product's own drawing uses. In the system's high-contrast mode every surface the
// program paints itself (the tree, the title, the help button, the page backgrounds) takes the
// system's colours instead of the designed ones, so the user's chosen scheme stays legible.
#include <windows.h>

namespace ostrel {

// Whether high contrast is on; read once per process and again after each RefreshHighContrast.
bool HighContrastOn();
// Reads the state again: the top-level windows call it on WM_SETTINGCHANGE and WM_SYSCOLORCHANGE.
void RefreshHighContrast();

struct Palette {
    COLORREF background;      // pages, tree and title area
    COLORREF text;            // labels and tree rows
    COLORREF title;           // the entry's name above the page
    COLORREF selection;       // the selected tree row while the tree has the focus
    COLORREF selectionText;
    COLORREF selectionIdle;   // the selected row while the focus is elsewhere
    COLORREF selectionIdleText;
    COLORREF selectionFrame;  // the inner outline of the selected row
};
Palette CurrentPalette();

// The brush of a surface designed white: the designed brush, or the system's window brush (owned by
// the system) in high contrast.
HBRUSH PageBrush(HBRUSH designed);
// For WM_CTLCOLOR* on such a surface: sets the dc's background (and in high contrast its text)
// colour and gives PageBrush.
HBRUSH PageCtlColor(HDC dc, HBRUSH designed);

// A top-level window's answer to WM_SYSCOLORCHANGE and WM_SETTINGCHANGE: reads the mode again, hands
// the message to every child (common controls pick up new system colours only when told) and
// repaints the whole window.
void OnSystemColoursChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ostrel
