#pragma once
// CHelpButton: the round help button of the settings window. It is a static control (with
// SS_NOTIFY, so a click reaches the parent as WM_COMMAND of the control, STN_CLICKED) drawn as one of
// three PNG images: normal, mouse over, pressed.
#include <windows.h>
#include <gdiplus.h>

#include <memory>

#include "base/window.h"

class CHelpButton : public CWnd {
public:
    // The images come from the resource module current now, which must outlive the button; each is
    // decoded when its state is first painted, and GDI+ must be started by then.
    CHelpButton();
    ~CHelpButton() override;

    // Binds a static control of the parent's template; adds SS_NOTIFY when the template lacks it.
    BOOL Attach(HWND control);

    // The colour behind the round image; the owner samples it from its own background.
    void SetBackgroundColor(COLORREF colour);
    COLORREF BackgroundColor() const noexcept { return m_crBackground; }

    BOOL IsNormal() const noexcept { return m_bNormal; }
    BOOL IsHover() const noexcept { return m_bHover; }
    BOOL IsPressed() const noexcept { return m_bPressed; }

    // Draws the background and the current state's image over the client area into dc.
    void Paint(HDC dc);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    enum class State { Normal, Hover, Pressed };
    void SetState(State state);
    void Click();
    LRESULT OnGetDlgCode(const MSG* msg);
    BOOL OnKey(UINT message, WPARAM key);
    void PaintImage(HDC dc, const RECT& client);
    void PaintHighContrast(HDC dc, const RECT& client);
    void OnPaint();
    void OnMouseMove(POINT point);
    void OnMouseLeave();
    Gdiplus::Bitmap* CurrentImage();
    Gdiplus::Bitmap* Decoded(UINT id, std::unique_ptr<Gdiplus::Bitmap>* image) const;

    HMODULE m_hImages = nullptr;
    std::unique_ptr<Gdiplus::Bitmap> m_pHoverImage;
    std::unique_ptr<Gdiplus::Bitmap> m_pNormalImage;
    std::unique_ptr<Gdiplus::Bitmap> m_pPressedImage;
    BOOL m_bNormal = TRUE;
    BOOL m_bHover = FALSE;
    BOOL m_bPressed = FALSE;
    COLORREF m_crBackground = 0;
    // WM_MOUSELEAVE is asked for once per entry of the mouse; TrackMouseEvent is one-shot.
    BOOL m_bTrackingLeave = FALSE;
};
