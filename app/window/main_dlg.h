#pragma once
// COSLMainDlg: the settings window. The category tree on the left lists the catalogue; on the right
// the selected entry's name, description and page (a plug-in page, the system-information page, or
// nothing for plain applications); a button bar at the bottom. It runs on its own window thread and
// remembers its position and last entry in the settings service.
#include <map>
#include <memory>
#include <vector>

#include "base/handles.h"
#include "catalogue/search_index.h"
#include "ui/accessible_label.h"
#include "ui/page_host.h"
#include "ui/win_dialog.h"
#include "window/change_marks.h"
#include "window/help_button.h"
#include "window/main_layout.h"
#include "window/new_tree_ctrl.h"
#include "window/progress_ctrl.h"
#include "window/search_box.h"
#include "window/search_mark.h"
#include "window/settings_file_watch.h"

class CCatalogueOwner;
class CRegisteredApplication;
class CTabDialog;
class COSLScrollView;
class PluginClass;

// A critical section that may be derived from (pages serialise apply and close on it).
class CMDialogCriticalSection : public base::CriticalSection {
public:
    virtual ~CMDialogCriticalSection() = default;
};

class COSLMainDlg : public CWinDialog, public ITreeHost, public IPageHost, public IApplyProgressOwner {
public:
    static constexpr UINT_PTR kStartItemTimer = 1;
    static constexpr UINT_PTR kCloseAfterOkTimer = 3;
    static constexpr UINT_PTR kSwitchPageTimer = 4;
    // Settles a burst of settings saves into one look at every page's marks.
    static constexpr UINT_PTR kChangeMarksTimer = 5;
    static constexpr UINT_PTR kRevealSearchTimer = 6;
    static constexpr UINT kRevealSearchDelayMs = 150;
    // lParam: a CStringW* class id made with new, which the window deletes.
    static constexpr UINT kSelectClassMessage = WM_APP + 0x121;
    // Current settings were saved by some process.
    static constexpr UINT kSettingsSavedMessage = WM_APP + 0x122;
    // The settings service keeps the window's own state as two classes.
    static constexpr const wchar_t* kLastEntryClass = L"B9813D78-2059-47a1-BD75-F15BE02A7325";
    static constexpr const wchar_t* kPositionClass = L"DBA2EC7C-6E0D-4b1e-826B-D11656782B77";

    struct ButtonRecord {
        int id;
        CStringW caption;
        int width;
        bool visible;
    };

    COSLMainDlg();
    ~COSLMainDlg() override;

    // The first plug-in page whose class id equals this one (ignoring case) becomes the current
    // entry; FALSE when there is none.
    BOOL SelectPluginClass(const wchar_t* classId);
    // Has the window, from any thread, select the page of classId and show it.
    static BOOL PostSelectClass(HWND window, const CStringW& classId);
    // Selects the current entry's tree item (or the system-information item) and so shows its page.
    void SelectStartItem();
    void CloseDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    // ITreeHost
    BOOL GetItemLabel(HTREEITEM item, CStringW* label) override;
    HICON GetCategoryIcon(const CStringW& categoryName) override;
    HICON GetEntrySmallIcon(const CStringW& entryName) override;
    BOOL IsItemMarked(HTREEITEM item) override;
    // IPageHost
    HWND HostWindow() override { return m_hWnd; }
    void FocusHostTabStop(bool last) override;
    BOOL HostOwnsMnemonic(UINT virtualKey) override;
    BOOL IsApplyWorkerRunning() override;
    void EnableApplyButton() override;
    void ApplyPage() override { Apply(); }
    bool MarksChangedSettings() override { return m_bMarkChanges; }
    void PageMarksPainted(int changedItems) override;

    // IApplyProgressOwner (IsApplyWorkerRunning is shared with IPageHost)
    HWND OwnerWindow() override { return m_hWnd; }
    BOOL IsApplying() override { return m_bApplying; }
    BOOL IsPageWaitingUI() override;
    void TerminateApplyWorker(DWORD graceMs) override;

    void Apply();
    // Turns the marks of settings that differ from their defaults on or off, and remembers that.
    void SetMarkChanges(bool on);
    bool MarksChanges() const noexcept { return m_bMarkChanges; }
    bool IsEntryMarked(CRegisteredApplication* entry) const { return m_changedPages.IsMarked(entry); }

    // For the window thread (before creation) and for tests.
    CCatalogueOwner* m_pOwner = nullptr;
    CStringW m_strStartClassId;
    // How long an apply may take before its worker is ended; tests shorten it.
    UINT m_nApplyLimitMs = COSLProgressCtrl::kLimitMs;
    CRegisteredApplication* CurrentEntry() const noexcept { return m_pCurrentEntry; }
    CTabDialog* PageView() const noexcept { return m_pPageView; }
    const ostrel::LayoutMetrics& Layout() const noexcept { return m_layout; }
    const ostrel::ControlRects& Rects() const noexcept { return m_rects; }
    const std::vector<ButtonRecord>& Buttons() const noexcept { return m_buttons; }
    HTREEITEM SystemInfoItem() const noexcept { return m_hSystemInfoItem; }
    CNewTreeCtrl& Tree() noexcept { return m_tree; }
    // The page's top moved by the description's height.
    const RECT& PageRect() const noexcept { return m_rcPageShown; }
    CSearchBox& SearchBox() noexcept { return m_searchBox; }
    // True while the tree shows the entries a search found rather than the whole catalogue.
    bool IsSearching() const noexcept { return m_bSearching; }
    const CSearchMark& SearchMark() const noexcept { return m_searchMark; }
    // Builds what the search box looks through, when it was not built yet; returns the entries in it.
    size_t PrepareSearch();

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    // Opening and layout
    void AddAboutMenuItem();
    void CreateHelpButton();
    void OnDestroyWindow();
    void PlaceWindow();
    void ReadFrameMetrics(ostrel::FrameMetrics* frame);
    BOOL ReadSavedPosition(int* x, int* y);
    void PlaceControls();
    void FillButtonTable();
    void CreateTitleFont();
    // The tree and the start entry
    void FillTree();
    // The whole catalogue into the empty tree: every listed entry under its category.
    void PopulateTree();
    // Inserts the categories that have entries; items receives each one's row.
    void InsertCategories(const int counts[15], HTREEITEM items[15]);
    HTREEITEM InsertCategoryItem(UINT category);
    HTREEITEM InsertEntryItem(CRegisteredApplication* entry, HTREEITEM category, HTREEITEM after);
    static CStringW CategoryName(UINT category);
    CRegisteredApplication* ChooseStartEntry();
    CRegisteredApplication* EntryOfItem(HTREEITEM item);
    void RaiseStartPriorities(CRegisteredApplication* start);
    HTREEITEM CategoryItem(UINT category);
    CRegisteredApplication* FindPluginClass(const wchar_t* classId);
    // Selects entry's tree item (the system-information item when it has none); the selection
    // change then leaves the current page and shows the entry's.
    void SelectEntryItem(CRegisteredApplication* entry);
    // Pages
    LRESULT OnTreeNotify(NMHDR* header);
    void OnSelectionChanged(HTREEITEM item);
    void OnSwitchPageTimer();
    void ShowPage(CRegisteredApplication* entry);
    void DeletePageView();
    // True when the page frame or the scroll view moved.
    bool PlacePageForDescription(const CStringW& description);
    // Repaints what a page switch changed; when the page moved, everything but the tree, the search box
    // and the buttons.
    void RedrawSwitchedPage(bool placeChanged);
    void UpdateButtons(CRegisteredApplication* entry);
    void UpdateScrollBar(bool show);
    void OnVScroll(int code, int track);
    // Commands
    void OnOkCommand();
    void OnCloseAfterOkTimer();
    void OnDefaults();
    void OnLaunch();
    void OnHelp();
    void OnAbout();
    // Apply worker
    static DWORD WINAPI ApplyWorker(void* parameter);
    bool WaitApplyStep(DWORD ms);
    bool LastWorkerRunning();
    void EndLastWorker(DWORD waitMs);
    // Saving state at closing
    void SaveState();
    // Marks of settings that differ from their defaults
    void InitChangeMarks();
    void ShowMarkChanges(bool on);
    void OnSettingsSaved();
    // Asks again about every listed page; reload first when another process may have saved.
    void RefreshChangeMarks(bool reload);
    // Painting
    void OnPaint();
    LRESULT OnCtlColor(HDC dc, HWND control);
    // Keyboard
    void ComputeTabBookkeeping();
    BOOL TranslateMnemonic(MSG* msg);
    BOOL TranslateKeys(MSG* msg);
    void ScrollFocusIntoView();
    bool PageContains(HWND hwnd);
    bool IsPluginPage(const CRegisteredApplication* entry) const;
    PluginClass* CurrentPlugin() const { return CurrentPluginOf(m_pCurrentEntry); }
    static PluginClass* CurrentPluginOf(CRegisteredApplication* entry);
    // Search (main_dlg_search.cpp)
    void AttachSearchBox();
    void OnSearchCommand(int notifyCode);
    void ApplySearch(const CStringW& query);
    void ShowSearchResults();
    void EndSearch();
    void RebuildTree(bool whole);
    void SaveTreeState();
    void RestoreTreeState();
    HTREEITEM ItemOfEntry(CRegisteredApplication* entry);
    int CategoryOfItem(HTREEITEM item);
    BOOL TranslateSearchKey(MSG* msg);
    void MoveIntoResults();
    void ChooseResult(HTREEITEM item);
    // TRUE when the search took the tree's notification (a rebuild, or the shown entry chosen again).
    BOOL OnSearchSelection(const NMTREEVIEWW* change);
    const ostrel::SearchHit* HitOf(CRegisteredApplication* entry) const;
    // After a result's page is shown: its control comes into view with a mark, and takes the
    // focus when the result was chosen rather than passed over.
    void RevealSearchTarget(CRegisteredApplication* entry);
    void ScheduleSearchReveal();
    void ScrollPageToShow(const RECT& pageRect);

    // The members in the order the window knows them.
    CNewTreeCtrl m_tree;
    std::map<CStringW, HICON> m_categoryIcons;
    // Each entry's small icon by its name, for the rows the tree paints; the entries own the icons.
    // Made again when the catalogue's count changes.
    std::map<CStringW, HICON> m_entryIcons;
    size_t m_nEntryIconsOf = 0;
    int m_nCategoryCounts[15] = {};
    HTREEITEM m_hSystemInfoItem = nullptr;
    CStringW m_strTitleFace;
    base::UniqueGdiObject m_titleFont;
    CTabDialog* m_pPageView = nullptr;
    ostrel::ControlRects m_rects = {};
    RECT m_rcPageShown = {};
    int m_nFirstTabId = 0;
    int m_nLastTabId = 0;
    HWND m_hFirstTab = nullptr;
    HWND m_hLastTab = nullptr;
    CStringW m_strModifiedPrompt;
    base::UniqueHandle m_hApplyThread;
    // The worker of the last apply, kept until it has left the page even when Apply forgot it.
    base::UniqueHandle m_hLastWorker;
    base::UniqueGdiObject m_brWhite;
    SCROLLINFO m_scrollInfo = {};
    std::unique_ptr<COSLScrollView> m_pScrollView;
    std::unique_ptr<CHelpButton> m_helpButton;
    // The page title, as screen readers read it.
    CAccessibleLabel m_titleLabel;
    volatile BOOL m_bApplying = FALSE;
    struct HelpWindow {
        HWND window;
        CRegisteredApplication* entry;
    };
    std::vector<HelpWindow> m_helpWindows;
    CRegisteredApplication* m_pCurrentEntry = nullptr;
    std::vector<ButtonRecord> m_buttons;
    CMDialogCriticalSection m_pageLock;
    ostrel::LayoutMetrics m_layout;
    HACCEL m_hAccel = nullptr;
    base::CriticalSection m_okLock;
    HRESULT m_comInit = E_FAIL;
    BOOL m_bClosing = FALSE;
    bool m_bMarkChanges = false;
    CChangedPages m_changedPages;
    CSettingsFileWatch m_settingsWatch;
    // Search
    CSearchBox m_searchBox;
    std::unique_ptr<ostrel::CSearchIndex> m_searchIndex;
    std::vector<ostrel::SearchHit> m_searchHits;
    bool m_bSearching = false;
    bool m_bRebuildingTree = false;
    bool m_bBrowsingResults = false;
    bool m_bFocusSearchTarget = false;
    struct TreeState {
        CRegisteredApplication* selectedEntry = nullptr;
        int selectedCategory = -1;
        std::vector<int> expandedCategories;
        CRegisteredApplication* current = nullptr;
    } m_treeBeforeSearch;
    CSearchMark m_searchMark;
};
