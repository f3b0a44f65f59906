#include "core/command_line_info.h"

#include <shlwapi.h>

void CCommandLineInfoCustom::ParseParam(const wchar_t* arg, BOOL flag, BOOL last) {
    if (flag && arg) {
        if (::lstrcmpiW(arg, L"halt") == 0) m_bHalt = TRUE;
        if (::lstrcmpiW(arg, L"haltAll") == 0) m_bHaltAll = TRUE;
        if (::lstrcmpiW(arg, L"Install") == 0) m_bInstall = TRUE;
        if (::lstrcmpiW(arg, L"UnInstall") == 0) m_bUnInstall = TRUE;
        if (::lstrcmpiW(arg, L"OSL") == 0) m_bMainMode = TRUE;
        if (::lstrcmpiW(arg, L"PMX") == 0) m_bMainMode = FALSE;
        if (::StrCmpNICW(arg, L"CLD:", 4) == 0) {
            m_strClassId = wcschr(arg, L':') + 1;
            m_bClassId = TRUE;
            m_bMainMode = TRUE;
        }
    }
    CCommandLineInfo::ParseParam(arg, flag, last);
}
