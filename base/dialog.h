#pragma once
// CDialog: modeless or modal dialogs from templates of the current resource module. The dialog window
// is subclassed on WM_INITDIALOG, so from then on it is handled like any CWnd and Default() reaches
// the dialog manager.
#include "base/window.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId = 0) : m_nIDTemplate(templateId) {}

    // Modeless; parent null means the desktop.
    BOOL Create(UINT templateId, HWND parent = nullptr);
    INT_PTR DoModal(HWND parent = nullptr);
    BOOL EndDialog(INT_PTR result);
    bool IsModal() const noexcept { return modal_; }

    UINT m_nIDTemplate;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual BOOL OnInitDialog() { return TRUE; }
    // Modal dialogs end; modeless ones are destroyed.
    virtual void OnOK();
    virtual void OnCancel();
    // Commands other than IDOK and IDCANCEL; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool modal_ = false;
};
