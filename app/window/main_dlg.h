#pragma once
// COSLMainDlg: the settings window. The category tree on the left lists the catalogue; on the right
// the selected entry's name, description and page (a plug-in page, the system-information page, or
// nothing for plain applications); a button bar at the bottom. It runs on its own window thread and
// remembers its position and last entry in the settings service.
#include <map>
#include <memory>
#include <vector>

#include "base/handles.h"
#include "ui/accessible_label.h"
#include "ui/page_host.h"
#include "ui/win_dialog.h"
#include "window/help_button.h"
#include "window/main_layout.h"
#include "window/new_tree_ctrl.h"
#include "window/progress_ctrl.h"

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
    // lParam: a CStringW* class id made with new, which the window deletes.
    static constexpr UINT kSelectClassMessage = WM_APP + 0x121;
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
    // IPageHost
    HWND HostWindow() override { return m_hWnd; }
    void FocusHostTabStop(bool last) override;
    BOOL HostOwnsMnemonic(UINT virtualKey) override;
    BOOL IsApplyWorkerRunning() override;
    void EnableApplyButton() override;
    void ApplyPage() override { Apply(); }

    // IApplyProgressOwner (IsApplyWorkerRunning is shared with IPageHost)
    HWND OwnerWindow() override { return m_hWnd; }
    BOOL IsApplying() override { return m_bApplying; }
    BOOL IsPageWaitingUI() override;
    void TerminateApplyWorker(DWORD graceMs) override;

    void Apply();

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
    void InsertCategories(const int counts[15]);
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
    void PlacePageForDescription(const CStringW& description);
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

    // The members in the order the window knows them.
    CNewTreeCtrl m_tree;
    std::map<CStringW, HICON> m_categoryIcons;
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
};
