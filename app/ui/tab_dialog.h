#pragma once
// CTabDialog: a page view inside the settings window (a plug-in page, or the system-information
// page). It carries keyboard navigation across the boundary between the host and the page: Tab
// leaving the page's last control goes on to the host's first, Alt+letter mnemonics of the host work
// while the focus is in the page, and Escape closes the host.
#include <memory>

#include "base/dialog.h"
#include "base/handles.h"
#include "ui/page_host.h"

class CTabDialog : public CDialog {
public:
    CTabDialog(UINT templateId, IPageHost* host);
    ~CTabDialog() override;

    // The page's apply (on the host's apply worker); 0 here.
    virtual int Apply() { return 0; }
    // Scrolls the page to a position within the scroll view; TRUE here without doing anything.
    virtual BOOL ScrollTo(int position);
    // The height the page needs when it lays itself out; 0 when its template decides.
    virtual int ContentHeight() const noexcept { return 0; }
    // The leave question (finalFlag 0) or the final close (1); 8 keeps the page for now.
    virtual int QueryClose(int finalFlag);

    BOOL PreTranslateMessage(MSG* msg) override;

    // Focuses the page's first (shift false) or last control; falls back to the host's tab stops.
    void MoveFocusIntoPage(bool shift);
    // TRUE when an enabled direct child shows this letter as its mnemonic.
    BOOL OwnsMnemonic(UINT virtualKey);
    // Walks the page's tab order and records its first and last tab stop.
    void ComputeTabStops();

    IPageHost* m_pHost;
    HWND m_hLastTab = nullptr;
    HWND m_hFirstTab = nullptr;
    int m_nLastTabId = 0;
    int m_nFirstTabId = 0;
    HACCEL m_hAccel = nullptr;
    std::unique_ptr<ACCEL[]> m_pAccelBuffer;

protected:
    BOOL OnInitDialog() override;
    // A page has no Cancel of its own by default: Escape is handled before the dialog manager.
    void OnCancel() override {}

private:
    BOOL TranslateHostMnemonic(MSG* msg);
};

namespace ostrel {
// TRUE when the text has "&" followed by a character whose virtual key is virtualKey.
BOOL TextHasMnemonic(const wchar_t* text, UINT virtualKey);
// Presses and releases a key as the user would, so the focused window handles it as typed.
void ReplayKey(UINT virtualKey);
// Walks a dialog's tab order from its first item until it wraps: the first and the last item.
void WalkTabOrder(HWND dialog, HWND* first, HWND* last);
}  // namespace ostrel
