// The settings window's apply worker, OK and closing.
#include "base/com_ptr.h"
#include "base/wait.h"
#include "catalogue/registered_application.h"
#include "common/setting_services.h"
#include "plugwerk/plugin_class.h"
#include "resource.h"
#include "ui/tab_dialog.h"
#include "window/main_dlg.h"
#include "window/progress_ctrl.h"

namespace {
constexpr DWORD kApplyStepMs = 100;
constexpr int kApplySteps = 10;
constexpr DWORD kAfterProgressMs = 1000;
constexpr DWORD kCloseWaitMs = 5000;

struct ApplyJob {
    COSLMainDlg* dialog;
    CTabDialog* view;
    volatile BOOL* applying;
};

bool IsRunning(HANDLE thread) { return thread && ::WaitForSingleObject(thread, 0) == WAIT_TIMEOUT; }

HANDLE Duplicate(HANDLE handle) {
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return copy;
}
}  // namespace

DWORD WINAPI COSLMainDlg::ApplyWorker(void* parameter) {
    ApplyJob job = *static_cast<ApplyJob*>(parameter);
    delete static_cast<ApplyJob*>(parameter);
    HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    try {
        if (job.view) job.view->Apply();
    } catch (...) {
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    *job.applying = FALSE;
    return 0;
}

bool COSLMainDlg::WaitApplyStep(DWORD ms) {
    // The plug-in's apply talks to its controls, which live on this thread.
    return !m_hApplyThread || base::WaitAnsweringSentMessages(m_hApplyThread.get(), ms);
}

void COSLMainDlg::Apply() {
    base::CriticalSectionLock hold(m_pageLock);
    if (IsApplyWorkerRunning()) return;
    if (m_pPageView) {
        ::EnableWindow(GetDlgItem(IDC_APPLY), FALSE);
        ::SetFocus(GetDlgItem(IDC_OK));
    }
    m_bApplying = TRUE;
    auto* job = new ApplyJob{this, m_pPageView, &m_bApplying};
    HANDLE thread = ::CreateThread(nullptr, 0, ApplyWorker, job, 0, nullptr);
    if (!thread) {
        delete job;
        m_bApplying = FALSE;
        return;
    }
    m_hApplyThread.reset(thread);
    m_hLastWorker.reset(Duplicate(thread));

    if (IsPluginPage(m_pCurrentEntry)) {
        bool done = false;
        bool waitingForUser = false;
        for (int step = 0; step < kApplySteps && !done; ++step) {
            if (step > 0 && IsPageWaitingUI()) {
                waitingForUser = true;
                break;
            }
            done = WaitApplyStep(kApplyStepMs);
        }
        if (!done && !waitingForUser && IsRunning(m_hApplyThread.get()) && !IsPageWaitingUI()) {
            COSLProgressCtrl progress(this, COSLProgressCtrl::kTickMs, m_nApplyLimitMs);
            progress.DoModal(m_hWnd);
            if (IsRunning(m_hApplyThread.get())) TerminateApplyWorker(kAfterProgressMs);
        }
    }
    m_hApplyThread.reset();
    // A failed apply puts the old values back without telling the page's window.
    if (m_bMarkChanges && m_pPageView) ::InvalidateRect(*m_pPageView, nullptr, FALSE);
}

BOOL COSLMainDlg::IsApplyWorkerRunning() {
    return m_bApplying || IsRunning(m_hApplyThread.get()) || LastWorkerRunning();
}

bool COSLMainDlg::LastWorkerRunning() { return IsRunning(m_hLastWorker.get()); }

BOOL COSLMainDlg::IsPageWaitingUI() {
    PluginClass* plugin = CurrentPlugin();
    if (!plugin) return FALSE;
    try {
        return plugin->IsWaitUI() ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

void COSLMainDlg::TerminateApplyWorker(DWORD graceMs) {
    HANDLE thread = m_hApplyThread ? m_hApplyThread.get() : m_hLastWorker.get();
    if (IsRunning(thread) && ::WaitForSingleObject(thread, graceMs) == WAIT_TIMEOUT) {
        ::TerminateThread(thread, 1);
        ::WaitForSingleObject(thread, 1000);
    }
    if (!IsRunning(m_hLastWorker.get())) m_hLastWorker.reset();
    m_hApplyThread.reset();
    m_bApplying = FALSE;
}

void COSLMainDlg::EndLastWorker(DWORD waitMs) {
    HANDLE thread = m_hLastWorker.get();
    if (IsRunning(thread) && ::WaitForSingleObject(thread, waitMs) == WAIT_TIMEOUT) {
        ::TerminateThread(thread, 1);
        ::WaitForSingleObject(thread, 1000);
        m_bApplying = FALSE;
    }
    m_hLastWorker.reset();
    m_hApplyThread.reset();
}

void COSLMainDlg::EnableApplyButton() { ::EnableWindow(GetDlgItem(IDC_APPLY), TRUE); }

void COSLMainDlg::OnOkCommand() {
    ::EnableWindow(GetDlgItem(IDC_OK), FALSE);
    base::CriticalSectionLock hold(m_okLock);
    try {
        if (IsPluginPage(m_pCurrentEntry)) {
            Apply();
            SetTimer(kCloseAfterOkTimer, 100);
        } else {
            CloseDialog();
        }
    } catch (...) {
    }
}

void COSLMainDlg::OnCloseAfterOkTimer() {
    if (IsApplyWorkerRunning() || IsPageWaitingUI()) {
        SetTimer(kCloseAfterOkTimer, 100);
        return;
    }
    CloseDialog();
}

void COSLMainDlg::CloseDialog() {
    if (m_bClosing || !IsWindow()) return;
    m_bClosing = TRUE;
    base::CriticalSectionLock hold(m_pageLock);
    EndLastWorker(kCloseWaitMs);
    if (m_pPageView) {
        m_pPageView->QueryClose(1);
        DeletePageView();
    }
    SaveState();
    DestroyWindow();
}

void COSLMainDlg::SaveState() {
    if (!m_pCurrentEntry) return;
    CSettingServices* services = GetSettingServices();
    ISettory* settory = services ? services->Settory() : nullptr;
    if (!settory) return;
    settory->SetCurrentValueEx(kLastEntryClass, 1, m_pCurrentEntry->m_strKey);
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (::GetWindowPlacement(m_hWnd, &placement)) {
        POINT stored = ostrel::ToDesignUnits(m_layout, {placement.rcNormalPosition.left, placement.rcNormalPosition.top});
        VARIANT value;
        ::VariantInit(&value);
        value.vt = VT_I4;
        value.lVal = stored.x;
        settory->SetCurrentValue(kPositionClass, 1, value);
        value.lVal = stored.y;
        settory->SetCurrentValue(kPositionClass, 2, value);
    }
    settory->UpdateCurrentSetting();
}
