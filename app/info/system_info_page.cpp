#include "info/system_info_page.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "base/resource_module.h"
#include "base/wait.h"
#include "info/sys_info_registered_application.h"
#include "resource.h"
#include "ui/high_contrast.h"
#include "ui/screen_dpi.h"

namespace ostrel {

SysInfoColumns SysInfoColumnWidths(int clientWidth) {
    int twoThirds = 2 * clientWidth / 3;
    SysInfoColumns columns = {clientWidth - twoThirds + 15, twoThirds - 10};
    // Those two come to five pixels more than the client: the value column gives them back, or a
    // horizontal scroll bar would cover the last row.
    if (columns.label + columns.value > clientWidth) columns.value = clientWidth - columns.label;
    if (columns.value < 0) columns.value = 0;
    return columns;
}

}  // namespace ostrel

namespace {

constexpr UINT kUpperLabels[] = {IDS_SYSINFO_PROCESSOR, IDS_SYSINFO_CLOCK, IDS_SYSINFO_MEMORY, IDS_SYSINFO_CACHE};
constexpr UINT kLowerLabels[] = {IDS_SYSINFO_MANUFACTURER,   IDS_SYSINFO_MODEL,        IDS_SYSINFO_SYSTEM_VERSION,
                                 IDS_SYSINFO_SERIAL_NUMBER, IDS_SYSINFO_BIOS_VERSION, IDS_SYSINFO_OPERATING_SYSTEM};

// Design rectangles at 96 dpi: x, y, width, height.
struct DesignRect {
    int id;
    int x, y, width, height;
};
constexpr DesignRect kLayout[] = {
    {IDC_SYSINFO_UPPER_FRAME, 0, 0, 483, 130},
    {IDC_SYSINFO_LOWER_FRAME, 0, 134, 483, 202},
    {IDC_SYSINFO_UPPER_LIST, 10, 24, 459, 88},
    // 157 high, so the list ends inside its frame (at 336) with the upper list's 18-pixel margin.
    {IDC_SYSINFO_LOWER_LIST, 10, 161, 459, 157},
};


CStringW CellText(HWND list, int row, int column) {
    wchar_t buffer[512] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = static_cast<int>(std::size(buffer));
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

}  // namespace

COSLSystemInfo::COSLSystemInfo(CSysInfoRegisteredApplication* entry, IPageHost* host)
    : CTabDialog(IDD_SYSTEM_INFO, host), m_pEntry(entry), m_hStop(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

COSLSystemInfo::~COSLSystemInfo() {
    StopWorker();
    // While this object's members (the brush) still exist.
    if (IsWindow()) DestroyWindow();
}

BOOL COSLSystemInfo::Create(HWND parent) { return CDialog::Create(IDD_SYSTEM_INFO, parent); }

BOOL COSLSystemInfo::IsWorkerRunning() const {
    return m_hWorker && ::WaitForSingleObject(m_hWorker.get(), 0) == WAIT_TIMEOUT;
}

int COSLSystemInfo::QueryClose(int) { return IsWorkerRunning() ? 8 : 0; }

BOOL COSLSystemInfo::OnInitDialog() {
    BOOL result = CTabDialog::OnInitDialog();
    m_whiteBrush.reset(::CreateSolidBrush(RGB(255, 255, 255)));
    m_hUpperList = GetDlgItem(IDC_SYSINFO_UPPER_LIST);
    m_hLowerList = GetDlgItem(IDC_SYSINFO_LOWER_LIST);
    PlaceControls();
    RECT client = {};
    ::GetClientRect(m_hUpperList, &client);
    ostrel::SysInfoColumns columns = ostrel::SysInfoColumnWidths(client.right - client.left);
    SetUpList(m_hUpperList, kUpperLabels, static_cast<int>(std::size(kUpperLabels)), columns);
    SetUpList(m_hLowerList, kLowerLabels, static_cast<int>(std::size(kLowerLabels)), columns);
    StartWorker();
    return result;
}

void COSLSystemInfo::PlaceControls() {
    struct {
        int x = 96;
        int y = 96;
    } dpi;
    ostrel::ReadScreenDpi(&dpi.x, &dpi.y);
    for (const DesignRect& r : kLayout) {
        HWND control = GetDlgItem(r.id);
        if (!control) continue;
        ::MoveWindow(control, ::MulDiv(r.x, dpi.x, 96), ::MulDiv(r.y, dpi.y, 96), ::MulDiv(r.width, dpi.x, 96),
                     ::MulDiv(r.height, dpi.y, 96), FALSE);
    }
    m_nContentHeight = 0;
    for (const DesignRect& r : kLayout) m_nContentHeight = std::max(m_nContentHeight, ::MulDiv(r.y + r.height, dpi.y, 96));
}

BOOL COSLSystemInfo::ScrollTo(int position) {
    HWND view = IsWindow() ? ::GetParent(m_hWnd) : nullptr;
    if (!view) return TRUE;
    RECT page = {}, shown = {};
    ::GetWindowRect(m_hWnd, &page);
    ::GetClientRect(view, &shown);
    // The host's scroll range is made for plug-in pages, which may be taller than this one.
    int most = std::max(0, static_cast<int>((page.bottom - page.top) - shown.bottom));
    ::SetWindowPos(m_hWnd, nullptr, 0, -std::clamp(position, 0, most), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

void COSLSystemInfo::SetUpList(HWND list, const UINT* labels, int count, const ostrel::SysInfoColumns& columns) {
    if (!list) return;
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
    // The third column stays hidden at width 0.
    const int widths[] = {columns.label, columns.value, 0};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.cx = widths[i];
        column.pszText = const_cast<wchar_t*>(L"");
        column.iSubItem = i;
        ::SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    for (int row = 0; row < count; ++row) {
        CStringW label = base::LoadResString(labels[row]);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(label.GetString());
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

LRESULT COSLSystemInfo::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header || (header->hwndFrom != m_hUpperList && header->hwndFrom != m_hLowerList)) break;
        if (header->code == LVN_ITEMCHANGED) DeselectAll(header->hwndFrom);
        if (header->code == LVN_GETINFOTIPW) OnGetInfoTip(reinterpret_cast<NMLVGETINFOTIPW*>(lParam));
        break;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (m_whiteBrush) {
            return reinterpret_cast<LRESULT>(ostrel::PageCtlColor(reinterpret_cast<HDC>(wParam), static_cast<HBRUSH>(m_whiteBrush.get())));
        }
        break;
    case WM_DESTROY:
        // The lists go with this window: the worker must be done with them first.
        StopWorker();
        break;
    }
    return CTabDialog::WindowProc(message, wParam, lParam);
}

void COSLSystemInfo::OnTimer(UINT_PTR id) {
    KillTimer(id);
    StartWorker();
}

void COSLSystemInfo::DeselectAll(HWND list) {
    LVITEMW clear = {};
    clear.stateMask = LVIS_SELECTED;
    // Each deselection reports another change, which then finds nothing selected.
    for (int row = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
         row >= 0; row = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED))) {
        ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&clear));
    }
}

void COSLSystemInfo::OnGetInfoTip(NMLVGETINFOTIPW* tip) {
    if (!tip->pszText || tip->cchTextMax <= 0) return;
    // Long values (processor names, operating systems) are cut off in their column: the tip of
    // a row shows its value in full.
    CStringW value = CellText(tip->hdr.hwndFrom, tip->iItem, 1);
    if (value.IsEmpty()) return;
    ::lstrcpynW(tip->pszText, value, tip->cchTextMax);
}

void COSLSystemInfo::StartWorker() {
    if (IsWorkerRunning() || !m_hStop) return;
    m_hWorker.reset();
    ::ResetEvent(m_hStop.get());
    m_hWorker.reset(::CreateThread(nullptr, 0, WorkerEntry, this, 0, nullptr));
}

void COSLSystemInfo::StopWorker() {
    if (!m_hWorker) return;
    ::SetEvent(m_hStop.get());
    // The worker writes to the lists with SendMessage and may be inside one when asked to stop, so
    // the wait answers it. It checks the stop event before every write, so termination only comes if
    // it hangs; then ending it is better than leaving it to write into lists that are about to go.
    if (!base::WaitAnsweringSentMessages(m_hWorker.get(), kWorkerStopWaitMs)) ::TerminateThread(m_hWorker.get(), 1);
    m_hWorker.reset();
}

DWORD WINAPI COSLSystemInfo::WorkerEntry(void* parameter) {
    static_cast<COSLSystemInfo*>(parameter)->Fill();
    return 0;
}

void COSLSystemInfo::Fill() {
    HANDLE ready = m_pEntry ? m_pEntry->GetReadyEvent() : nullptr;
    if (!ready) return;
    HANDLE waits[] = {m_hStop.get(), ready};
    if (::WaitForMultipleObjects(2, waits, FALSE, readyWaitMs_) != WAIT_OBJECT_0 + 1) return;

    const CSysInfoRegisteredApplication& e = *m_pEntry;
    const CStringW* upper[] = {&e.m_strProcessor, &e.m_strClock, &e.m_strMemory, &e.m_strCache};
    const CStringW* lower[] = {&e.m_strManufacturer, &e.m_strModel,      &e.m_strSystemVersion,
                               &e.m_strSerialNumber, &e.m_strBiosVersion, &e.m_strOperatingSystem};
    for (int row = 0; row < static_cast<int>(std::size(upper)); ++row) {
        if (!SetValue(m_hUpperList, row, *upper[row])) return;
    }
    for (int row = 0; row < static_cast<int>(std::size(lower)); ++row) {
        if (!SetValue(m_hLowerList, row, *lower[row])) return;
    }
}

bool COSLSystemInfo::SetValue(HWND list, int row, const CStringW& text) {
    if (::WaitForSingleObject(m_hStop.get(), 0) == WAIT_OBJECT_0 || !::IsWindow(list)) return false;
    LVITEMW item = {};
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(text.GetString());
    // Not SendMessageTimeout: a timed-out message may still be handled later, reading this item
    // after it is gone. The only thread that waits for this one answers sent messages meanwhile.
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return true;
}
