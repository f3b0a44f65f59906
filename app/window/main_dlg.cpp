#include "window/main_dlg.h"

#include <commctrl.h>
#include <oleacc.h>

#include <set>

#include "base/handles.h"
#include "base/resource_module.h"
#include "catalogue/registered_application.h"
#include "plugwerk/plugin_class.h"
#include "resource.h"
#include "ui/high_contrast.h"
#include "ui/tab_dialog.h"
#include "window/about_dlg.h"
#include "window/scroll_view.h"

namespace {
// The class ids handed to PostSelectClass that no window has taken yet. Any process on the desktop can
// post the selection message, so its lParam is followed only when it is one of these.
struct PendingSelections {
    base::CriticalSection lock;
    std::set<CStringW*> copies;
};

PendingSelections& Pending() {
    static PendingSelections* pending = new PendingSelections();
    return *pending;
}

void AddPending(CStringW* copy) {
    PendingSelections& p = Pending();
    base::CriticalSectionLock hold(p.lock);
    p.copies.insert(copy);
}

// True, and the caller owns copy, when copy was handed out and not yet taken.
bool TakePending(CStringW* copy) {
    PendingSelections& p = Pending();
    base::CriticalSectionLock hold(p.lock);
    return p.copies.erase(copy) != 0;
}
}  // namespace

COSLMainDlg::COSLMainDlg() : CWinDialog(IDD_OSL_MAIN_DIALOG) {
    int dpiX = 96, dpiY = 96;
    ostrel::ReadScreenDpi(&dpiX, &dpiY);
    wchar_t language[85];
    ostrel::FirstPreferredUILanguage(language, 85);
    m_layout = ostrel::ComputeLayoutMetrics(dpiX, dpiY, language, ::GetSystemMetrics(SM_CYSCREEN));
    m_brWhite.reset(::CreateSolidBrush(RGB(255, 255, 255)));

    ACCEL keys[26];
    for (int n = 0; n < 26; ++n) keys[n] = {FALT | FVIRTKEY, static_cast<WORD>('A' + n), static_cast<WORD>('A' + n)};
    m_hAccel = ::CreateAcceleratorTableW(keys, 26);
}

COSLMainDlg::~COSLMainDlg() {
    if (IsWindow()) DestroyWindow();
    if (m_hAccel) ::DestroyAcceleratorTable(m_hAccel);
    for (auto& icon : m_categoryIcons) {
        if (icon.second) ::DestroyIcon(icon.second);
    }
}

BOOL COSLMainDlg::OnInitDialog() {
    m_comInit = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    AddAboutMenuItem();
    if (HICON icon = ::LoadIconW(base::CurrentResourceModule(), MAKEINTRESOURCEW(IDI_MAIN))) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    m_strModifiedPrompt = base::LoadResString(IDS_MODIFIED_PROMPT);
    SetWindowText(base::LoadResString(IDS_SETTINGS_WINDOW_CAPTION));
    m_strTitleFace = base::LoadResString(IDS_UI_FONT_FACE);
    try {
        CreateHelpButton();
        m_titleLabel.Attach(GetDlgItem(IDC_TITLE), ROLE_SYSTEM_STATICTEXT);
        PlaceWindow();
        PlaceControls();
        CreateTitleFont();
        FillButtonTable();
        FillTree();
        InitChangeMarks();
        AttachSearchBox();
        ComputeTabBookkeeping();
        SetTimer(kStartItemTimer, 1000);
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

void COSLMainDlg::AddAboutMenuItem() {
    CStringW text = base::LoadResString(IDS_ABOUT_MENU_ITEM);
    if (text.IsEmpty()) return;
    if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE)) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text);
    }
}

void COSLMainDlg::OnAbout() {
    CAboutDlg about;
    about.DoModal(m_hWnd);
}

BOOL COSLMainDlg::OnCommand(WPARAM wParam, LPARAM) {
    switch (LOWORD(wParam)) {
    case IDC_APPLY: Apply(); return TRUE;
    case IDC_OK: OnOkCommand(); return TRUE;
    case IDC_DEFAULTS: OnDefaults(); return TRUE;
    case IDC_LAUNCH: OnLaunch(); return TRUE;
    case IDC_HELP_BUTTON: OnHelp(); return TRUE;
    case IDC_SEARCH: OnSearchCommand(HIWORD(wParam)); return TRUE;
    default: return FALSE;
    }
}

LRESULT COSLMainDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) >= 16 && (wParam & 0xFFF0) <= 31) {
            OnAbout();
            return 0;
        }
        if ((wParam & 0xFFF0) == IDM_HIGHLIGHT_CHANGED) {
            SetMarkChanges(!m_bMarkChanges);
            return 0;
        }
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(::LoadIconW(base::CurrentResourceModule(), MAKEINTRESOURCEW(IDI_MAIN)));
    case WM_POWERBROADCAST:
        if (m_pPageView && m_pPageView->IsWindow()) m_pPageView->SendMessage(message, wParam, lParam);
        return 0;
    case WM_ACTIVATE:
        if (m_tree.IsWindow()) ::InvalidateRect(m_tree, nullptr, FALSE);
        break;
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(IDC_PAGE_SCROLLBAR)) {
            OnVScroll(LOWORD(wParam), HIWORD(wParam));
            return 0;
        }
        break;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->idFrom == IDC_TREE) return OnTreeNotify(reinterpret_cast<NMHDR*>(lParam));
        break;
    case WM_TIMER:
        // Every timer of the window fires once; the busy cases start it again.
        KillTimer(wParam);
        if (wParam == kStartItemTimer) SelectStartItem();
        if (wParam == kCloseAfterOkTimer) OnCloseAfterOkTimer();
        if (wParam == kSwitchPageTimer) OnSwitchPageTimer();
        if (wParam == kChangeMarksTimer) RefreshChangeMarks(true);
        if (wParam == kRevealSearchTimer) RevealSearchTarget(m_pCurrentEntry);
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
        return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        ostrel::OnSystemColoursChanged(m_hWnd, message, wParam, lParam);
        break;
    case WM_DESTROY:
        OnDestroyWindow();
        break;
    case kSettingsSavedMessage:
        OnSettingsSaved();
        return 0;
    case kSelectClassMessage: {
        auto* posted = reinterpret_cast<CStringW*>(lParam);
        std::unique_ptr<CStringW> classId(posted && TakePending(posted) ? posted : nullptr);
        // The current page is left through the selection change, so it may still ask about its changes.
        if (classId) {
            if (CRegisteredApplication* entry = FindPluginClass(*classId)) SelectEntryItem(entry);
        }
        return 0;
    }
    default:
        break;
    }
    return CWinDialog::WindowProc(message, wParam, lParam);
}

BOOL COSLMainDlg::PostSelectClass(HWND window, const CStringW& classId) {
    auto* copy = new (std::nothrow) CStringW(classId);
    if (!copy) return FALSE;
    AddPending(copy);
    if (!::PostMessageW(window, kSelectClassMessage, 0, reinterpret_cast<LPARAM>(copy))) {
        if (TakePending(copy)) delete copy;
        return FALSE;
    }
    return TRUE;
}

void COSLMainDlg::OnDestroyWindow() {
    // Escape in a page and the end of the thread come here without the closing steps; the page must
    // still outlive any apply that is inside it.
    EndLastWorker(5000);
    m_settingsWatch.Stop();
    DeletePageView();
    m_pScrollView.reset();
    m_helpButton.reset();
    if (m_titleLabel.m_hWnd) m_titleLabel.UnsubclassWindow();
    m_tree.UnsubclassWindow();
    m_searchBox.UnsubclassWindow();
}

void COSLMainDlg::PostNcDestroy() {
    if (SUCCEEDED(m_comInit)) ::CoUninitialize();
    m_comInit = E_FAIL;
}

void COSLMainDlg::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    // The children are clipped out and the two areas do not overlap, so every pixel is painted once
    // and nothing flickers; a buffer the size of the window cost more than both fills together.
    RECT bar = client;
    bar.top = client.bottom - (m_layout.ScaleY(41) + m_layout.ScaleY(1));
    RECT page = client;
    page.bottom = bar.top;
    ::FillRect(dc, &page, ostrel::PageBrush(static_cast<HBRUSH>(m_brWhite.get())));
    // The button bar keeps the dialog colour.
    ::FillRect(dc, &bar, ::GetSysColorBrush(COLOR_BTNFACE));
    ::EndPaint(m_hWnd, &ps);
}

LRESULT COSLMainDlg::OnCtlColor(HDC dc, HWND control) {
    HBRUSH brush = ostrel::PageCtlColor(dc, static_cast<HBRUSH>(m_brWhite.get()));
    ::SetBkMode(dc, TRANSPARENT);
    if (control && ::GetDlgCtrlID(control) == IDC_TITLE) ::SetTextColor(dc, ostrel::CurrentPalette().title);
    return reinterpret_cast<LRESULT>(brush);
}

bool COSLMainDlg::IsPluginPage(const CRegisteredApplication* entry) const {
    return entry && entry->GetEntryType() == ENTRY_PLUGIN_PAGE;
}
