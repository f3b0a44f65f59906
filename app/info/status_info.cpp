#include "info/status_info.h"

#include "base/resource_module.h"
#include "resource.h"

COSLStatusInfo::COSLStatusInfo() : CDialog(IDD_STATUS_INFO) {}

BOOL COSLStatusInfo::OnInitDialog() {
    SetWindowText(base::LoadResString(IDS_STATUS_WINDOW_CAPTION));
    return TRUE;
}
