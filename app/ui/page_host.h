#pragma once
// What a page view asks of the window that hosts it: the settings window implements it, and tests
// stand in for it. Every call comes on the host's own thread.
#include <windows.h>

class IPageHost {
public:
    virtual HWND HostWindow() = 0;
    // Recomputes the host's tab order and focuses its last (true) or first (false) tab stop.
    virtual void FocusHostTabStop(bool last) = 0;
    // TRUE when an enabled control of the host shows this letter as its mnemonic ("&" + letter).
    virtual BOOL HostOwnsMnemonic(UINT virtualKey) = 0;
    // TRUE while the host's apply worker runs (no second apply then).
    virtual BOOL IsApplyWorkerRunning() = 0;
    // The page reported a changed value and is modified: offer Apply.
    virtual void EnableApplyButton() = 0;
    // The page asked to be applied now.
    virtual void ApplyPage() = 0;
    // Whether the page marks its settings that differ from their defaults.
    virtual bool MarksChangedSettings() { return false; }
    // The page repainted its marks: its values may differ from their defaults now, or no longer.
    virtual void PageMarksPainted(int changedItems) { (void)changedItems; }

protected:
    ~IPageHost() = default;
};
