#include "base/command_line.h"

void CCommandLineInfo::ParseParam(const wchar_t* arg, BOOL flag, BOOL) {
    ++m_nParams;
    if (!flag || !arg) return;
    if (::lstrcmpiW(arg, L"Embedding") == 0) {
        m_bRunEmbedded = TRUE;
        m_bShowSplash = FALSE;
    } else if (::lstrcmpiW(arg, L"Automation") == 0) {
        m_bRunAutomated = TRUE;
        m_bShowSplash = FALSE;
    }
}
