#include "window/help_button.h"

#include "base/handles.h"
#include "base/resource_module.h"
#include "resource.h"
#include "ui/accessible_object.h"
#include "ui/high_contrast.h"
#include "ui/png_resource.h"

// A page being made runs with its plug-in's module as the current one; the button keeps its own.
CHelpButton::CHelpButton() : m_hImages(base::CurrentResourceModule()) {}

CHelpButton::~CHelpButton() {
    // The images go with the members, before the base class would unbind the control: unbind it
    // now so that no paint reaches deleted images. The control itself belongs to the parent.
    if (m_hWnd) (void)UnsubclassWindow();
}

BOOL CHelpButton::Attach(HWND control) {
    if (!SubclassWindow(control)) return FALSE;
    // A tab stop, so the keyboard reaches it like the buttons at the bottom; its text is its name
    // for screen readers (the static never paints it).
    LONG style = ::GetWindowLongW(control, GWL_STYLE);
    ::SetWindowLongW(control, GWL_STYLE, style | SS_NOTIFY | WS_TABSTOP);
    ::SetWindowTextW(control, base::LoadResString(IDS_HELP_BUTTON_NAME));
    return TRUE;
}

void CHelpButton::Click() {
    ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), STN_CLICKED),
                   reinterpret_cast<LPARAM>(m_hWnd));
}

LRESULT CHelpButton::OnGetDlgCode(const MSG* msg) {
    // Enter on the focused button presses it instead of the dialog's default button.
    bool enter = msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN;
    return DLGC_BUTTON | (enter ? DLGC_WANTMESSAGE : 0);
}

BOOL CHelpButton::OnKey(UINT message, WPARAM key) {
    if (key == VK_RETURN && message == WM_KEYDOWN) {
        Click();
        return TRUE;
    }
    if (key != VK_SPACE) return FALSE;
    // Space presses on the way down and clicks on the way up, as push buttons do.
    if (message == WM_KEYDOWN) {
        SetState(State::Pressed);
    } else if (m_bPressed) {
        SetState(State::Normal);
        Click();
    }
    return TRUE;
}

void CHelpButton::PaintHighContrast(HDC dc, const RECT& client) {
    bool active = m_bHover || m_bPressed;
    COLORREF back = ::GetSysColor(COLOR_WINDOW);
    COLORREF ring = ::GetSysColor(active ? COLOR_HIGHLIGHT : COLOR_WINDOWTEXT);
    COLORREF mark = ::GetSysColor(active ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
    base::UniqueGdiObject pen(::CreatePen(PS_SOLID, 1, ring));
    base::UniqueGdiObject fill(::CreateSolidBrush(active ? ring : back));
    HGDIOBJ oldPen = ::SelectObject(dc, pen.get());
    HGDIOBJ oldBrush = ::SelectObject(dc, fill.get());
    ::Ellipse(dc, client.left, client.top, client.right, client.bottom);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    auto font = reinterpret_cast<HGDIOBJ>(::SendMessageW(::GetParent(m_hWnd), WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = ::SelectObject(dc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, mark);
    RECT text = client;
    ::DrawTextW(dc, L"?", 1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(dc, oldFont);
}

void CHelpButton::SetBackgroundColor(COLORREF colour) {
    m_crBackground = colour;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CHelpButton::SetState(State state) {
    BOOL normal = state == State::Normal;
    BOOL hover = state == State::Hover;
    BOOL pressed = state == State::Pressed;
    if (normal == m_bNormal && hover == m_bHover && pressed == m_bPressed) return;
    m_bNormal = normal;
    m_bHover = hover;
    m_bPressed = pressed;
    // Every pixel is painted, so there is nothing to erase (erasing would flicker).
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

// Decoding the three images took a good part of the window's creation, for a button that starts
// hidden and whose hover and pressed looks many never see.
Gdiplus::Bitmap* CHelpButton::Decoded(UINT id, std::unique_ptr<Gdiplus::Bitmap>* image) const {
    if (!*image) image->reset(ostrel::LoadPngResource(id, m_hImages));
    return image->get();
}

Gdiplus::Bitmap* CHelpButton::CurrentImage() {
    if (m_bPressed) return Decoded(IDP_HELP_PRESSED, &m_pPressedImage);
    if (m_bHover) return Decoded(IDP_HELP_HOVER, &m_pHoverImage);
    if (m_bNormal) return Decoded(IDP_HELP_NORMAL, &m_pNormalImage);
    return nullptr;
}

void CHelpButton::Paint(HDC dc) {
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (ostrel::HighContrastOn()) {
        PaintHighContrast(dc, client);
    } else {
        PaintImage(dc, client);
    }
    if (::GetFocus() == m_hWnd) {
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &client);
    }
}

void CHelpButton::PaintImage(HDC dc, const RECT& client) {
    Gdiplus::Graphics graphics(dc);
    graphics.Clear(Gdiplus::Color(GetRValue(m_crBackground), GetGValue(m_crBackground), GetBValue(m_crBackground)));
    Gdiplus::Bitmap* image = CurrentImage();
    if (!image) return;
    // The art is larger than the button at every usual dpi; a high-quality filter keeps the circle's
    // edge smooth when it is shrunk.
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.DrawImage(image, Gdiplus::Rect(0, 0, client.right, client.bottom));
}

void CHelpButton::OnPaint() {
    PAINTSTRUCT ps;
    HDC target = ::BeginPaint(m_hWnd, &ps);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    // Drawn off screen and copied in one go, so the cleared background never shows on its own.
    base::UniqueDc memory(::CreateCompatibleDC(target));
    base::UniqueGdiObject bitmap(::CreateCompatibleBitmap(target, client.right, client.bottom));
    if (memory && bitmap) {
        HGDIOBJ old = ::SelectObject(memory.get(), bitmap.get());
        Paint(memory.get());
        ::BitBlt(target, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
        ::SelectObject(memory.get(), old);
    } else {
        Paint(target);
    }
    ::EndPaint(m_hWnd, &ps);
}

void CHelpButton::OnMouseMove(POINT point) {
    // The outermost ring of pixels counts as outside, so the hover image shows only once the pointer
    // is really on the round button.
    WINDOWPLACEMENT placement = {sizeof(placement)};
    ::GetWindowPlacement(m_hWnd, &placement);
    int w = placement.rcNormalPosition.right - placement.rcNormalPosition.left;
    int h = placement.rcNormalPosition.bottom - placement.rcNormalPosition.top;
    bool inside = point.x > 1 && point.x < w - 1 && point.y > 1 && point.y < h - 1;
    SetState(inside ? State::Hover : State::Normal);
    if (!m_bTrackingLeave) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
        m_bTrackingLeave = ::TrackMouseEvent(&track);
    }
}

void CHelpButton::OnMouseLeave() {
    m_bTrackingLeave = FALSE;
    SetState(State::Normal);
}

LRESULT CHelpButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetState(State::Pressed);
        break;
    case WM_LBUTTONUP:
        SetState(State::Hover);
        break;
    case WM_MOUSEMOVE:
        // Client coordinates are signed (a captured pointer can be left of or above the control).
        OnMouseMove({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        break;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_GETDLGCODE:
        return OnGetDlgCode(reinterpret_cast<const MSG*>(lParam));
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (OnKey(message, wParam)) return 0;
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (message == WM_KILLFOCUS && m_bPressed) SetState(State::Normal);
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    case WM_GETOBJECT:
        if (LRESULT object = ostrel::AnswerGetObject(wParam, lParam, [this] {
                HWND self = m_hWnd;
                return new ostrel::NamedAccessible(self, ROLE_SYSTEM_PUSHBUTTON, [self] { return ostrel::SpokenWindowText(self); },
                                                   base::LoadResString(IDS_ACTION_PRESS));
            })) {
            return object;
        }
        break;
    }
    return Default();
}
