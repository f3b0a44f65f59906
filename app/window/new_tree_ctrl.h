#pragma once
// CNewTreeCtrl: the category tree of the settings window. A tree-view control that paints every row
// itself (double-buffered): tall category rows with their icons, entry rows with wrapped labels and
// small icons, rounded highlights; a click selects and opens or closes a category.
#include <windows.h>
#include <commctrl.h>

#include <map>

#include "base/handles.h"
#include "base/window.h"
#include "window/label_wrap.h"

// What the tree asks its owner (the settings window) while it lays out and paints rows.
class ITreeHost {
public:
    // The label to show for an item; FALSE to use the item's own text.
    virtual BOOL GetItemLabel(HTREEITEM item, CStringW* label) = 0;
    // The 32 x 32 icon of a category, or null.
    virtual HICON GetCategoryIcon(const CStringW& categoryName) = 0;
    // The small icon of the catalogue entry with this name, or null.
    virtual HICON GetEntrySmallIcon(const CStringW& entryName) = 0;
    // Whether an entry's row carries the mark of a page whose settings differ from their defaults.
    virtual BOOL IsItemMarked(HTREEITEM item) { (void)item; return FALSE; }

protected:
    ~ITreeHost() = default;
};

namespace ostrel {
// An item's own text (up to 511 characters).
CStringW TreeItemText(HWND tree, HTREEITEM item);
}

class CNewTreeCtrl : public CWnd {
public:
    static constexpr int kCategoryRowHeight = 38;
    static constexpr int kEntryRowHeight = 24;
    static constexpr int kWrappedLineHeight = 18;
    static constexpr int kTextLeft = 57;
    static constexpr UINT_PTR kRepaintTimer = 1;

    CNewTreeCtrl();
    ~CNewTreeCtrl() override;

    // Binds the control (a tree view) and the host; the image list of category icons is the tree's.
    BOOL Attach(HWND tree, ITreeHost* host);
    HIMAGELIST ImageList() const noexcept { return m_hImageList; }

    // The height a row takes, and its wrapped label.
    int RowHeight(HTREEITEM item, ostrel::WrappedLabel* label = nullptr);
    // The row under a point in client coordinates, walking the layout from the first visible row.
    HTREEITEM HitRow(POINT point);
    // The rectangle of an item's row in client coordinates; FALSE when the row is not on screen.
    BOOL RowRect(HTREEITEM item, RECT* rect);
    // Reflected notifications, forwarded by the host from its WM_NOTIFY.
    void OnReflectedNotify(const NMHDR* header);
    // Key-downs before dialog navigation: TRUE swallows the message.
    BOOL PreTranslateKey(MSG* msg);
    // Draws every visible row into dc (client coordinates).
    void PaintRows(HDC dc);

    int DpiX() const noexcept { return m_nDpiX; }
    int DpiY() const noexcept { return m_nDpiY; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    void OnLeftButtonDown(POINT point);
    void RefreshFocus();
    void NotifyReaders(DWORD event, HTREEITEM item);
    int ScaleX(int v) const { return ::MulDiv(v, m_nDpiX, 96); }
    int ScaleY(int v) const { return ::MulDiv(v, m_nDpiY, 96); }
    struct RowFacts {
        CStringW label;
        bool category = false;
        bool expanded = false;
    };
    RowFacts ReadRow(HTREEITEM item);
    // The height of a row at the client width last read into m_rcClient.
    int RowHeightOf(const RowFacts& facts, ostrel::WrappedLabel* label);
    CStringW LabelOf(HTREEITEM item);
    bool IsCategory(HTREEITEM item);
    void DrawRow(HDC dc, HTREEITEM item, const RowFacts& facts, const RECT& row, const ostrel::WrappedLabel& label,
                 bool highlighted);
    int MeasureEntryText(const CStringW& text);
    HICON FallbackIcon(UINT id, int size, base::UniqueIcon* loaded);

    HBITMAP m_hCollapsed = nullptr;
    HBITMAP m_hExpanded = nullptr;
    RECT m_rcClient = {};
    int m_nWrappedLines = 0;
    int m_nPreviousTop = 0;
    int m_nPreviousBottom = 0;
    HFONT m_hEntryFont = nullptr;
    HFONT m_hCategoryFont = nullptr;
    HIMAGELIST m_hImageList = nullptr;
    BOOL m_bHasFocus = FALSE;
    BOOL m_bNeedsRepaint = TRUE;
    int m_nDpiX = 96;
    int m_nDpiY = 96;
    ITreeHost* m_pHost = nullptr;

    // Every paint lays out every visible row, and a layout measures each label: the extents are kept
    // per text, for the font and dpi they were measured with, on a DC kept for measuring.
    base::UniqueDc m_measureDc;
    HFONT m_hMeasuredFont = nullptr;
    int m_nMeasuredDpi = 0;
    std::map<CStringW, int> m_labelExtents;
    base::UniqueDc m_glyphDcs[2];  // collapsed, expanded
    // The paint's back buffer; the DC is declared after its bitmap so that it goes first.
    base::UniqueGdiObject m_backBitmap;
    base::UniqueDc m_backDc;
    SIZE m_backSize = {};
    base::UniqueIcon m_categoryFallback;
    base::UniqueIcon m_entryFallback;
};
