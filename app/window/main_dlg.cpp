#include "window/main_dlg.h"

#include "base/resource_module.h"
#include "core/about_dlg.h"
#include "core/message_dispatch_wnd.h"
#include "resource.h"

COSLMainDlg::COSLMainDlg() : CDialog(IDD_OSL_MAIN_DIALOG) {}

BOOL COSLMainDlg::OnInitDialog() {
    SetWindowText(base::LoadResString(IDS_SETTINGS_WINDOW_CAPTION));
    if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE)) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, L"&About Ostrel...");
    }
    ShowStartClass();
    ListCatalogue();
    return TRUE;
}

void COSLMainDlg::ListCatalogue() {
    if (!m_pOwner) return;
    static const wchar_t* const kinds[] = {L"application", L"registered application", L"settings page",
                                           L"system information", L"status"};
    HWND list = GetDlgItem(IDC_PLACEHOLDER_LIST);
    m_pOwner->Catalogue().Walk([&](const CCatalogue::Entries& entries) {
        for (CRegisteredApplication* entry : entries) {
            if (!entry->IsVisible()) continue;
            int type = entry->GetEntryType();
            CStringW line;
            line.Format(L"%s  (%s, category %u)", entry->m_strName.GetString(),
                        type >= 0 && type < 5 ? kinds[type] : L"?", entry->m_nCategory);
            ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.GetString()));
        }
    });
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
