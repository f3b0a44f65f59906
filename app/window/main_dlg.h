#pragma once
// The settings window. For now it is a plain window from its template that shows which page it was
// asked to open; the category tree and page hosting take its place later.
#include "base/dialog.h"
#include "base/handles.h"

class CMessageDispatchWnd;

class COSLMainDlg : public CDialog {
public:
    COSLMainDlg();

    // Makes the plug-in page with this class id the start page (called from the main thread).
    void SelectPluginClass(const wchar_t* classId);
    // Selects the start page in the tree.
    void SelectStartItem();

    CMessageDispatchWnd* m_pOwner = nullptr;
    CStringW m_strStartClassId;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowStartClass();
    // Lists the visible catalogue entries until the category tree takes their place.
    void ListCatalogue();
    void OnAboutCommand();

    base::CriticalSection lock_;
};
