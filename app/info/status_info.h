#pragma once
// The status window. For now a plain window from its template; the status list takes its place later.
#include "base/dialog.h"

class CMessageDispatchWnd;

class COSLStatusInfo : public CDialog {
public:
    COSLStatusInfo();
    CMessageDispatchWnd* m_pOwner = nullptr;

protected:
    BOOL OnInitDialog() override;
};
