#include "window/main_layout.h"

#include "window/label_wrap.h"

namespace ostrel {

LayoutMetrics ComputeLayoutMetrics(int dpiX, int dpiY, const wchar_t* language, int screenHeight) {
    LayoutMetrics m;
    m.dpiX = dpiX > 0 ? dpiX : 96;
    m.dpiY = dpiY > 0 ? dpiY : 96;
    // The languages whose category names need the wider tree also widen the window by as much.
    m.treeWidth = TreeLabelWidthForLanguage(language);
    m.designWidth = m.treeWidth > 232 ? 796 : 766;
    m.compact = screenHeight > 0 && ::MulDiv(screenHeight, 96, m.dpiY) < 600;
    return m;
}

void FirstPreferredUILanguage(wchar_t* buffer, size_t chars) {
    if (!chars) return;
    buffer[0] = 0;
    ULONG count = 0;
    ULONG size = static_cast<ULONG>(chars);
    if (!::GetThreadPreferredUILanguages(MUI_LANGUAGE_NAME, &count, buffer, &size)) buffer[0] = 0;
    buffer[chars - 1] = 0;
}

ControlRects ComputeControlRects(const LayoutMetrics& m, const RECT& c) {
    auto sx = [&](int v) { return m.ScaleX(v); };
    auto sy = [&](int v) { return m.ScaleY(v); };
    const int tw = sx(m.treeWidth);
    ControlRects r = {};

    r.help = {c.right - sx(24) - sx(16), c.top + sy(24), c.right - sx(24), c.top + sy(24) + sy(16)};
    // The tree gives the search box its room at the top and keeps its bottom.
    r.search = {sx(8), sy(8), tw - sx(8), sy(8) + sy(24)};
    r.tree = {-1, r.search.bottom + sy(6), -1 + tw + 1, -1 + c.bottom + sy(1) + 1};
    r.noResults = {sx(16), r.tree.top + sy(12), tw - sx(16), r.tree.top + sy(12) + sy(60)};

    int x = sx(m.treeWidth - 1);
    r.panel = {x, -1, x + (c.right + sx(1) - x), -1 + c.bottom - sy(44) + 1};

    x = sx(m.treeWidth + 24);
    r.title = {x, sy(24), x + (c.right - sx(24) - x), sy(24) + sy(50) - sy(24)};

    x = tw + sx(24);
    int y = sy(50) + sy(24);
    r.description = {x, y, x + (c.right - sx(20) - x), y + sy(54)};

    y = r.description.bottom + sy(24);
    r.page = {x, y, x + (c.right - sx(24) - x), y + (sy(474) - y)};
    r.fullPage = r.page;
    if (m.compact) {
        r.page.bottom = y + (c.bottom - sy(45) - y);
        r.scrollBar = {r.page.right, r.description.bottom, r.page.right + sx(20), r.page.bottom};
    }
    return r;
}

RECT ComputeWindowRect(const LayoutMetrics& m, const FrameMetrics& f, bool haveSaved, int savedX, int savedY,
                       bool* centre) {
    const int width = 2 * f.borderWidth + m.designWidth;
    const int height = 2 * f.borderHeight + f.titleBarHeight + 545;
    const int workHeight = f.workArea.bottom - f.workArea.top;
    bool usable = haveSaved && savedX <= f.virtualWidth && savedY <= f.virtualHeight && savedX + width >= 0 &&
                  savedY + height >= 0;
    RECT r = {};
    if (usable) {
        *centre = false;
        r.left = m.ScaleX(savedX);
        r.top = m.ScaleY(savedY);
        r.right = m.ScaleX(savedX + width);
        r.bottom = m.ScaleY(savedY + height);
        if (m.compact) {
            r.right += m.ScaleX(20);
            r.bottom = r.top + workHeight;
        }
        return r;
    }
    *centre = true;
    r.right = m.ScaleX(width);
    r.bottom = m.ScaleY(height);
    if (f.screenHeight > 0 && ::MulDiv(f.screenHeight, 96, m.dpiY) <= 600) {
        r.right += m.ScaleX(20);
        r.bottom = workHeight;
    }
    return r;
}

POINT ToDesignUnits(const LayoutMetrics& m, POINT screen) {
    return {::MulDiv(screen.x, 96, m.dpiX), ::MulDiv(screen.y, 96, m.dpiY)};
}

int DescriptionShift(int textWidth, int frameWidth, int textHeight) {
    if (frameWidth <= 0) return 0;
    int lines = textWidth / frameWidth;
    if (lines < 3 && textWidth % frameWidth) ++lines;
    return (lines - 3) * textHeight;
}

void PlaceButtons(const LayoutMetrics& m, const RECT& client, std::vector<ButtonSlot>& buttons) {
    int x = client.right - m.ScaleX(24);
    const int top = client.bottom - m.ScaleY(10) - m.ScaleY(21);
    for (ButtonSlot& b : buttons) {
        if (!b.visible) continue;
        b.rect = {x - b.width, top, x, top + m.ScaleY(21)};
        x -= b.width + m.ScaleX(8);
    }
}

int NextScrollPosition(int code, int position, int trackPosition, int minimum, int maximum, int fullPageHeight) {
    switch (code) {
    case SB_LINEUP: return position - 20;
    case SB_LINEDOWN: return position + 20;
    case SB_PAGEUP: return position - fullPageHeight / 10;
    case SB_PAGEDOWN: return position + fullPageHeight / 10;
    case SB_THUMBTRACK: return trackPosition;
    case SB_TOP: return minimum;
    case SB_BOTTOM: return maximum;
    default: return position;
    }
}

}  // namespace ostrel
