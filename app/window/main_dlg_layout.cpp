// The settings window's placement on the screen and of its controls.
#include <windows.h>
#include <commctrl.h>

#include "base/resource_module.h"
#include "catalogue/registered_application.h"
#include "common/setting_services.h"
#include "plugwerk/plugin_class.h"
#include "resource.h"
#include "ui/tab_dialog.h"
#include "window/main_dlg.h"
#include "window/scroll_view.h"

namespace {
bool IsPlacedAt(HWND window, const RECT& r) {
    RECT now;
    if (!::GetWindowRect(window, &now)) return false;
    ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&now), 2);
    return ::EqualRect(&now, &r) != FALSE;
}

// Moving a window to where it is still costs a round of position messages; a page switch would pay
// it for every bottom button and the page's frame.
// True when it moved the window.
bool MoveUnlessPlaced(HWND window, const RECT& r, UINT flags) {
    if (!window || IsPlacedAt(window, r)) return false;
    ::SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
    return true;
}

void PlaceControl(HWND dialog, int id, const RECT& r) {
    if (HWND control = ::GetDlgItem(dialog, id)) {
        ::SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// A stored integer, or FALSE when the service does not hold one.
BOOL ReadStoredInt(ISettory* settory, const wchar_t* classId, int settingId, int* value) {
    wchar_t buffer[256] = {};
    if (settory->GetCurrentValueEx(classId, settingId, buffer) != S_OK) return FALSE;
    buffer[255] = 0;
    wchar_t* end = nullptr;
    long number = wcstol(buffer, &end, 10);
    if (end == buffer) return FALSE;
    *value = static_cast<int>(number);
    return TRUE;
}
}  // namespace

void COSLMainDlg::ReadFrameMetrics(ostrel::FrameMetrics* frame) {
    WINDOWINFO info = {};
    info.cbSize = sizeof(info);
    if (::GetWindowInfo(m_hWnd, &info)) {
        frame->borderWidth = static_cast<int>(info.cxWindowBorders);
        frame->borderHeight = static_cast<int>(info.cyWindowBorders);
    }
    TITLEBARINFO title = {};
    title.cbSize = sizeof(title);
    if (::GetTitleBarInfo(m_hWnd, &title)) frame->titleBarHeight = title.rcTitleBar.bottom - title.rcTitleBar.top;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &frame->workArea, 0);
    frame->virtualWidth = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
    frame->virtualHeight = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    frame->screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
}

BOOL COSLMainDlg::ReadSavedPosition(int* x, int* y) {
    CSettingServices* services = GetSettingServices();
    if (!services || !services->Settory()) return FALSE;
    return ReadStoredInt(services->Settory(), kPositionClass, 1, x) &&
           ReadStoredInt(services->Settory(), kPositionClass, 2, y);
}

void COSLMainDlg::PlaceWindow() {
    ostrel::FrameMetrics frame;
    ReadFrameMetrics(&frame);
    int x = 0, y = 0;
    BOOL saved = ReadSavedPosition(&x, &y);
    bool centre = true;
    RECT r = ostrel::ComputeWindowRect(m_layout, frame, saved != FALSE, x, y, &centre);
    if (!centre) {
        ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        return;
    }
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    // Centred on the work area: the window has no owner.
    RECT now;
    ::GetWindowRect(m_hWnd, &now);
    int width = now.right - now.left, height = now.bottom - now.top;
    const RECT& work = frame.workArea;
    int left = work.left + ((work.right - work.left) - width) / 2;
    int top = work.top + ((work.bottom - work.top) - height) / 2;
    if (top < work.top) top = work.top;
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void COSLMainDlg::PlaceControls() {
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    m_rects = ostrel::ComputeControlRects(m_layout, client);
    m_rcPageShown = m_rects.page;
    PlaceControl(m_hWnd, IDC_SEARCH, m_rects.search);
    PlaceControl(m_hWnd, IDC_TREE, m_rects.tree);
    PlaceControl(m_hWnd, IDC_SEARCH_NO_RESULTS, m_rects.noResults);
    PlaceControl(m_hWnd, IDC_RIGHT_PANEL, m_rects.panel);
    PlaceControl(m_hWnd, IDC_TITLE, m_rects.title);
    PlaceControl(m_hWnd, IDC_DESCRIPTION, m_rects.description);
    PlaceControl(m_hWnd, IDC_PAGE_FRAME, m_rects.page);
    m_pScrollView.reset(new COSLScrollView(m_hWnd));
    if (m_pScrollView->IsWindow()) {
        const RECT& p = m_rects.page;
        ::SetWindowPos(*m_pScrollView, HWND_TOP, p.left, p.top, p.right - p.left, p.bottom - p.top, SWP_NOACTIVATE);
        ::ShowWindow(*m_pScrollView, SW_SHOW);
    }
    if (m_layout.compact) {
        PlaceControl(m_hWnd, IDC_PAGE_SCROLLBAR, m_rects.scrollBar);
        UpdateScrollBar(false);
    }
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void COSLMainDlg::CreateTitleFont() {
    LOGFONTW font = {};
    font.lfHeight = -::MulDiv(10, m_layout.dpiY, 72);
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, m_strTitleFace, 32);
    m_titleFont.reset(::CreateFontIndirectW(&font));
}

void COSLMainDlg::FillButtonTable() {
    static const struct {
        int id;
        UINT caption;
    } table[] = {{IDC_LAUNCH, IDS_BUTTON_LAUNCH},
                 {IDC_DEFAULTS, IDS_BUTTON_DEFAULTS},
                 {IDC_APPLY, IDS_BUTTON_APPLY},
                 {IDCANCEL, IDS_BUTTON_CANCEL},
                 {IDC_OK, IDS_BUTTON_OK}};
    int width = m_layout.ScaleX(_wtoi(base::LoadResString(IDS_BUTTON_WIDTH)));
    wchar_t language[85];
    ostrel::FirstPreferredUILanguage(language, 85);
    m_buttons.clear();
    for (size_t n = 0; n < 5; ++n) {
        ButtonRecord record{table[n].id, base::LoadResString(table[n].caption), width, false};
        // The Russian caption of Launch needs more room.
        if (n == 0 && !wcscmp(language, L"ru-RU")) record.width = m_layout.ScaleX(120);
        ::SetDlgItemTextW(m_hWnd, record.id, record.caption);
        ::ShowWindow(GetDlgItem(record.id), SW_HIDE);
        m_buttons.push_back(record);
    }
}

void COSLMainDlg::UpdateButtons(CRegisteredApplication* entry) {
    for (ButtonRecord& b : m_buttons) b.visible = b.id == IDC_OK;
    auto show = [this](int id, bool visible) {
        for (ButtonRecord& b : m_buttons) {
            if (b.id == id) b.visible = visible;
        }
    };
    if (PluginClass* plugin = IsPluginPage(entry) ? CurrentPluginOf(entry) : nullptr) {
        try {
            show(IDC_DEFAULTS, !plugin->IsDefault());
            bool canSet = plugin->IsCanSet() != 0;
            show(IDCANCEL, canSet);
            show(IDC_APPLY, canSet);
        } catch (...) {
        }
    }
    if (entry && !entry->m_strAppPath.IsEmpty()) show(IDC_LAUNCH, true);

    if (m_helpButton && m_helpButton->IsWindow()) {
        const RECT& h = m_rects.help;
        if (::GetWindow(m_hWnd, GW_CHILD) != *m_helpButton || !IsPlacedAt(*m_helpButton, h)) {
            ::SetWindowPos(*m_helpButton, HWND_TOP, h.left, h.top, h.right - h.left, h.bottom - h.top, SWP_NOACTIVATE);
        }
        m_helpButton->ShowWindow(entry && !entry->m_strHelpPath.IsEmpty() ? SW_SHOW : SW_HIDE);
    }

    RECT client;
    ::GetClientRect(m_hWnd, &client);
    std::vector<ostrel::ButtonSlot> slots;
    for (const ButtonRecord& b : m_buttons) slots.push_back({b.visible, b.width, {}});
    ostrel::PlaceButtons(m_layout, client, slots);
    for (size_t n = 0; n < m_buttons.size(); ++n) {
        HWND button = GetDlgItem(m_buttons[n].id);
        if (!button) continue;
        if (slots[n].visible) MoveUnlessPlaced(button, slots[n].rect, SWP_NOZORDER);
        ::ShowWindow(button, slots[n].visible ? SW_SHOW : SW_HIDE);
    }
}

bool COSLMainDlg::PlacePageForDescription(const CStringW& description) {
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    SIZE text = {};
    if (!::GetTextExtentPoint32W(dc, description, description.GetLength(), &text) || description.IsEmpty()) {
        ::GetTextExtentPoint32W(dc, L"Ag", 2, &text);
        text.cx = 0;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    int shift = ostrel::DescriptionShift(text.cx, m_rects.page.right - m_rects.page.left, text.cy);
    m_rcPageShown = m_rects.page;
    m_rcPageShown.top += shift;
    if (m_rcPageShown.top < m_rects.description.top) m_rcPageShown.top = m_rects.description.top;
    // Most pages take the room the page before them took.
    bool moved = MoveUnlessPlaced(GetDlgItem(IDC_PAGE_FRAME), m_rcPageShown, SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_pScrollView && m_pScrollView->IsWindow()) {
        moved = MoveUnlessPlaced(*m_pScrollView, m_rcPageShown, SWP_NOZORDER | SWP_NOACTIVATE) || moved;
    }
    return moved;
}

void COSLMainDlg::UpdateScrollBar(bool show) {
    HWND bar = GetDlgItem(IDC_PAGE_SCROLLBAR);
    if (!bar) return;
    if (!show || !m_layout.compact) {
        ::ShowWindow(bar, SW_HIDE);
        return;
    }
    m_scrollInfo.cbSize = sizeof(m_scrollInfo);
    m_scrollInfo.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    m_scrollInfo.nMin = 0;
    m_scrollInfo.nMax = (m_rects.fullPage.bottom - m_rects.fullPage.top) + 20;
    m_scrollInfo.nPage = static_cast<UINT>(m_rcPageShown.bottom - m_rcPageShown.top);
    m_scrollInfo.nPos = 0;
    ::SetScrollInfo(bar, SB_CTL, &m_scrollInfo, TRUE);
    ::ShowWindow(bar, SW_SHOW);
}

void COSLMainDlg::OnVScroll(int code, int track) {
    HWND bar = GetDlgItem(IDC_PAGE_SCROLLBAR);
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (!::GetScrollInfo(bar, SB_CTL, &info)) return;
    int full = m_rects.fullPage.bottom - m_rects.fullPage.top;
    info.fMask = SIF_POS;
    info.nPos = ostrel::NextScrollPosition(code, info.nPos, code == SB_THUMBTRACK ? info.nTrackPos : track,
                                           info.nMin, info.nMax, full);
    ::SetScrollInfo(bar, SB_CTL, &info, TRUE);
    info.fMask = SIF_POS;
    ::GetScrollInfo(bar, SB_CTL, &info);
    m_scrollInfo.nPos = info.nPos;
    if (m_pPageView) m_pPageView->ScrollTo(info.nPos);
}

void COSLMainDlg::CreateHelpButton() {
    HWND control = GetDlgItem(IDC_HELP_BUTTON);
    if (!control) return;
    auto button = std::make_unique<CHelpButton>();
    if (!button->Attach(control)) return;
    // The round image sits on the window's own white; a sample keeps it right if the theme differs.
    COLORREF background = RGB(255, 255, 255);
    if (HDC dc = ::GetDC(m_hWnd)) {
        COLORREF sampled = ::GetPixel(dc, 300, 300);
        if (sampled != CLR_INVALID) background = sampled;
        ::ReleaseDC(m_hWnd, dc);
    }
    button->SetBackgroundColor(background);
    button->ShowWindow(SW_HIDE);
    m_helpButton = std::move(button);
}
