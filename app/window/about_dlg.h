#pragma once
// The About box: string 103 followed by the installed version.
#include "base/dialog.h"
#include "resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
    CStringW m_strVersion;

protected:
    BOOL OnInitDialog() override;
};
