#pragma once
// A tab control that groups a page's other items on tab pages.
//
// Order of calls: the plug-in creates the CTabItem, adds its tab pages (AddPage) and inserts the items
// of each (InsertItem; every such item is also registered with the page, RegisterItem, so it gets the
// page's messages), and registers the tab item. On page initialisation the tab item binds the tab
// control; the plug-in then calls InitTab and ShowTab (for example from its page's DefWindowProcW on
// WM_INITDIALOG, which runs after the items). Tab selection arrives as WM_NOTIFY.
// Ownership: the tab item owns its CTabPage objects; the items on them belong to the page.
#include "plugwerk/item.h"

#include <commctrl.h>

class PLUGWERK_API CTabItem : public SettingItem {
public:
    class PLUGWERK_API CTabPage {
    public:
        CTabPage() = default;
        virtual ~CTabPage();
        int m_nItemCount = 0;
        CStringW m_strTitle;
        std::vector<SettingItem*> m_items;
    };

    CTabItem(int name, int description, int controlID, unsigned settingID, SettingOption* option);
    ~CTabItem() override;
    void InitType() override;
    long OnInitItem() override;
    VARIANT GetItem() override;
    void SetItem(const VARIANT& value) override;
    long DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam) override;

    void AddPage(CStringW title);
    // Hides the tab page's items and deletes the tab page object (not its items); redraws in every case.
    void RemovePage(unsigned index);
    // Out-of-range page indexes and null items are ignored.
    void InsertItem(unsigned pageIndex, SettingItem* item);
    void RemoveItem(unsigned pageIndex, unsigned itemIndex);
    void SetActivePage(unsigned index);
    unsigned GetActivePage();
    void InitTab();
    void ShowTab();
    int GetPageCount();

    // The page window of the tab item initialised last; shared by every tab item of the process.
    static HWND m_hParentWnd;

protected:
    long OnPageSelChange(unsigned controlID, NMHDR* header);

    unsigned m_nActivePage;
    int m_nPageCount;
    HWND m_hTabCtrl;
    std::vector<CTabPage*> m_pages;
};

// Paints the subclassed tab control's background white. One instance serves the process; subclassing
// another tab control releases the previous one.
class PLUGWERK_API CTabSheetWindow {
public:
    static CTabSheetWindow& Instance();
    BOOL SubclassWindow(HWND tab);
    HWND UnsubclassWindow();
    HWND GetSafeHwnd() const;

private:
    CTabSheetWindow();
    ~CTabSheetWindow();
    CTabSheetWindow(const CTabSheetWindow&) = delete;
    CTabSheetWindow& operator=(const CTabSheetWindow&) = delete;
    class Impl;
    Impl* m_pImpl;
};
