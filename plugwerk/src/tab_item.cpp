#include "plugwerk/tab_item.h"

#include "base/window.h"
#include "internal.h"

HWND CTabItem::m_hParentWnd = nullptr;

// The tab control draws its body in the dialog colour; pages read better on the window colour, which
// is white in the usual schemes and the user's own background in high contrast.
class CTabSheetWindow::Impl : public CWnd {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_ERASEBKGND) {
            RECT client;
            ::GetClientRect(m_hWnd, &client);
            ::FillRect(reinterpret_cast<HDC>(wParam), &client, ::GetSysColorBrush(COLOR_WINDOW));
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

CTabSheetWindow::CTabSheetWindow() : m_pImpl(new Impl) {}
CTabSheetWindow::~CTabSheetWindow() {
    // A tab control that outlives the process-wide instance gets its own procedure back instead of
    // being destroyed with it.
    m_pImpl->UnsubclassWindow();
    delete m_pImpl;
}

CTabSheetWindow& CTabSheetWindow::Instance() {
    static CTabSheetWindow instance;
    return instance;
}

BOOL CTabSheetWindow::SubclassWindow(HWND tab) {
    if (!tab || !::IsWindow(tab)) return FALSE;
    if (m_pImpl->GetSafeHwnd() == tab) return TRUE;
    m_pImpl->UnsubclassWindow();
    return m_pImpl->SubclassWindow(tab);
}

HWND CTabSheetWindow::UnsubclassWindow() { return m_pImpl->UnsubclassWindow(); }
HWND CTabSheetWindow::GetSafeHwnd() const { return m_pImpl->GetSafeHwnd(); }

CTabItem::CTabPage::~CTabPage() = default;

CTabItem::CTabItem(int name, int description, int controlID, unsigned settingID, SettingOption* option)
    : SettingItem(name, description, controlID, settingID, option), m_nActivePage(0), m_nPageCount(0), m_hTabCtrl(nullptr) {}

CTabItem::~CTabItem() {
    for (CTabPage* page : m_pages) delete page;
}

void CTabItem::InitType() {}
long CTabItem::OnInitItem() { return 0; }
VARIANT CTabItem::GetItem() {
    VARIANT v;
    memset(&v, 0, sizeof(v));
    return v;
}
void CTabItem::SetItem(const VARIANT&) {}

long CTabItem::DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        OnPageSelChange(static_cast<unsigned>(wParam), reinterpret_cast<NMHDR*>(lParam));
    } else if (message == PWM_INIT_ITEM) {
        m_hParentWnd = reinterpret_cast<HWND>(lParam);
        if (m_hParentWnd) {
            m_hTabCtrl = ::GetDlgItem(m_hParentWnd, static_cast<int>(GetControlID()));
            if (m_hTabCtrl) {
                LONG style = ::GetWindowLongW(m_hTabCtrl, GWL_STYLE);
                ::SetWindowLongW(m_hTabCtrl, GWL_STYLE, style & ~WS_HSCROLL);
                CTabSheetWindow::Instance().SubclassWindow(m_hTabCtrl);
            }
        }
    }
    return 0;
}

void CTabItem::AddPage(CStringW title) {
    CTabPage* page = new CTabPage;
    page->m_strTitle = title;
    m_pages.push_back(page);
    m_nPageCount = static_cast<int>(m_pages.size());
}

void CTabItem::RemovePage(unsigned index) {
    if (index < m_pages.size()) {
        // Its items would otherwise stay on screen over whichever tab comes next.
        if (m_hParentWnd) {
            for (SettingItem* item : m_pages[index]->m_items) {
                HWND control = ::GetDlgItem(m_hParentWnd, static_cast<int>(item->GetControlID()));
                ::ShowWindow(control, SW_HIDE);
                ::EnableWindow(control, FALSE);
            }
        }
        delete m_pages[index];
        m_pages.erase(m_pages.begin() + index);
        m_nPageCount = static_cast<int>(m_pages.size());
    }
    ShowTab();
}

void CTabItem::InsertItem(unsigned pageIndex, SettingItem* item) {
    if (!item || pageIndex >= m_pages.size()) return;
    m_pages[pageIndex]->m_items.push_back(item);
    m_pages[pageIndex]->m_nItemCount = static_cast<int>(m_pages[pageIndex]->m_items.size());
}

void CTabItem::RemoveItem(unsigned pageIndex, unsigned itemIndex) {
    if (pageIndex >= m_pages.size()) return;
    CTabPage* page = m_pages[pageIndex];
    if (itemIndex >= page->m_items.size()) return;
    page->m_items.erase(page->m_items.begin() + itemIndex);
    page->m_nItemCount = static_cast<int>(page->m_items.size());
}

void CTabItem::SetActivePage(unsigned index) {
    if (index < m_pages.size()) m_nActivePage = index;
    ShowTab();
}

unsigned CTabItem::GetActivePage() { return m_nActivePage; }
int CTabItem::GetPageCount() { return m_nPageCount; }

void CTabItem::InitTab() {
    int dpiX = 96, dpiY = 96;
    plugwerk::ScreenDpi(dpiX, dpiY);
    int width = ::MulDiv(240, dpiX, 96);
    int height = ::MulDiv(20, dpiY, 96);
    SendMsg(0, TCM_SETITEMSIZE, 0, MAKELPARAM(width, height));
    for (size_t i = m_pages.size(); i-- > 0;) {
        TCITEMW tab = {};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<wchar_t*>(m_pages[i]->m_strTitle.GetString());
        SendMsg(0, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tab));
    }
}

void CTabItem::ShowTab() {
    if (!m_hParentWnd) return;
    auto show = [](HWND control, bool visible) {
        ::ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
        ::EnableWindow(control, visible ? TRUE : FALSE);
    };
    for (CTabPage* page : m_pages) {
        for (SettingItem* item : page->m_items) show(::GetDlgItem(m_hParentWnd, static_cast<int>(item->GetControlID())), false);
    }
    SendMsg(0, TCM_SETCURSEL, m_nActivePage, 0);
    // After removing the last page the active index may point past the list: then nothing is shown.
    if (m_nActivePage >= m_pages.size()) return;
    for (SettingItem* item : m_pages[m_nActivePage]->m_items) {
        show(::GetDlgItem(m_hParentWnd, static_cast<int>(item->GetControlID())), true);
    }
}

long CTabItem::OnPageSelChange(unsigned controlID, NMHDR* header) {
    if (!header) return PW_NOT_POSSIBLE;
    if (header->code == static_cast<UINT>(TCN_SELCHANGE) && header->idFrom == GetControlID()) {
        LRESULT selected = ::SendMessageW(::GetDlgItem(m_hParentWnd, static_cast<int>(controlID)), TCM_GETCURSEL, 0, 0);
        if (selected >= 0 && static_cast<size_t>(selected) < m_pages.size()) m_nActivePage = static_cast<unsigned>(selected);
        ShowTab();
    }
    return 0;
}
