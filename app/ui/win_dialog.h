#pragma once
// CWinDialog: the base of the program's modeless top-level windows. OK, Cancel and WM_CLOSE all end in
// one overridable close, so a window decides in one place what closing means (saving state, asking
// its page).
#include "base/dialog.h"

class CWinDialog : public CDialog {
public:
    using CDialog::CDialog;

    // Destroys the window. Overrides save what they need first.
    virtual void CloseDialog();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnOK() override { CloseDialog(); }
    void OnCancel() override { CloseDialog(); }
};
