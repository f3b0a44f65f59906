#include "window/new_tree_ctrl.h"

#include <algorithm>

#include "base/resource_module.h"
#include "resource.h"
#include "ui/high_contrast.h"
#include "window/tree_accessible.h"
#include "window/change_marks.h"

namespace {
// The expand-state glyph in high contrast: the bitmaps are black art meant to be AND-ed onto white,
// which vanishes on a dark scheme, so a triangle in the text colour takes their place.
void DrawExpandTriangle(HDC dc, int right, int top, int size, bool expanded, COLORREF colour) {
    POINT points[3];
    if (expanded) {
        points[0] = {right - size, top};
        points[1] = {right, top};
        points[2] = {right - size / 2, top + size / 2};
    } else {
        points[0] = {right - size / 2, top - size / 4};
        points[1] = {right, top + size / 4};
        points[2] = {right - size / 2, top + size * 3 / 4};
    }
    base::UniqueGdiObject brush(::CreateSolidBrush(colour));
    base::UniqueGdiObject pen(::CreatePen(PS_SOLID, 1, colour));
    HGDIOBJ oldBrush = ::SelectObject(dc, brush.get());
    HGDIOBJ oldPen = ::SelectObject(dc, pen.get());
    ::Polygon(dc, points, 3);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
}

HFONT MakeFont(const CStringW& face, int points, int dpiY) {
    LOGFONTW font = {};
    font.lfHeight = ::MulDiv(points, dpiY, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return ::CreateFontIndirectW(&font);
}

HICON LoadResourceIcon(UINT id, int size) {
    return static_cast<HICON>(
        ::LoadImageW(base::CurrentResourceModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// A label's extent is measured once per text; the bound keeps a tree whose labels keep changing small.
constexpr size_t kMostLabelExtents = 4096;

void DrawIconAt(HDC dc, HICON icon, int x, int y, int size) {
    if (icon) ::DrawIconEx(dc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
}
}  // namespace

namespace ostrel {
CStringW TreeItemText(HWND tree, HTREEITEM item) {
    wchar_t text[512] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 512;
    TreeView_GetItem(tree, &tv);
    return text;
}
}  // namespace ostrel

CNewTreeCtrl::CNewTreeCtrl() {
    HINSTANCE resources = base::CurrentResourceModule();
    m_hCollapsed = ::LoadBitmapW(resources, MAKEINTRESOURCEW(IDB_TREE_COLLAPSED));
    m_hExpanded = ::LoadBitmapW(resources, MAKEINTRESOURCEW(IDB_TREE_EXPANDED));
    if (HDC screen = ::GetDC(nullptr)) {
        m_nDpiX = ::GetDeviceCaps(screen, LOGPIXELSX);
        m_nDpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
    }
    if (m_nDpiX <= 0) m_nDpiX = 96;
    if (m_nDpiY <= 0) m_nDpiY = 96;
    CStringW face = base::LoadResString(IDS_UI_FONT_FACE);
    m_hEntryFont = MakeFont(face, 13, m_nDpiY);
    m_hCategoryFont = MakeFont(face, 15, m_nDpiY);
    int icon = ::MulDiv(32, m_nDpiX, 96);
    m_hImageList = ImageList_Create(icon, icon, ILC_COLOR32 | ILC_MASK, 8, 8);
    ostrel::TreeLabelWidth();
}

CNewTreeCtrl::~CNewTreeCtrl() {
    if (m_hWnd) UnsubclassWindow();
    // The measuring DC holds the entry font; it goes first so that the font can be deleted.
    m_measureDc.reset();
    // So do the DCs that hold the glyphs: a selected bitmap cannot be deleted.
    for (base::UniqueDc& dc : m_glyphDcs) dc.reset();
    if (m_hCollapsed) ::DeleteObject(m_hCollapsed);
    if (m_hExpanded) ::DeleteObject(m_hExpanded);
    if (m_hEntryFont) ::DeleteObject(m_hEntryFont);
    if (m_hCategoryFont) ::DeleteObject(m_hCategoryFont);
    if (m_hImageList) ImageList_Destroy(m_hImageList);
}

BOOL CNewTreeCtrl::Attach(HWND tree, ITreeHost* host) {
    m_pHost = host;
    if (!SubclassWindow(tree)) return FALSE;
    TreeView_SetImageList(tree, m_hImageList, TVSIL_NORMAL);
    return TRUE;
}

bool CNewTreeCtrl::IsCategory(HTREEITEM item) { return ReadRow(item).category; }

CStringW CNewTreeCtrl::LabelOf(HTREEITEM item) { return ReadRow(item).label; }

int CNewTreeCtrl::MeasureEntryText(const CStringW& text) {
    if (m_hMeasuredFont != m_hEntryFont || m_nMeasuredDpi != m_nDpiY || m_labelExtents.size() >= kMostLabelExtents) {
        m_labelExtents.clear();
        m_hMeasuredFont = m_hEntryFont;
        m_nMeasuredDpi = m_nDpiY;
        // A memory DC like the screen's measures as the window's own DC does, in the same font.
        if (!m_measureDc) m_measureDc.reset(::CreateCompatibleDC(nullptr));
        if (m_measureDc) ::SelectObject(m_measureDc.get(), m_hEntryFont);
    }
    auto known = m_labelExtents.find(text);
    if (known != m_labelExtents.end()) return known->second;
    SIZE size = {};
    if (!m_measureDc) {
        HDC dc = ::GetDC(m_hWnd);
        HGDIOBJ old = ::SelectObject(dc, m_hEntryFont);
        ::GetTextExtentPoint32W(dc, text, text.GetLength(), &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(m_hWnd, dc);
        return size.cx;
    }
    ::GetTextExtentPoint32W(m_measureDc.get(), text, text.GetLength(), &size);
    m_labelExtents.emplace(text, size.cx);
    return size.cx;
}

// The program's own icon stands in for a row without one; it is loaded on first need and kept.
HICON CNewTreeCtrl::FallbackIcon(UINT id, int size, base::UniqueIcon* loaded) {
    if (!*loaded) loaded->reset(LoadResourceIcon(id, size));
    return loaded->get();
}

// A paint asks these of every visible row; one message answers all three, where asking each on its
// own took four or five round trips through the control a row.
CNewTreeCtrl::RowFacts CNewTreeCtrl::ReadRow(HTREEITEM item) {
    RowFacts facts;
    wchar_t text[512] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_STATE | TVIF_HANDLE;
    tv.stateMask = TVIS_EXPANDED;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = ARRAYSIZE(text);
    BOOL known = TreeView_GetItem(m_hWnd, &tv);
    if (!m_pHost || !m_pHost->GetItemLabel(item, &facts.label)) facts.label = text;
    facts.category = (known && tv.cChildren != 0) || TreeView_GetChild(m_hWnd, item);
    facts.expanded = known && (tv.state & TVIS_EXPANDED) != 0;
    return facts;
}

int CNewTreeCtrl::RowHeightOf(const RowFacts& facts, ostrel::WrappedLabel* label) {
    ostrel::WrappedLabel wrapped = ostrel::WrapLabel(facts.label, m_rcClient.right - ScaleX(kTextLeft),
                                             [this](const CStringW& t) { return MeasureEntryText(t); });
    m_nWrappedLines = wrapped.lineCount;
    int height = facts.category ? kCategoryRowHeight
                                : kEntryRowHeight + (wrapped.changed ? kWrappedLineHeight * wrapped.lineCount : 0);
    if (label) *label = wrapped;
    return ScaleY(height);
}

int CNewTreeCtrl::RowHeight(HTREEITEM item, ostrel::WrappedLabel* label) {
    ::GetClientRect(m_hWnd, &m_rcClient);
    return RowHeightOf(ReadRow(item), label);
}

BOOL CNewTreeCtrl::RowRect(HTREEITEM target, RECT* rect) {
    ::GetClientRect(m_hWnd, &m_rcClient);
    int top = 0;
    for (HTREEITEM item = TreeView_GetFirstVisible(m_hWnd); item && top < m_rcClient.bottom;
         item = TreeView_GetNextVisible(m_hWnd, item)) {
        int bottom = top + RowHeight(item);
        if (item == target) {
            *rect = {0, top, m_rcClient.right, bottom};
            return TRUE;
        }
        top = bottom;
    }
    return FALSE;
}

HTREEITEM CNewTreeCtrl::HitRow(POINT point) {
    int top = 0;
    for (HTREEITEM item = TreeView_GetFirstVisible(m_hWnd); item; item = TreeView_GetNextVisible(m_hWnd, item)) {
        int bottom = top + RowHeight(item);
        if (point.y >= top && point.y < bottom) return item;
        top = bottom;
    }
    return nullptr;
}

void CNewTreeCtrl::RefreshFocus() { m_bHasFocus = ::GetFocus() == m_hWnd; }

void CNewTreeCtrl::DrawRow(HDC dc, HTREEITEM item, const RowFacts& facts, const RECT& row,
                           const ostrel::WrappedLabel& label, bool highlighted) {
    bool category = facts.category;
    ostrel::Palette palette = ostrel::CurrentPalette();
    if (highlighted) {
        int bottom = row.bottom;
        HTREEITEM next = TreeView_GetNextSibling(m_hWnd, item);
        if (!category && next && IsCategory(next)) ++bottom;
        HRGN outer = ::CreateRoundRectRgn(1, row.top, row.right, bottom, 5, 5);
        HBRUSH fill = ::CreateSolidBrush(m_bHasFocus ? palette.selection : palette.selectionIdle);
        ::FillRgn(dc, outer, fill);
        HRGN inner = ::CreateRoundRectRgn(2, row.top + 1, row.right - 1, bottom - 1, 4, 4);
        HBRUSH frame = ::CreateSolidBrush(palette.selectionFrame);
        ::FrameRgn(dc, inner, frame, 1, 1);
        ::DeleteObject(frame);
        ::DeleteObject(inner);
        ::DeleteObject(fill);
        ::DeleteObject(outer);
    }

    RECT text = row;
    text.left = ScaleX(kTextLeft);
    text.top += ScaleY(category ? 9 : 3);
    HGDIOBJ oldFont = ::SelectObject(dc, category ? m_hCategoryFont : m_hEntryFont);
    COLORREF textColour = !highlighted ? palette.text : m_bHasFocus ? palette.selectionText : palette.selectionIdleText;
    ::SetTextColor(dc, textColour);
    ::DrawTextW(dc, label.text, label.text.GetLength(), &text, DT_LEFT | DT_TOP);
    ::SelectObject(dc, oldFont);

    if (category) {
        bool expanded = facts.expanded;
        HBITMAP glyph = expanded ? m_hExpanded : m_hCollapsed;
        BITMAP bm = {};
        if (ostrel::HighContrastOn()) {
            DrawExpandTriangle(dc, ScaleX(13), row.top + ScaleY(13), ScaleX(8), expanded, textColour);
        } else if (glyph && ::GetObjectW(glyph, sizeof(bm), &bm)) {
            // A DC made and a glyph selected into it for each row cost more than the rest of the
            // row under Wine; each glyph stays selected in a DC of its own.
            base::UniqueDc& source = m_glyphDcs[expanded ? 1 : 0];
            if (!source) {
                source.reset(::CreateCompatibleDC(dc));
                if (source) ::SelectObject(source.get(), glyph);
            }
            if (source) {
                ::BitBlt(dc, ScaleX(13) - bm.bmWidth, row.top + ScaleY(13), bm.bmWidth, bm.bmHeight, source.get(), 0,
                         0, SRCAND);
            }
        }
        HICON icon = m_pHost ? m_pHost->GetCategoryIcon(facts.label) : nullptr;
        if (!icon) icon = FallbackIcon(IDI_CATEGORY_DEFAULT, ScaleX(32), &m_categoryFallback);
        DrawIconAt(dc, icon, ScaleX(18), row.top + ScaleY(2), ScaleX(32));
    } else {
        HICON icon = m_pHost ? m_pHost->GetEntrySmallIcon(facts.label) : nullptr;
        if (!icon) icon = FallbackIcon(IDI_ENTRY_DEFAULT, ScaleX(16), &m_entryFallback);
        DrawIconAt(dc, icon, ScaleX(38), row.top + ScaleY(4), ScaleX(16));
        if (m_pHost && m_pHost->IsItemMarked(item)) ostrel::DrawRowMark(dc, row, m_nDpiX, m_nDpiY);
    }
}

void CNewTreeCtrl::PaintRows(HDC dc) {
    RefreshFocus();
    ::GetClientRect(m_hWnd, &m_rcClient);
    COLORREF background = TreeView_GetBkColor(m_hWnd);
    if (background == static_cast<COLORREF>(-1) || ostrel::HighContrastOn()) background = ostrel::CurrentPalette().background;
    HBRUSH brush = ::CreateSolidBrush(background);
    ::FillRect(dc, &m_rcClient, brush);
    ::DeleteObject(brush);
    ::SetBkMode(dc, TRANSPARENT);

    bool showAlways = (::GetWindowLongW(m_hWnd, GWL_STYLE) & TVS_SHOWSELALWAYS) != 0;
    HTREEITEM selected = TreeView_GetSelection(m_hWnd);
    m_nPreviousTop = 0;
    m_nPreviousBottom = 0;
    for (HTREEITEM item = TreeView_GetFirstVisible(m_hWnd); item && m_nPreviousBottom < m_rcClient.bottom;
         item = TreeView_GetNextVisible(m_hWnd, item)) {
        ostrel::WrappedLabel label;
        RowFacts facts = ReadRow(item);
        int height = RowHeightOf(facts, &label);
        m_nPreviousTop = m_nPreviousBottom;
        m_nPreviousBottom = m_nPreviousTop + height;
        RECT row = {0, m_nPreviousTop, m_rcClient.right, m_nPreviousBottom};
        DrawRow(dc, item, facts, row, label, item == selected && (m_bHasFocus || showAlways));
        // The highlight alone does not tell where the keyboard is in high contrast or for a reader
        // of the screen's focus; the dotted rectangle does, in every scheme.
        if (item == selected && m_bHasFocus) {
            RECT focus = {ScaleX(3), row.top + 2, row.right - 2, row.bottom - 2};
            ::SetTextColor(dc, RGB(0, 0, 0));
            ::SetBkColor(dc, RGB(255, 255, 255));
            ::DrawFocusRect(dc, &focus);
        }
    }
}

void CNewTreeCtrl::OnPaint() {
    PAINTSTRUCT ps;
    HDC screen = ::BeginPaint(m_hWnd, &ps);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    // The buffer is kept from paint to paint (every selection repaints the whole tree); it is made
    // again only when the tree's size changes.
    if (!m_backDc || m_backSize.cx != client.right || m_backSize.cy != client.bottom) {
        m_backDc.reset();
        m_backBitmap.reset(::CreateCompatibleBitmap(screen, client.right, client.bottom));
        if (m_backBitmap) m_backDc.reset(::CreateCompatibleDC(screen));
        if (m_backDc) ::SelectObject(m_backDc.get(), m_backBitmap.get());
        m_backSize = {client.right, client.bottom};
    }
    if (HDC memory = m_backDc.get()) {
        HGDIOBJ oldFont = ::SelectObject(memory, reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
        PaintRows(memory);
        ::BitBlt(screen, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        ::SelectObject(memory, oldFont);
    }
    ::EndPaint(m_hWnd, &ps);
    m_bNeedsRepaint = FALSE;
}

void CNewTreeCtrl::OnLeftButtonDown(POINT point) {
    SetFocus();
    RefreshFocus();
    HTREEITEM hit = HitRow(point);
    if (hit) {
        TreeView_SelectItem(m_hWnd, hit);
        if (IsCategory(hit)) {
            // Toggles on the expanded bit itself rather than on one exact combination of state bits.
            bool expanded = (TreeView_GetItemState(m_hWnd, hit, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
            TreeView_Expand(m_hWnd, hit, expanded ? TVE_COLLAPSE : TVE_EXPAND);
        }
    }
    int tallest = 0;
    int bottom = 0;
    for (HTREEITEM item = TreeView_GetFirstVisible(m_hWnd); item; item = TreeView_GetNextVisible(m_hWnd, item)) {
        int height = RowHeight(item);
        tallest = std::max(tallest, height);
        bottom += height;
    }
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    int uniform = client.bottom > bottom ? ScaleY(kCategoryRowHeight) : tallest;
    if (uniform > 0) TreeView_SetItemHeight(m_hWnd, uniform);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNewTreeCtrl::OnReflectedNotify(const NMHDR* header) {
    if (!header || header->hwndFrom != m_hWnd) return;
    switch (header->code) {
    case TVN_ITEMEXPANDEDW:
    case TVN_ITEMEXPANDEDA:
        SetTimer(kRepaintTimer, 50);
        NotifyReaders(EVENT_OBJECT_STATECHANGE, reinterpret_cast<const NMTREEVIEWW*>(header)->itemNew.hItem);
        break;
    case TVN_SELCHANGEDW:
    case TVN_SELCHANGEDA: {
        // The control invalidates rows at its own uniform height, not at the heights painted here:
        // a selection moved by the keyboard would leave the old highlight behind.
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        HTREEITEM item = reinterpret_cast<const NMTREEVIEWW*>(header)->itemNew.hItem;
        NotifyReaders(EVENT_OBJECT_SELECTION, item);
        if (::GetFocus() == m_hWnd) NotifyReaders(EVENT_OBJECT_FOCUS, item);
        break;
    }
    case NM_KILLFOCUS:
        m_bHasFocus = FALSE;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    default:
        break;
    }
}

void CNewTreeCtrl::NotifyReaders(DWORD event, HTREEITEM item) {
    // The rows are named by this tree's own child ids, not by the control's, so the events that
    // point a screen reader at a row must come from here.
    if (long id = ostrel::TreeChildId(m_hWnd, item)) ::NotifyWinEvent(event, m_hWnd, OBJID_CLIENT, id);
}

BOOL CNewTreeCtrl::PreTranslateKey(MSG* msg) {
    if (msg->hwnd != m_hWnd || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    RefreshFocus();
    switch (msg->wParam) {
    case VK_RETURN:
    case VK_MENU:
        return TRUE;
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
        if (m_bNeedsRepaint) ::InvalidateRect(m_hWnd, nullptr, TRUE);
        return FALSE;
    default:
        return FALSE;
    }
}

LRESULT CNewTreeCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // every pixel is painted from the memory bitmap
    case WM_GETOBJECT:
        if (LRESULT object = ostrel::AnswerGetObject(wParam, lParam, [this] { return new ostrel::TreeAccessible(m_hWnd); })) {
            return object;
        }
        break;
    case ostrel::TreeAccessible::kLabelMessage:
        *reinterpret_cast<CStringW*>(lParam) = LabelOf(reinterpret_cast<HTREEITEM>(wParam));
        return TRUE;
    case ostrel::TreeAccessible::kRowRectMessage:
        return RowRect(reinterpret_cast<HTREEITEM>(wParam), reinterpret_cast<RECT*>(lParam));
    case ostrel::TreeAccessible::kHitRowMessage:
        return reinterpret_cast<LRESULT>(HitRow(*reinterpret_cast<const POINT*>(lParam)));
    case WM_SETFOCUS:
        m_bHasFocus = TRUE;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        NotifyReaders(EVENT_OBJECT_FOCUS, TreeView_GetSelection(m_hWnd));
        break;
    case WM_LBUTTONDOWN:
        OnLeftButtonDown({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return 0;
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    case WM_TIMER:
        if (wParam == kRepaintTimer) {
            KillTimer(kRepaintTimer);
            ::InvalidateRect(m_hWnd, nullptr, TRUE);
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
            return 0;
        }
        break;
    case WM_SETREDRAW:
        if (wParam) {
            // Expansions while the owner refilled the tree with redrawing off armed the repaint;
            // one repaint of everything now does for them.
            KillTimer(kRepaintTimer);
            LRESULT result = Default();
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
            return result;
        }
        break;
    }
    return Default();
}
