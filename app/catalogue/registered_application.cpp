#include "catalogue/registered_application.h"

#include "core/administrator.h"

CRegisteredApplication::~CRegisteredApplication() {
    if (m_hSmallIcon) ::DestroyIcon(m_hSmallIcon);
    if (m_hReadyEvent) ::CloseHandle(m_hReadyEvent);
}

int CRegisteredApplication::ReadFromRegistry(const wchar_t*) { return 0; }
int CRegisteredApplication::ReadByIndex(DWORD) { return 2; }
HICON CRegisteredApplication::LoadAppIcon(int) { return nullptr; }

CStringW CRegisteredApplication::GetDescriptionLine(int line) {
    if (line < 0 || line > 2) return CStringW();
    int start = 0;
    for (int i = 0; i < line; ++i) {
        int next = m_strDescription.Find(L'\n', start);
        if (next < 0) return CStringW();
        start = next + 1;
    }
    int end = m_strDescription.Find(L'\n', start);
    return m_strDescription.Mid(start, end < 0 ? m_strDescription.GetLength() - start : end - start);
}

int CRegisteredApplication::CompleteInit() { return 1; }
void CRegisteredApplication::Unload() {}
int CRegisteredApplication::Initialize() { return 0; }

BOOL CRegisteredApplication::IsVisible() {
    if (m_nHideMode == 1) return FALSE;
    if (m_nHideMode == 2) {
        BOOL admin = FALSE;
        if (IsAdministrator(&admin) && !admin) return FALSE;
    }
    return TRUE;
}
