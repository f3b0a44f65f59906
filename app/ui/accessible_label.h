#pragma once
// CAccessibleLabel: gives a plain control of a template (a static that names the page) the role a
// screen reader should announce, with its window text as its name. The system's standard object
// reports such a static as a bare client area under Wine.
#include <windows.h>

#include "base/window.h"

class CAccessibleLabel : public CWnd {
public:
    BOOL Attach(HWND control, long role);
    ~CAccessibleLabel() override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    long m_nRole = 0;
};
