#pragma once
// COSLStatusInfo: the status window. Three lists (by category) of the values the plug-ins' status
// items report, kept current by a refresh thread that waits on the items' events; a row jumps to the
// page or file where its value is set.
//
// The refresh thread gathers the statuses and fills the lists (list-view messages reach this window's
// thread by SendMessage), then waits on the items' events and the end event. Closing signals the end
// event and waits for the thread while answering its messages; a thread that is still inside a
// plug-in after that keeps the window open, so nothing it uses goes away under it.
#include <windows.h>
#include <gdiplus.h>

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "base/handles.h"
#include "info/status_list_ctrl.h"
#include "plugwerk/export.h"
#include "ui/win_dialog.h"

class CCatalogueOwner;
class CPluginRegisteredApplication;
class StatusItem;

class COSLStatusInfo : public CWinDialog {
public:
    static constexpr int kListCount = 3;
    static constexpr DWORD kEntryReadyWaitMs = 1000;
    static constexpr DWORD kRefreshSettleMs = 500;
    static constexpr DWORD kCloseWaitMs = 2000;
    static constexpr const wchar_t* kEndEventName = L"OSLStatusEndEvent";
    // Messages to status items.
    static constexpr UINT kGatherMessage = PWM_STATUS_INIT;
    static constexpr UINT kEventMessage = PWM_STATUS_SIGNALLED;
    static constexpr UINT kPowerMessage = PWM_STATUS_POWER;

    COSLStatusInfo();
    ~COSLStatusInfo() override;

    // Signals the refresh thread to end; destroys the window once it has ended.
    void CloseDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    CCatalogueOwner* m_pOwner = nullptr;
    // Shorter waits for tests; set before the window is created.
    DWORD m_dwCloseWaitMs = kCloseWaitMs;

    // For tests: the list that shows a category (0-2), null for others.
    HWND ListOfCategory(unsigned category) const;
    // The jump target of a display name; empty for none.
    CStringW TargetOf(const CStringW& name);
    CStringW SelectedTarget() const { return m_strSelectedTarget; }
    BOOL IsRefreshThreadRunning() const;
    // Set once the refresh thread has gathered and waits for events.
    HANDLE PreparedEvent() const noexcept { return m_hPrepared.get(); }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    struct GatheredStatus {
        StatusItem* item;
        CStringW name;
    };

    // Opening
    void SetUpImages();
    void SetUpTexts();
    void SetUpList(CStatusListCtrl& list, UINT id);
    void CreateFonts();
    // Refresh thread
    static DWORD WINAPI RefreshThread(void* parameter);
    void Prepare();
    void RaisePluginPriorities();
    void GatherPlugin(CPluginRegisteredApplication* entry);
    void GatherItem(CPluginRegisteredApplication* entry, StatusItem* item);
    bool BuildEventArray();
    void RefreshLoop();
    void OnItemEvent(size_t index);
    void UpdateRow(StatusItem* item);
    void InsertRow(unsigned category, const CStringW& name, StatusItem* item);
    void RememberTarget(const CStringW& name, const CStringW& target);
    // Window messages
    void OnBroadcast(UINT itemMessage);
    LRESULT OnListNotify(NMHDR* header);
    void OnRowSelected(HWND list, int row);
    void OnListDoubleClick(CStatusListCtrl& list);
    void Jump(const CStringW& target);
    void OnPaint();
    void OnDestroyWindow();
    CStatusListCtrl* ListOfWindow(HWND hwnd);
    static CStringW RowText(HWND list, int row);

    // The lists of categories 1, 2 and 0.
    CStatusListCtrl m_listCategory1;
    CStatusListCtrl m_listCategory2;
    CStatusListCtrl m_listCategory0;
    // Beside the lists of categories 0, 1 and 2.
    std::unique_ptr<Gdiplus::Bitmap> m_images[kListCount];
    HICON m_hIcon = nullptr;
    CStringW m_strSelectedTarget;
    std::vector<HANDLE> m_events;  // [0] the end event, then the items' events
    std::vector<size_t> m_eventStatus;  // which gathered status each event belongs to
    base::UniqueHandle m_hEndEvent;
    base::UniqueHandle m_hThread;
    base::UniqueHandle m_hPrepared;
    std::vector<GatheredStatus> m_statuses;
    // Read by this window's thread while the refresh thread still inserts.
    base::CriticalSection m_targetLock;
    std::map<CStringW, CStringW> m_targets;
    base::UniqueGdiObject m_captionFont;
    base::UniqueGdiObject m_labelFont;
    HIMAGELIST m_hImageList = nullptr;
    int m_nRowCounters[kListCount] = {};
    int m_nDpiX = 96;
    int m_nDpiY = 96;
};
