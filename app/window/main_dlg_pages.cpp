// The settings window's pages: switching on a tree selection, showing an entry, and the commands that
// act on the shown entry (Defaults, Launch, Help).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <initializer_list>

#include "base/handles.h"
#include "base/resource_module.h"
#include "catalogue/catalogue_owner.h"
#include "catalogue/plugin_registered_application.h"
#include "catalogue/start_location.h"
#include "common/open_request.h"
#include "common/status_gathering.h"
#include "plugwerk/plugin_class.h"
#include "resource.h"
#include "window/html_help.h"
#include "window/main_dlg.h"
#include "window/osl_view.h"
#include "window/scroll_view.h"

namespace {
constexpr DWORD kReadyWaitMs = 15000;
constexpr UINT kSwitchRetryMs = 100;

bool WaitReady(CRegisteredApplication* entry) {
    HANDLE ready = entry->GetReadyEvent();
    return ready && ::WaitForSingleObject(ready, kReadyWaitMs) == WAIT_OBJECT_0;
}

// By the window's own style: while its parent's redraw is off, IsWindowVisible says no for every child.
bool IsShown(HWND window) { return window && (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE); }

// Repaints the window, frame included, except the children given. While the window did not draw,
// everything pending in it was dropped, but the kept children had painted what they show before
// and repaint themselves when they change: painting the tree again made every switch pay for it.
void RedrawAllBut(HWND window, std::initializer_list<HWND> kept) {
    const UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME;
    RECT outer = {};
    ::GetWindowRect(window, &outer);
    // Client coordinates: the frame lies at negative ones.
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&outer), 2);
    base::UniqueGdiObject region(::CreateRectRgnIndirect(&outer));
    for (HWND child : kept) {
        if (!region || !IsShown(child)) continue;
        RECT r = {};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        base::UniqueGdiObject hole(::CreateRectRgnIndirect(&r));
        if (!hole || ::CombineRgn(static_cast<HRGN>(region.get()), static_cast<HRGN>(region.get()),
                                  static_cast<HRGN>(hole.get()), RGN_DIFF) == ERROR) {
            region.reset();
        }
    }
    ::RedrawWindow(window, nullptr, static_cast<HRGN>(region.get()), flags);
}

void Repaint(HWND window, UINT flags = 0) {
    if (IsShown(window)) ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | flags);
}

}  // namespace

// What a switch changes when the page keeps its place: the two texts, and the page inside the scroll
// view that covers the page frame. The window's own background, its caption, the search box and the
// panel behind everything show what they showed before, and each costs a paint of its own.
void COSLMainDlg::RedrawSwitchedPage(bool placeChanged) {
    HWND view = m_pScrollView && m_pScrollView->IsWindow() ? m_pScrollView->m_hWnd : nullptr;
    if (placeChanged || !view) {
        RedrawAllBut(m_hWnd, {m_tree.m_hWnd, GetDlgItem(IDC_SEARCH), GetDlgItem(IDC_OK), GetDlgItem(IDCANCEL),
                              GetDlgItem(IDC_APPLY), GetDlgItem(IDC_DEFAULTS), GetDlgItem(IDC_LAUNCH)});
        return;
    }
    Repaint(GetDlgItem(IDC_TITLE));
    Repaint(GetDlgItem(IDC_DESCRIPTION));
    Repaint(view, RDW_ALLCHILDREN);
    Repaint(GetDlgItem(IDC_PAGE_SCROLLBAR));
}

LRESULT COSLMainDlg::OnTreeNotify(NMHDR* header) {
    m_tree.OnReflectedNotify(header);
    if (header->code == TVN_SELCHANGEDW) {
        if (OnSearchSelection(reinterpret_cast<NMTREEVIEWW*>(header))) return 0;
        OnSelectionChanged(reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem);
        return 0;
    }
    return CWinDialog::WindowProc(WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

void COSLMainDlg::OnSelectionChanged(HTREEITEM item) {
    CRegisteredApplication* entry = EntryOfItem(item);
    if (entry) {
        PluginClass* current = CurrentPlugin();
        bool modified = false;
        if (current && m_pPageView) {
            try {
                modified = current->IsModified();
            } catch (...) {
            }
        }
        if (modified && ::MessageBoxW(m_hWnd, m_strModifiedPrompt, base::LoadResString(IDS_SETTINGS_WINDOW_CAPTION),
                                      MB_YESNO) == IDYES) {
            Apply();
        }
        if (!IsPluginPage(entry) || WaitReady(entry)) {
            ::EnableWindow(GetDlgItem(IDC_APPLY), FALSE);
            if (!TreeView_GetChild(m_tree, item)) SetTimer(kSwitchPageTimer, kSwitchRetryMs);
            ComputeTabBookkeeping();
        }
        return;
    }
    ComputeTabBookkeeping();
}

void COSLMainDlg::OnSwitchPageTimer() {
    PluginClass* current = CurrentPlugin();
    bool waiting = false;
    try {
        waiting = current && current->IsWaitUI();
    } catch (...) {
    }
    if (waiting || IsApplyWorkerRunning()) {
        SetTimer(kSwitchPageTimer, kSwitchRetryMs);
        return;
    }
    HTREEITEM item = TreeView_GetSelection(m_tree);
    CRegisteredApplication* entry = EntryOfItem(item);
    if (!entry) return;
    if (entry->GetEntryType() == ENTRY_SYSTEM_INFO && !ostrel::IsStatusGatheringIdle()) {
        SetTimer(kSwitchPageTimer, kSwitchRetryMs);
        return;
    }
    if (IsPluginPage(entry) && !WaitReady(entry)) return;
    if (TreeView_GetChild(m_tree, item) || ostrel::TreeItemText(m_tree, item).CompareNoCase(entry->m_strName) != 0) return;
    if (m_pPageView && m_pPageView->QueryClose(0) == 8) {
        SetTimer(kSwitchPageTimer, kSwitchRetryMs);
        return;
    }
    ShowPage(entry);
    UpdateButtons(entry);
    ::SetFocus(m_tree);
    m_pCurrentEntry = entry;
    // The page left behind now answers from the store, and plug-ins finished starting meanwhile.
    RefreshChangeMarks(false);
    ScheduleSearchReveal();
}

void COSLMainDlg::DeletePageView() {
    CTabDialog* view = m_pPageView;
    m_pPageView = nullptr;
    try {
        delete view;
    } catch (...) {
    }
}

void COSLMainDlg::ShowPage(CRegisteredApplication* entry) {
    // The page must outlive an apply that is still inside it (one that reported waiting for the user).
    EndLastWorker(5000);
    // Nothing is drawn until the new page is in place: the old page's going, the new texts and the
    // moved frame would each erase and paint what the repaint at the end paints again.
    SendMessage(WM_SETREDRAW, FALSE, 0);
    DeletePageView();
    ::SetDlgItemTextW(m_hWnd, IDC_TITLE, entry->m_strName);
    ::SetDlgItemTextW(m_hWnd, IDC_DESCRIPTION, entry->m_strDescription);
    const HWND bar = GetDlgItem(IDC_PAGE_SCROLLBAR);
    const bool barShown = IsShown(bar);
    bool placeChanged = PlacePageForDescription(entry->m_strDescription);

    if (m_titleFont) ::SendDlgItemMessageW(m_hWnd, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(m_titleFont.get()), TRUE);

    bool scrollable = true;
    HWND parent = m_pScrollView ? m_pScrollView->m_hWnd : m_hWnd;
    RECT full = {0, 0, m_rects.fullPage.right - m_rects.fullPage.left, m_rects.fullPage.bottom - m_rects.fullPage.top};
    switch (entry->GetEntryType()) {
    case ENTRY_PLUGIN_PAGE: {
        PluginClass* plugin = CurrentPluginOf(entry);
        if (entry->m_hModule && plugin) {
            try {
                base::ScopedResourceModule pluginResources(entry->m_hModule);
                auto* view = new COSL_View(plugin, this, full, parent);
                if (view->IsWindow()) {
                    // Page templates are children without WS_VISIBLE; the host shows them once placed.
                    view->PlaceAtOrigin();
                    view->ShowWindow(SW_SHOW);
                    m_pPageView = view;
                } else {
                    delete view;
                }
                scrollable = plugin->GetSettingItemListCount() != 0;
            } catch (...) {
                m_pPageView = nullptr;
            }
        }
        break;
    }
    default:
        // An entry with a page of its own (the system-information entry) makes it.
        if (CTabDialog* page = entry->CreatePage(this, parent)) {
            // Its fixed layout takes the room a one-line description leaves above the page as well,
            // and scrolls only when its frames need more than that room (in the compact layout).
            int shown = m_rcPageShown.bottom - m_rcPageShown.top;
            int height = std::max({shown, static_cast<int>(full.bottom), page->ContentHeight()});
            ::SetWindowPos(*page, nullptr, 0, 0, full.right, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
            scrollable = page->ContentHeight() > shown;
            m_pPageView = page;
        }
        break;
    }
    UpdateScrollBar(m_pPageView && scrollable && m_layout.compact);

    // The panel behind the page shows where the scroll bar was.
    placeChanged = placeChanged || IsShown(bar) != barShown;

    SendMessage(WM_SETREDRAW, TRUE, 0);
    // The bottom buttons change only in UpdateButtons, after this, which repaints those it moves,
    // shows or hides.
    RedrawSwitchedPage(placeChanged);
    ShowWindow(SW_RESTORE);
    SetForegroundWindow();
}

void COSLMainDlg::OnDefaults() {
    if (m_pPageView && m_pPageView->IsWindow()) m_pPageView->SendMessage(PWM_RESET_DEFAULT, 0, 0);
}

void COSLMainDlg::OnLaunch() {
    CRegisteredApplication* entry = m_pCurrentEntry;
    if (!entry) return;
    CStringW path = entry->m_strAppPath;
    path.Trim(L'"');
    if (path == L"StatusInfo") {
        if (m_pOwner) ostrel::SendOpenRequest(m_pOwner->m_hWnd, ostrel::REQ_OPEN_STATUS, CStringW());
        return;
    }
    if (path.IsEmpty()) return;
    CStringW refusal = ostrel::LaunchRefusal(*entry);
    if (!refusal.IsEmpty()) {
        ::MessageBoxW(m_hWnd, refusal, entry->m_strName, MB_OK | MB_ICONWARNING);
        return;
    }
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = path;
    info.lpParameters = entry->m_strAppOption.IsEmpty() ? nullptr : entry->m_strAppOption.GetString();
    info.lpDirectory = entry->m_strFolder.IsEmpty() ? nullptr : entry->m_strFolder.GetString();
    info.nShow = SW_SHOW;
    if (::ShellExecuteExW(&info) && info.hProcess) ::CloseHandle(info.hProcess);
}

void COSLMainDlg::OnHelp() {
    CRegisteredApplication* entry = m_pCurrentEntry;
    if (!entry) return;
    for (auto it = m_helpWindows.begin(); it != m_helpWindows.end(); ++it) {
        if (it->entry != entry) continue;
        if (::IsWindow(it->window) && !::IsIconic(it->window)) {
            ::SetForegroundWindow(it->window);
            return;
        }
        m_helpWindows.erase(it);
        break;
    }
    CStringW refusal = ostrel::HelpRefusal(*entry, ostrel::LocalisedHelpFile(entry->m_strHelpPath));
    if (!refusal.IsEmpty()) {
        ::MessageBoxW(m_hWnd, refusal, entry->m_strName, MB_OK | MB_ICONWARNING);
        return;
    }
    HWND window = ostrel::ShowHelp(entry->m_strHelpPath, entry->m_nHelpOption1);
    if (!window) return;
    m_helpWindows.push_back({window, entry});
}
