#include "window/main_dlg.h"

#include "base/resource_module.h"
#include "core/about_dlg.h"
#include "resource.h"

COSLMainDlg::COSLMainDlg() : CDialog(IDD_OSL_MAIN_DIALOG) {}

BOOL COSLMainDlg::OnInitDialog() {
    SetWindowText(base::LoadResString(IDS_SETTINGS_WINDOW_CAPTION));
    if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE)) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, L"&About Ostrel...");
    }
    ShowStartClass();
    return TRUE;
}

void COSLMainDlg::SelectPluginClass(const wchar_t* classId) {
    base::CriticalSectionLock hold(lock_);
    m_strStartClassId = classId;
}

void COSLMainDlg::SelectStartItem() { ShowStartClass(); }

void COSLMainDlg::ShowStartClass() {
    CStringW classId;
    {
        base::CriticalSectionLock hold(lock_);
        classId = m_strStartClassId;
    }
    // Runs on the window's thread or, for a request, on the main thread; SetDlgItemText is safe from
    // either because the window's thread keeps pumping.
    ::SetDlgItemTextW(m_hWnd, IDC_PLACEHOLDER_CLASS, classId);
}

void COSLMainDlg::OnAboutCommand() {
    CAboutDlg about;
    about.DoModal(m_hWnd);
}

LRESULT COSLMainDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == IDM_ABOUTBOX) {
        OnAboutCommand();
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
