#include "ui/tab_dialog.h"

namespace ostrel {

BOOL TextHasMnemonic(const wchar_t* text, UINT virtualKey) {
    if (!text) return FALSE;
    for (const wchar_t* p = text; *p; ++p) {
        if (p[0] != L'&' || !p[1]) continue;
        if (p[1] == L'&') {  // "&&" is a literal ampersand
            ++p;
            continue;
        }
        if ((LOBYTE(::VkKeyScanW(p[1])) & 0xFF) == (virtualKey & 0xFF)) return TRUE;
    }
    return FALSE;
}

void ReplayKey(UINT virtualKey) {
    ::keybd_event(static_cast<BYTE>(virtualKey), 0, KEYEVENTF_EXTENDEDKEY, 0);
    ::Sleep(200);
    ::keybd_event(static_cast<BYTE>(virtualKey), 69, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
}

void WalkTabOrder(HWND dialog, HWND* first, HWND* last) {
    *first = *last = nullptr;
    HWND start = ::GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (!start) return;
    *first = *last = start;
    // Bounded: a tab order that never returns to its start must not hang the keyboard.
    HWND item = start;
    for (int guard = 0; guard < 4096; ++guard) {
        HWND next = ::GetNextDlgTabItem(dialog, item, FALSE);
        if (!next || next == start || next == item) break;
        *last = item = next;
    }
}

}  // namespace ostrel

namespace {
bool HasTabStopStyle(HWND control) {
    return control && (::GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0;
}
}  // namespace

CTabDialog::CTabDialog(UINT templateId, IPageHost* host) : CDialog(templateId), m_pHost(host) {
    m_pAccelBuffer.reset(new ACCEL[26]);
    for (int n = 0; n < 26; ++n) {
        m_pAccelBuffer[n].fVirt = FALT | FVIRTKEY;
        m_pAccelBuffer[n].key = static_cast<WORD>('A' + n);
        m_pAccelBuffer[n].cmd = static_cast<WORD>('A' + n);
    }
    m_hAccel = ::CreateAcceleratorTableW(m_pAccelBuffer.get(), 26);
}

CTabDialog::~CTabDialog() {
    if (m_hAccel) ::DestroyAcceleratorTable(m_hAccel);
    if (IsWindow()) DestroyWindow();
}

BOOL CTabDialog::ScrollTo(int) { return TRUE; }

int CTabDialog::QueryClose(int) { return 0; }

BOOL CTabDialog::OnInitDialog() {
    BOOL result = CDialog::OnInitDialog();
    ComputeTabStops();
    return result;
}

void CTabDialog::ComputeTabStops() {
    HWND first = nullptr, last = nullptr;
    ostrel::WalkTabOrder(m_hWnd, &first, &last);
    m_nFirstTabId = first ? ::GetDlgCtrlID(first) : 0;
    m_nLastTabId = last ? ::GetDlgCtrlID(last) : 0;
    m_hFirstTab = HasTabStopStyle(first) ? first : nullptr;
    m_hLastTab = HasTabStopStyle(last) ? last : nullptr;
}

BOOL CTabDialog::OwnsMnemonic(UINT virtualKey) {
    if (!IsWindow()) return FALSE;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowEnabled(child)) continue;
        wchar_t text[256] = {};
        ::GetWindowTextW(child, text, 256);
        if (ostrel::TextHasMnemonic(text, virtualKey)) return TRUE;
    }
    return FALSE;
}

void CTabDialog::MoveFocusIntoPage(bool shift) {
    ComputeTabStops();
    HWND target = shift ? m_hLastTab : m_hFirstTab;
    if (target && ::SetFocus(target)) return;
    if (m_pHost) m_pHost->FocusHostTabStop(shift);
}

BOOL CTabDialog::TranslateHostMnemonic(MSG* msg) {
    if (!m_pHost || !m_hAccel) return FALSE;
    if (msg->message != WM_SYSKEYDOWN) return FALSE;
    UINT key = static_cast<UINT>(msg->wParam);
    if (key < 'A' || key > 'Z' || !(::GetKeyState(VK_MENU) & 0x8000)) return FALSE;
    if (!m_pHost->HostOwnsMnemonic(key)) return FALSE;
    // The host's dialog manager resolves the mnemonic once its own window has the focus.
    if (HWND ok = ::GetDlgItem(m_pHost->HostWindow(), 1030)) ::SetFocus(ok);
    ostrel::ReplayKey(key);
    return TRUE;
}

BOOL CTabDialog::PreTranslateMessage(MSG* msg) {
    if (TranslateHostMnemonic(msg)) return TRUE;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE && m_pHost) {
        // Escape in a page closes the window at once, without the host's closing steps.
        ::DestroyWindow(m_pHost->HostWindow());
        return TRUE;
    }
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB) {
        ComputeTabStops();
        bool shift = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
        HWND edge = shift ? m_hFirstTab : m_hLastTab;
        if (m_pHost && (!edge || msg->hwnd == edge || ::IsChild(edge, msg->hwnd))) {
            ::IsDialogMessageW(m_hWnd, msg);
            m_pHost->FocusHostTabStop(shift);
            return TRUE;
        }
    }
    return IsWindow() && ::IsDialogMessageW(m_hWnd, msg);
}
