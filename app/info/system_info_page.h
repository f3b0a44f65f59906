#pragma once
// COSLSystemInfo: the system-information page view. It shows the facts its catalogue entry
// gathered in two lists of label and value rows.
//
// The host creates it with Create(scroll view) and then places it like any page view. On
// initialisation the labels are shown at once and a worker thread waits for the entry's ready
// event, then writes the values into the lists. While that worker runs, QueryClose answers 8 and
// the host keeps the page. Any timer fired on the page (killed first) fills the values again on a
// new worker. The worker is stopped and joined when the window is destroyed or the object is
// deleted, whichever comes first, so it never writes to a list that has gone. The entry is not
// owned and must outlive the page (the catalogue does).
#include <windows.h>
#include <commctrl.h>

#include "base/handles.h"
#include "ui/tab_dialog.h"

class CSysInfoRegisteredApplication;

namespace ostrel {
// Column widths of the label and value columns for a list client width.
struct SysInfoColumns {
    int label;
    int value;
};
SysInfoColumns SysInfoColumnWidths(int clientWidth);
}  // namespace ostrel

class COSLSystemInfo : public CTabDialog {
public:
    static constexpr DWORD kReadyWaitMs = 12000;
    static constexpr DWORD kWorkerStopWaitMs = 2000;

    COSLSystemInfo(CSysInfoRegisteredApplication* entry, IPageHost* host);
    ~COSLSystemInfo() override;

    // The page window, a child of parent (the host's scroll view) at its top-left corner.
    BOOL Create(HWND parent);
    // 8 (keep the page) while the worker fills the lists, else 0.
    int QueryClose(int finalFlag) override;
    // Moves the page up inside the scroll view, no further than its own bottom edge.
    BOOL ScrollTo(int position) override;
    // The height the page's frames take at the screen's resolution; known once created.
    int ContentHeight() const noexcept override { return m_nContentHeight; }
    BOOL IsWorkerRunning() const;
    // The current worker's thread, null when none was started; for tests.
    HANDLE WorkerThread() const noexcept { return m_hWorker.get(); }

    // How long the worker waits for the entry's ready event; set before Create. Tests shorten it.
    void SetReadyWait(DWORD milliseconds) noexcept { readyWaitMs_ = milliseconds; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void PlaceControls();
    void SetUpList(HWND list, const UINT* labels, int count, const ostrel::SysInfoColumns& columns);
    void OnTimer(UINT_PTR id);
    void DeselectAll(HWND list);
    void OnGetInfoTip(NMLVGETINFOTIPW* tip);
    void StartWorker();
    // Asks the worker to stop and waits for it (bounded), handling what it sends meanwhile.
    void StopWorker();
    void Fill();
    // A value for one row, from the worker; FALSE once the page is going away.
    bool SetValue(HWND list, int row, const CStringW& text);
    static DWORD WINAPI WorkerEntry(void* parameter);

    CSysInfoRegisteredApplication* m_pEntry;
    HWND m_hUpperList = nullptr;
    HWND m_hLowerList = nullptr;
    base::UniqueGdiObject m_whiteBrush;
    base::UniqueHandle m_hStop;
    base::UniqueHandle m_hWorker;
    DWORD readyWaitMs_ = kReadyWaitMs;
    int m_nContentHeight = 0;
};
