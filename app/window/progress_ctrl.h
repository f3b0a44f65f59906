#pragma once
// COSLProgressCtrl: the modal "applying settings" dialog the settings window shows while a page's
// apply takes longer than a second. The user cannot close it; it ends itself when the apply is over,
// when the page starts waiting for the user, or after a time limit, when it has the owner end the
// apply worker.
#include <windows.h>

#include "base/dialog.h"

// What the progress dialog asks of the window that runs the apply. Called on the dialog's thread.
class IApplyProgressOwner {
public:
    // The window the dialog is centred on.
    virtual HWND OwnerWindow() = 0;
    // The apply worker is still inside the page.
    virtual BOOL IsApplying() = 0;
    // The current entry is a plug-in page that waits for the user (its IsWaitUI is true).
    virtual BOOL IsPageWaitingUI() = 0;
    virtual BOOL IsApplyWorkerRunning() = 0;
    // Waits up to graceMs for the worker, then terminates it and forgets it.
    virtual void TerminateApplyWorker(DWORD graceMs) = 0;

protected:
    ~IApplyProgressOwner() = default;
};

class COSLProgressCtrl : public CDialog {
public:
    static constexpr UINT_PTR kTickTimer = 1;
    static constexpr UINT_PTR kLimitTimer = 2;
    static constexpr UINT kTickMs = 1000;
    static constexpr UINT kLimitMs = 20000;
    // The bar runs 0..kLastPosition and starts again at 0.
    static constexpr int kLastPosition = 20;
    // How long the worker may still take once the time limit is reached.
    static constexpr DWORD kTerminateGraceMs = 1000;

    // Show with DoModal(owner->OwnerWindow()). The intervals are for tests.
    explicit COSLProgressCtrl(IApplyProgressOwner* owner, UINT tickMs = kTickMs, UINT limitMs = kLimitMs);

    IApplyProgressOwner* m_pOwner;

protected:
    BOOL OnInitDialog() override;
    // Escape, Enter and the dialog manager's cancel: the user has no way to close this dialog.
    void OnOK() override {}
    void OnCancel() override {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CentreOnOwner();
    void OnTick();
    void OnLimit();
    void Finish();

    UINT tickMs_;
    UINT limitMs_;
};
