#pragma once
// COSL_View: the window of a plug-in page. It is created from the plug-in's own dialog template and
// hands every message to the plug-in's WndFunc, so the plug-in sees the page as if it owned the
// dialog procedure; the view keeps the page at the full page size inside the scroll view.
#include "base/handles.h"
#include "ui/tab_dialog.h"

class PluginClass;

class COSL_View : public CTabDialog {
public:
    static constexpr UINT_PTR kPlaceTimer = 301;

    // plugin null gives a view without a window. The plug-in's module must be the current resource
    // module while this runs (the template is the plug-in's).
    COSL_View(PluginClass* plugin, IPageHost* host, const RECT& fullPage, HWND scrollView);
    ~COSL_View() override;

    int Apply() override;
    BOOL ScrollTo(int position) override;
    int QueryClose(int finalFlag) override;
    // Back at the scroll view's top-left corner with the full page size.
    void PlaceAtOrigin();

    PluginClass* m_pPlugin;
    IPageHost* m_pMainHost;
    volatile BOOL m_bApplying = FALSE;
    base::UniqueGdiObject m_brWhite;
    int m_nLeft = 0;
    int m_nTop = 0;
    int m_nWidth;
    int m_nHeight;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnOK() override {}
    void OnCancel() override;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool CanOfferApply();
};

namespace ostrel {
// Paints of plug-in pages in this process; every fourth is followed by one more.
long PagePaintCount() noexcept;
}
