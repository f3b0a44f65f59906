// The status window's own thread: opening, painting, selection and jumps, closing.
#include "info/status_info.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "base/resource_module.h"
#include "base/wait.h"
#include "catalogue/registered_application.h"
#include "catalogue/catalogue_owner.h"
#include "common/open_request.h"
#include "plugwerk/status_item.h"
#include "common/status_gathering.h"
#include "info/status_jump.h"
#include "resource.h"
#include "ui/high_contrast.h"
#include "ui/screen_dpi.h"
#include "ui/png_resource.h"

namespace {
constexpr UINT kListIds[COSLStatusInfo::kListCount] = {IDC_STATUS_LIST_CATEGORY0, IDC_STATUS_LIST_CATEGORY1,
                                                        IDC_STATUS_LIST_CATEGORY2};
constexpr UINT kTypeIcons[] = {IDI_STATUS_TYPE_0, IDI_STATUS_TYPE_1, IDI_STATUS_TYPE_2, IDI_STATUS_TYPE_3};
// Sizes of the header images at 96 dpi, beside the lists of categories 0, 1 and 2.
constexpr SIZE kImageSizes[COSLStatusInfo::kListCount] = {{50, 40}, {50, 40}, {40, 45}};

HFONT MakeFont(const CStringW& face, int points, int dpiY) {
    LOGFONTW font = {};
    font.lfHeight = -::MulDiv(points, dpiY, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return ::CreateFontIndirectW(&font);
}
}  // namespace

COSLStatusInfo::COSLStatusInfo() : CWinDialog(IDD_STATUS_INFO) { ostrel::SetStatusGatheringIdle(false); }

COSLStatusInfo::~COSLStatusInfo() {
    if (IsWindow()) DestroyWindow();
    if (m_hImageList) ::ImageList_Destroy(m_hImageList);
    // A dialog that was never created has no window to be destroyed, and nothing else would give the
    // flag back: the settings window would hold the system-information page back for good.
    ostrel::SetStatusGatheringIdle(true);
}

HWND COSLStatusInfo::ListOfCategory(unsigned category) const {
    switch (category) {
    case 0: return m_listCategory0.m_hWnd;
    case 1: return m_listCategory1.m_hWnd;
    case 2: return m_listCategory2.m_hWnd;
    default: return nullptr;
    }
}

CStatusListCtrl* COSLStatusInfo::ListOfWindow(HWND hwnd) {
    for (CStatusListCtrl* list : {&m_listCategory0, &m_listCategory1, &m_listCategory2}) {
        if (list->m_hWnd && list->m_hWnd == hwnd) return list;
    }
    return nullptr;
}

CStringW COSLStatusInfo::TargetOf(const CStringW& name) {
    base::CriticalSectionLock hold(m_targetLock);
    auto it = m_targets.find(name);
    return it == m_targets.end() ? CStringW() : it->second;
}

BOOL COSLStatusInfo::IsRefreshThreadRunning() const {
    return m_hThread && ::WaitForSingleObject(m_hThread.get(), 0) == WAIT_TIMEOUT;
}

BOOL COSLStatusInfo::OnInitDialog() {
    ostrel::SetStatusGatheringIdle(false);
    ostrel::ReadScreenDpi(&m_nDpiX, &m_nDpiY);
    ::EnableWindow(GetDlgItem(IDC_STATUS_JUMP), FALSE);
    m_listCategory0.Attach(GetDlgItem(IDC_STATUS_LIST_CATEGORY0));
    m_listCategory1.Attach(GetDlgItem(IDC_STATUS_LIST_CATEGORY1));
    m_listCategory2.Attach(GetDlgItem(IDC_STATUS_LIST_CATEGORY2));
    m_listCategory0.SetCaption(GetDlgItem(IDC_STATUS_CAPTION_FIRST));
    m_listCategory1.SetCaption(GetDlgItem(IDC_STATUS_CAPTION_FIRST + 1));
    m_listCategory2.SetCaption(GetDlgItem(IDC_STATUS_CAPTION_FIRST + 2));
    SetUpImages();
    CreateFonts();
    SetUpTexts();
    for (CStatusListCtrl* list : {&m_listCategory0, &m_listCategory1, &m_listCategory2}) {
        SetUpList(*list, static_cast<UINT>(::GetDlgCtrlID(list->m_hWnd)));
    }
    // Enabled by its first row.
    ::EnableWindow(m_listCategory0.m_hWnd, FALSE);

    m_hPrepared.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // Made before the thread, so a close during the gathering can already ask it to end.
    m_hEndEvent.reset(ostrel::CreateOpenEvent(kEndEventName));
    m_hThread.reset(::CreateThread(nullptr, 0, &COSLStatusInfo::RefreshThread, this, 0, nullptr));
    if (!m_hThread) ostrel::SetStatusGatheringIdle(true);
    ::SetFocus(GetDlgItem(IDC_STATUS_CLOSE));
    return FALSE;
}

void COSLStatusInfo::SetUpImages() {
    int size = ::MulDiv(16, m_nDpiX, 96);
    m_hImageList = ::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 4, 0);
    for (UINT id : kTypeIcons) {
        HICON icon = static_cast<HICON>(
            ::LoadImageW(base::CurrentResourceModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        ::ImageList_AddIcon(m_hImageList, icon);
        if (icon) ::DestroyIcon(icon);
    }
    for (int i = 0; i < kListCount; ++i) m_images[i].reset(ostrel::LoadPngResource(IDP_STATUS_HEADER_FIRST + i, base::CurrentResourceModule()));
    m_hIcon = ::LoadIconW(base::CurrentResourceModule(), MAKEINTRESOURCEW(IDI_STATUS_WINDOW));
    if (m_hIcon) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    }
}

void COSLStatusInfo::CreateFonts() {
    CStringW face = base::LoadResString(IDS_UI_FONT_FACE);
    m_captionFont.reset(MakeFont(face, 10, m_nDpiY));
    m_labelFont.reset(MakeFont(face, 9, m_nDpiY));
}

void COSLStatusInfo::SetUpTexts() {
    SetWindowText(base::LoadResString(IDS_STATUS_WINDOW_CAPTION));
    for (int i = 0; i < kListCount; ++i) {
        ::SetDlgItemTextW(m_hWnd, IDC_STATUS_LABEL_FIRST + i, base::LoadResString(IDS_STATUS_LABEL_FIRST + i));
        ::SendDlgItemMessageW(m_hWnd, IDC_STATUS_LABEL_FIRST + i, WM_SETFONT,
                              reinterpret_cast<WPARAM>(m_labelFont.get()), FALSE);
        CStringW caption = base::LoadResString(IDS_STATUS_CAPTION_FIRST + i).Left(63);
        ::SetDlgItemTextW(m_hWnd, IDC_STATUS_CAPTION_FIRST + i, caption);
        ::SendDlgItemMessageW(m_hWnd, IDC_STATUS_CAPTION_FIRST + i, WM_SETFONT,
                              reinterpret_cast<WPARAM>(m_captionFont.get()), FALSE);
    }
    ::SetDlgItemTextW(m_hWnd, IDC_STATUS_JUMP, base::LoadResString(IDS_STATUS_JUMP));
    ::SetDlgItemTextW(m_hWnd, IDC_STATUS_CLOSE, base::LoadResString(IDS_STATUS_CLOSE));
}

void COSLStatusInfo::SetUpList(CStatusListCtrl& list, UINT) {
    HWND hwnd = list.m_hWnd;
    if (!hwnd) return;
    ListView_SetImageList(hwnd, m_hImageList, LVSIL_SMALL);
    ListView_SetExtendedListViewStyle(hwnd, ListView_GetExtendedListViewStyle(hwnd) | LVS_EX_SUBITEMIMAGES);
    ::SetWindowLongPtrW(hwnd, GWL_STYLE, ::GetWindowLongPtrW(hwnd, GWL_STYLE) | LVS_SINGLESEL);
    // Both columns are sized from the first list, so the three line up.
    RECT client = {};
    ::GetClientRect(m_listCategory0.m_hWnd, &client);
    int width = client.right;
    int half = width / 2;
    CStringW names[2] = {base::LoadResString(IDS_STATUS_COLUMN_NAME), base::LoadResString(IDS_STATUS_COLUMN_VALUE)};
    int widths[2] = {width - half, 2 * half};
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNW c = {};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        c.pszText = const_cast<wchar_t*>(names[column].GetString());
        c.cx = widths[column];
        c.iSubItem = column;
        ListView_InsertColumn(hwnd, column, &c);
    }
}

LRESULT COSLStatusInfo::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY:
        if (ListOfWindow(reinterpret_cast<NMHDR*>(lParam)->hwndFrom)) return OnListNotify(reinterpret_cast<NMHDR*>(lParam));
        break;
    case WM_POWERBROADCAST:
        OnBroadcast(kPowerMessage);
        return TRUE;
    case WM_DEVICECHANGE:
        OnBroadcast(WM_DEVICECHANGE);
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        ostrel::OnSystemColoursChanged(m_hWnd, message, wParam, lParam);
        break;
    case WM_DESTROY:
        OnDestroyWindow();
        break;
    default:
        break;
    }
    return CWinDialog::WindowProc(message, wParam, lParam);
}

BOOL COSLStatusInfo::OnCommand(WPARAM wParam, LPARAM) {
    switch (LOWORD(wParam)) {
    case IDC_STATUS_CLOSE: CloseDialog(); return TRUE;
    case IDC_STATUS_JUMP: Jump(m_strSelectedTarget); return TRUE;
    default: return FALSE;
    }
}

BOOL COSLStatusInfo::PreTranslateMessage(MSG* msg) {
    if (!IsWindow() || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))) return FALSE;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
        HWND jump = GetDlgItem(IDC_STATUS_JUMP);
        if (::IsWindowEnabled(jump)) {
            Jump(m_strSelectedTarget);
            return TRUE;
        }
        // Enter closes only from the close button itself.
        if (::GetFocus() != GetDlgItem(IDC_STATUS_CLOSE)) return TRUE;
    }
    return ::IsDialogMessageW(m_hWnd, msg);
}

LRESULT COSLStatusInfo::OnListNotify(NMHDR* header) {
    if (header->code == LVN_ITEMCHANGED) {
        auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED)) {
            OnRowSelected(header->hwndFrom, change->iItem);
        } else if ((change->uChanged & LVIF_STATE) && ListView_GetSelectedCount(header->hwndFrom) == 0 &&
                   (change->uOldState & LVIS_SELECTED)) {
            ::SetFocus(GetDlgItem(IDC_STATUS_CLOSE));
        }
    } else if (header->code == NM_DBLCLK) {
        if (CStatusListCtrl* list = ListOfWindow(header->hwndFrom)) OnListDoubleClick(*list);
    }
    return 0;
}

CStringW COSLStatusInfo::RowText(HWND list, int row) {
    wchar_t text[260] = {};
    ListView_GetItemText(list, row, 0, text, 260);
    return text;
}

void COSLStatusInfo::OnRowSelected(HWND list, int row) {
    CStringW target = TargetOf(RowText(list, row));
    m_strSelectedTarget = target;
    ::EnableWindow(GetDlgItem(IDC_STATUS_JUMP), !target.IsEmpty());
}

void COSLStatusInfo::OnListDoubleClick(CStatusListCtrl& list) {
    if (list.HitRow() < 0) return;
    Jump(TargetOf(RowText(list.m_hWnd, list.HitRow())));
}

void COSLStatusInfo::Jump(const CStringW& target) {
    if (target.IsEmpty()) return;
    if (ostrel::IsClassIdTarget(target)) {
        if (m_pOwner) ostrel::SendOpenRequest(m_pOwner->m_hWnd, ostrel::REQ_OPEN_MAIN, target);
        return;
    }
    ostrel::FileTarget file = ostrel::SplitFileTarget(target);
    if (file.file.IsEmpty() || !::PathFileExistsW(file.file)) return;
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.lpFile = file.file;
    info.lpParameters = file.parameters.IsEmpty() ? nullptr : file.parameters.GetString();
    info.lpDirectory = file.folder.IsEmpty() ? nullptr : file.folder.GetString();
    info.nShow = SW_SHOW;
    ::ShellExecuteExW(&info);
}

void COSLStatusInfo::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    Gdiplus::Graphics graphics(dc);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    for (int i = 0; i < kListCount; ++i) {
        HWND list = GetDlgItem(kListIds[i]);
        if (!m_images[i] || !list) continue;
        // Left of the caption, above the list.
        RECT r = {};
        ::GetWindowRect(list, &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        int width = ::MulDiv(kImageSizes[i].cx, m_nDpiX, 96);
        int height = ::MulDiv(kImageSizes[i].cy, m_nDpiY, 96);
        int top = r.top - height - ::MulDiv(4, m_nDpiY, 96);
        graphics.DrawImage(m_images[i].get(), Gdiplus::Rect(r.left, top, width, height));
    }
    ::EndPaint(m_hWnd, &ps);
}

void COSLStatusInfo::OnBroadcast(UINT itemMessage) {
    // Only once the refresh thread has handed the status list over.
    if (::WaitForSingleObject(m_hPrepared.get(), 0) != WAIT_OBJECT_0) return;
    for (const GatheredStatus& status : m_statuses) {
        bool modified = false;
        try {
            status.item->WndFunc(itemMessage, 0, 0);
            modified = status.item->IsModified();
        } catch (...) {
        }
        if (modified) UpdateRow(status.item);
    }
}

void COSLStatusInfo::CloseDialog() {
    if (IsRefreshThreadRunning()) {
        if (m_hEndEvent) ::SetEvent(m_hEndEvent.get());
        // The thread may be filling the lists: its messages are answered while it is waited for.
        if (!base::WaitAnsweringSentMessages(m_hThread.get(), m_dwCloseWaitMs)) return;
    }
    DestroyWindow();
}

void COSLStatusInfo::OnDestroyWindow() {
    // Destroyed without CloseDialog (its thread ends, the program halts): the refresh thread must not
    // outlive the lists and this object, so a thread stuck in a plug-in is ended the hard way.
    if (IsRefreshThreadRunning()) {
        if (m_hEndEvent) ::SetEvent(m_hEndEvent.get());
        if (!base::WaitAnsweringSentMessages(m_hThread.get(), m_dwCloseWaitMs)) {
            ::TerminateThread(m_hThread.get(), 1);
            ::WaitForSingleObject(m_hThread.get(), m_dwCloseWaitMs);
        }
    }
    for (CStatusListCtrl* list : {&m_listCategory0, &m_listCategory1, &m_listCategory2}) {
        if (list->m_hWnd) list->UnsubclassWindow();
    }
    ostrel::SetStatusGatheringIdle(true);
}
