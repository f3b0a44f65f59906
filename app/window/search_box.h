#pragma once
// CSearchBox: the edit control above the category tree. It draws its cue text itself while it is
// empty: the window's controls are the classic ones, whose edit has no cue banner of its own.
#include <windows.h>

#include "base/window.h"

class CSearchBox : public CWnd {
public:
    BOOL Attach(HWND edit, const CStringW& cue);
    const CStringW& CueText() const noexcept { return m_strCue; }
    bool IsEmpty() const { return ::GetWindowTextLengthW(m_hWnd) == 0; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawCue();
    CStringW m_strCue;
};
