#pragma once
// COSLScrollView: the child window at the page rectangle of the settings window. It clips the page
// view, which scrolls by moving inside it, and paints white behind it.
#include "base/dialog.h"
#include "base/handles.h"

class COSLScrollView : public CDialog {
public:
    // Creates the window from its template as a child of the host.
    explicit COSLScrollView(HWND host);
    ~COSLScrollView() override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    base::UniqueGdiObject m_brWhite;
};
