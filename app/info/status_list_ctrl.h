#pragma once
// CStatusListCtrl: one of the status window's three lists. It remembers the row under the last left
// press, so a double click acts on the row the user pressed even if the selection moved meanwhile.
#include <windows.h>
#include <commctrl.h>

#include "base/window.h"

class CStatusListCtrl : public CWnd {
public:
    // Binds the dialog's list-view control.
    BOOL Attach(HWND list);
    // The static whose text names the list for screen readers (the caption above it).
    void SetCaption(HWND caption) noexcept { m_hCaption = caption; }
    int HitRow() const noexcept { return m_nHitRow; }
    BOOL IsHit() const noexcept { return m_bHit; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnLeftButtonDown(LPARAM lParam);
    void OnSetFocus();

    int m_nHitRow = -1;
    BOOL m_bHit = FALSE;
    HWND m_hCaption = nullptr;
};
