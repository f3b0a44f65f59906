#include "window/about_dlg.h"

#include "base/resource_module.h"
#include "window/version_file.h"

BOOL CAboutDlg::OnInitDialog() {
    m_strVersion = base::LoadResString(IDS_ABOUT_VERSION_PREFIX);
    CStringW version;
    if (ostrel::ReadVersionFile(ostrel::InstalledVersionFilePath(), &version)) m_strVersion += version;
    ::SetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, m_strVersion);
    return TRUE;
}
