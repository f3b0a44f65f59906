#pragma once
// Marks for settings that differ from their defaults: whether the person wants them (remembered with
// the window's own state), which pages of the tree hold such a value, and how a mark looks on a page
// and in a tree row. The framework decides what differs; this only asks and draws.
#include <windows.h>

#include <set>

class CRegisteredApplication;
class PluginClass;

namespace ostrel {

// The window keeps the choice beside its last shown entry, as a setting of the same class.
constexpr int kHighlightChangedSetting = 2;
// Without the service, or with nothing stored, the marks are off.
bool ReadHighlightChanged();
void StoreHighlightChanged(bool on);

// Orange reads as "changed" beside the window's blue title and the tree's blue selection.
constexpr COLORREF kChangeMarkColour = RGB(230, 126, 0);

// Draws a bar at the left of the first control of each item of the page whose value differs from its
// default, and clears the bars of the others: a change back to the default must take its bar away,
// and the page repaints only what is invalidated. Nothing is drawn over the controls themselves.
// Returns how many items differ.
int PaintPageMarks(HWND page, PluginClass* plugin);
// Where the bar of a control goes (page coordinates): at its left, or at its right when the control
// starts too near the page's left edge for a bar beside it.
RECT PageMarkRect(const RECT& control, int dpiX);
// The tree's mark of a page that holds such a value: a dot at the row's right end.
void DrawRowMark(HDC dc, const RECT& row, int dpiX, int dpiY);

}  // namespace ostrel

// Which plug-in pages listed in the window hold a value other than their default.
class CChangedPages {
public:
    // Asks the framework about entry when it is a plug-in page whose plug-in has finished starting;
    // true when the entry's mark changed.
    bool Update(CRegisteredApplication* entry);
    bool IsMarked(CRegisteredApplication* entry) const { return m_marked.count(entry) != 0; }
    void Clear() { m_marked.clear(); }

private:
    std::set<CRegisteredApplication*> m_marked;
};
