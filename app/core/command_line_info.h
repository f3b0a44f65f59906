#pragma once
// The program's switches: halt, haltAll, Install, UnInstall, OSL, PMX and CLD:<class id>, each written
// after a slash or hyphen. Every match applies; a later OSL, PMX or CLD: overrides an earlier one.
#include "base/command_line.h"
#include "base/cstringw.h"

class CCommandLineInfoCustom : public CCommandLineInfo {
public:
    void ParseParam(const wchar_t* arg, BOOL flag, BOOL last) override;

    BOOL m_bHalt = FALSE;
    BOOL m_bHaltAll = FALSE;
    BOOL m_bInstall = FALSE;
    BOOL m_bUnInstall = FALSE;
    CStringW m_strClassId;
    BOOL m_bClassId = FALSE;
    BOOL m_bMainMode = TRUE;
};
