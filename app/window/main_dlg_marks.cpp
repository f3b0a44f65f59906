// The settings window's marks of settings that differ from their defaults: the system-menu switch,
// the marks of the listed pages, and following saves made by this or another process.
#include <windows.h>
#include <commctrl.h>

#include "base/resource_module.h"
#include "catalogue/registered_application.h"
#include "common/setting_services.h"
#include "resource.h"
#include "ui/tab_dialog.h"
#include "window/main_dlg.h"

namespace {
// Saves come in bursts (two files, several writes each); the pages are asked once after them.
constexpr UINT kSettleMs = 300;
}  // namespace

void COSLMainDlg::InitChangeMarks() {
    CStringW text = base::LoadResString(IDS_HIGHLIGHT_CHANGED);
    if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE); menu && !text.IsEmpty()) {
        ::AppendMenuW(menu, MF_STRING, IDM_HIGHLIGHT_CHANGED, text);
    }
    ShowMarkChanges(ostrel::ReadHighlightChanged());
}

void COSLMainDlg::SetMarkChanges(bool on) {
    if (on == m_bMarkChanges) return;
    ShowMarkChanges(on);
    ostrel::StoreHighlightChanged(on);
}

void COSLMainDlg::ShowMarkChanges(bool on) {
    m_bMarkChanges = on;
    if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE)) {
        ::CheckMenuItem(menu, IDM_HIGHLIGHT_CHANGED, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    }
    if (on) {
        m_settingsWatch.Start(m_hWnd, kSettingsSavedMessage);
        RefreshChangeMarks(false);
    } else {
        m_settingsWatch.Stop();
        m_changedPages.Clear();
    }
    // Marks drawn before must go with the page's next erase.
    if (m_pPageView && m_pPageView->IsWindow()) ::InvalidateRect(*m_pPageView, nullptr, TRUE);
    if (m_tree.IsWindow()) ::InvalidateRect(m_tree, nullptr, FALSE);
}

BOOL COSLMainDlg::IsItemMarked(HTREEITEM item) {
    return m_bMarkChanges && m_changedPages.IsMarked(EntryOfItem(item));
}

void COSLMainDlg::PageMarksPainted(int) {
    // Cheap for the shown page: the framework compares the values its items hold.
    if (m_bMarkChanges && m_changedPages.Update(m_pCurrentEntry) && m_tree.IsWindow()) {
        ::InvalidateRect(m_tree, nullptr, FALSE);
    }
}

void COSLMainDlg::OnSettingsSaved() {
    if (m_bMarkChanges) SetTimer(kChangeMarksTimer, kSettleMs);
}

void COSLMainDlg::RefreshChangeMarks(bool reload) {
    if (!m_bMarkChanges || !m_tree.IsWindow()) return;
    if (reload) {
        // This process's copy of the stores learns only of some saves by itself.
        CSettingServices* services = GetSettingServices();
        if (services && services->Settory()) services->Settory()->Reload();
    }
    bool changed = false;
    for (HTREEITEM category = TreeView_GetRoot(m_tree); category; category = TreeView_GetNextSibling(m_tree, category)) {
        for (HTREEITEM item = TreeView_GetChild(m_tree, category); item; item = TreeView_GetNextSibling(m_tree, item)) {
            changed = m_changedPages.Update(EntryOfItem(item)) || changed;
        }
    }
    if (changed) ::InvalidateRect(m_tree, nullptr, FALSE);
    if (m_pPageView && m_pPageView->IsWindow()) ::InvalidateRect(*m_pPageView, nullptr, FALSE);
}
