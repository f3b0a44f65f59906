#include "window/new_tree_ctrl.h"

#include <algorithm>

#include "base/resource_module.h"
#include "resource.h"
#include "window/change_marks.h"

namespace {
constexpr COLORREF kHighlightFocused = RGB(185, 218, 252);
constexpr COLORREF kHighlightUnfocused = RGB(191, 189, 185);
constexpr COLORREF kHighlightFrame = RGB(231, 242, 254);

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

bool CNewTreeCtrl::IsCategory(HTREEITEM item) const {
    if (TreeView_GetChild(m_hWnd, item)) return true;
    TVITEMW tv = {};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    return TreeView_GetItem(m_hWnd, &tv) && tv.cChildren != 0;
}

CStringW CNewTreeCtrl::LabelOf(HTREEITEM item) {
    CStringW label;
    if (m_pHost && m_pHost->GetItemLabel(item, &label)) return label;
    return ostrel::TreeItemText(m_hWnd, item);
}

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

int CNewTreeCtrl::RowHeight(HTREEITEM item, ostrel::WrappedLabel* label) {
    ::GetClientRect(m_hWnd, &m_rcClient);
    ostrel::WrappedLabel wrapped = ostrel::WrapLabel(LabelOf(item), m_rcClient.right - ScaleX(kTextLeft),
                                             [this](const CStringW& t) { return MeasureEntryText(t); });
    m_nWrappedLines = wrapped.lineCount;
    int height = IsCategory(item) ? kCategoryRowHeight
                                  : kEntryRowHeight + (wrapped.changed ? kWrappedLineHeight * wrapped.lineCount : 0);
    if (label) *label = wrapped;
    return ScaleY(height);
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

void CNewTreeCtrl::DrawRow(HDC dc, HTREEITEM item, const RECT& row, const ostrel::WrappedLabel& label, bool highlighted) {
    bool category = IsCategory(item);
    if (highlighted) {
        int bottom = row.bottom;
        HTREEITEM next = TreeView_GetNextSibling(m_hWnd, item);
        if (!category && next && IsCategory(next)) ++bottom;
        HRGN outer = ::CreateRoundRectRgn(1, row.top, row.right, bottom, 5, 5);
        HBRUSH fill = ::CreateSolidBrush(m_bHasFocus ? kHighlightFocused : kHighlightUnfocused);
        ::FillRgn(dc, outer, fill);
        HRGN inner = ::CreateRoundRectRgn(2, row.top + 1, row.right - 1, bottom - 1, 4, 4);
        HBRUSH frame = ::CreateSolidBrush(kHighlightFrame);
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
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::DrawTextW(dc, label.text, label.text.GetLength(), &text, DT_LEFT | DT_TOP);
    ::SelectObject(dc, oldFont);

    if (category) {
        bool expanded = (TreeView_GetItemState(m_hWnd, item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
        HBITMAP glyph = expanded ? m_hExpanded : m_hCollapsed;
        BITMAP bm = {};
        if (glyph && ::GetObjectW(glyph, sizeof(bm), &bm)) {
            HDC source = ::CreateCompatibleDC(dc);
            HGDIOBJ old = ::SelectObject(source, glyph);
            ::BitBlt(dc, ScaleX(13) - bm.bmWidth, row.top + ScaleY(13), bm.bmWidth, bm.bmHeight, source, 0, 0, SRCAND);
            ::SelectObject(source, old);
            ::DeleteDC(source);
        }
        HICON icon = m_pHost ? m_pHost->GetCategoryIcon(LabelOf(item)) : nullptr;
        if (!icon) icon = FallbackIcon(IDI_CATEGORY_DEFAULT, ScaleX(32), &m_categoryFallback);
        DrawIconAt(dc, icon, ScaleX(18), row.top + ScaleY(2), ScaleX(32));
    } else {
        HICON icon = m_pHost ? m_pHost->GetEntrySmallIcon(LabelOf(item)) : nullptr;
        if (!icon) icon = FallbackIcon(IDI_ENTRY_DEFAULT, ScaleX(16), &m_entryFallback);
        DrawIconAt(dc, icon, ScaleX(38), row.top + ScaleY(4), ScaleX(16));
        if (m_pHost && m_pHost->IsItemMarked(item)) ostrel::DrawRowMark(dc, row, m_nDpiX, m_nDpiY);
    }
}

void CNewTreeCtrl::PaintRows(HDC dc) {
    RefreshFocus();
    ::GetClientRect(m_hWnd, &m_rcClient);
    COLORREF background = TreeView_GetBkColor(m_hWnd);
    if (background == static_cast<COLORREF>(-1)) background = ::GetSysColor(COLOR_WINDOW);
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
        int height = RowHeight(item, &label);
        m_nPreviousTop = m_nPreviousBottom;
        m_nPreviousBottom = m_nPreviousTop + height;
        RECT row = {0, m_nPreviousTop, m_rcClient.right, m_nPreviousBottom};
        DrawRow(dc, item, row, label, item == selected && (m_bHasFocus || showAlways));
    }
}

void CNewTreeCtrl::OnPaint() {
    PAINTSTRUCT ps;
    HDC screen = ::BeginPaint(m_hWnd, &ps);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ oldBitmap = ::SelectObject(memory, bitmap);
    HGDIOBJ oldFont = ::SelectObject(memory, reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
    PaintRows(memory);
    ::BitBlt(screen, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, oldFont);
    ::SelectObject(memory, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
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
        break;
    case NM_KILLFOCUS:
        m_bHasFocus = FALSE;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    default:
        break;
    }
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
