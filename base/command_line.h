#pragma once
// CCommandLineInfo: receives the program's arguments one by one from CWinApp::ParseCommandLine.
#include <windows.h>

class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    // arg: the argument without its leading slash or hyphen when flag is TRUE; last: the final one.
    virtual void ParseParam(const wchar_t* arg, BOOL flag, BOOL last);

    // What the base parsing records; kept for derived parsers, read by nothing in the program.
    BOOL m_bShowSplash = TRUE;
    BOOL m_bRunEmbedded = FALSE;
    BOOL m_bRunAutomated = FALSE;
    int m_nParams = 0;
};
