#pragma once
// Geometry of the settings window, computed from design values at 96 dpi. Pure functions, so the
// numbers can be checked for any dpi, language and screen without a window.
#include <windows.h>
#include <vector>

#include "ui/screen_dpi.h"

namespace ostrel {

struct LayoutMetrics {
    int dpiX = 96;
    int dpiY = 96;
    int treeWidth = 232;     // design units
    int designWidth = 766;   // design units, the window's width without its borders
    bool compact = false;    // short screen: the page gets a scroll bar

    int ScaleX(int v) const { return ::MulDiv(v, dpiX, 96); }
    int ScaleY(int v) const { return ::MulDiv(v, dpiY, 96); }
};

// language: the user's first preferred UI language; screenHeight in pixels.
LayoutMetrics ComputeLayoutMetrics(int dpiX, int dpiY, const wchar_t* language, int screenHeight);
// The user's first preferred UI language, or an empty string.
void FirstPreferredUILanguage(wchar_t* buffer, size_t chars);

// Client-coordinate rectangles of the window's controls.
struct ControlRects {
    RECT help;         // kept; the button is placed there when an entry has help
    RECT search;       // the search box, above the tree
    RECT tree;         // below the search box
    RECT noResults;    // where the tree was, when a search finds nothing
    RECT panel;
    RECT title;
    RECT description;
    RECT page;         // the page frame and the scroll view
    RECT fullPage;     // the page before the compact layout shortens it
    RECT scrollBar;    // compact layout only
};
ControlRects ComputeControlRects(const LayoutMetrics& m, const RECT& client);

// What the window frame adds around the client area, and where the window may go.
struct FrameMetrics {
    int borderWidth = 0;
    int borderHeight = 0;
    int titleBarHeight = 0;
    RECT workArea = {};
    int virtualWidth = 0;   // SM_CXVIRTUALSCREEN
    int virtualHeight = 0;  // SM_CYVIRTUALSCREEN
    int screenHeight = 0;   // SM_CYSCREEN
};

// Where and how large the window opens. With a usable saved position (design units) the rectangle
// is returned with *centre false; otherwise only its size counts and *centre is true.
RECT ComputeWindowRect(const LayoutMetrics& m, const FrameMetrics& f, bool haveSaved, int savedX, int savedY,
                       bool* centre);
// The stored form of a window position: 96-dpi units.
POINT ToDesignUnits(const LayoutMetrics& m, POINT screen);

// How far the page moves down (negative: up) for a description of this measured width: the page
// is laid out for three lines of description.
int DescriptionShift(int textWidth, int frameWidth, int textHeight);

// Buttons are placed right to left in table order; invisible ones take no room.
struct ButtonSlot {
    bool visible = false;
    int width = 0;  // scaled
    RECT rect = {};
};
void PlaceButtons(const LayoutMetrics& m, const RECT& client, std::vector<ButtonSlot>& buttons);

// The page scroll bar's new position for a scroll code, before the control clamps it.
int NextScrollPosition(int code, int position, int trackPosition, int minimum, int maximum, int fullPageHeight);

}  // namespace ostrel
