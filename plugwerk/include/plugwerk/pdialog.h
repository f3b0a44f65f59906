#pragma once
// A modal dialog of a plug-in's own, from a template in the plug-in's module.
//
// Order of calls: the plug-in derives, constructs with its module handle and calls Create(parent,
// template); WndFunc sees every dialog message (WM_INITDIALOG included, whose result it decides);
// IDOK calls OnOK (result 1), IDCANCEL and the close box call OnCancel (result 2).
// Ownership: the plug-in owns the CPDialog object; the dialog window lives only inside Create.
#include "plugwerk/export.h"

class PLUGWERK_API CPDialog {
public:
    explicit CPDialog(HINSTANCE module);
    virtual ~CPDialog();
    CPDialog(const CPDialog&) = delete;
    CPDialog& operator=(const CPDialog&) = delete;

    // IDOK and IDCANCEL (notification code 0) end the dialog through OnOK / OnCancel; returns 0.
    virtual long WndFunc(UINT message, WPARAM wParam, LPARAM lParam);

    // Runs the dialog modally: 1 after OnOK, 2 after OnCancel, -1 when it cannot be created.
    long Create(HWND parent, int templateID);
    HWND GetDlgHWND() const;

protected:
    virtual void OnOK();
    virtual void OnCancel();
    long OnSystemCmd(unsigned wParam, long lParam);
    void SetDlgHWND(HWND window);

    HWND m_hDlg;
    HINSTANCE m_hInstance;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
