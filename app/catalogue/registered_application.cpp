#include "catalogue/registered_application.h"

#include "base/handles.h"
#include "catalogue/app_icon.h"
#include "catalogue/availability_probe.h"
#include "catalogue/indirect_string.h"
#include "catalogue/registry_values.h"
#include "common/administrator.h"

namespace ostrel {
namespace {
HKEY g_productRoot = HKEY_LOCAL_MACHINE;
CStringW g_productKey = kProductKey;
}  // namespace

void SetProductKeyForTests(HKEY root, const wchar_t* path) {
    g_productRoot = root ? root : HKEY_LOCAL_MACHINE;
    g_productKey = path ? path : kProductKey;
}

LONG OpenProductKey(const wchar_t* subkey, HKEY* key) {
    CStringW path = g_productKey;
    if (subkey && *subkey) path += CStringW(L"\\") + subkey;
    return ::RegOpenKeyExW(g_productRoot, path, 0, KEY_READ, key);
}

HANDLE CreateReadyEvent() { return CreateOpenEvent(L""); }

HANDLE CreateOpenEvent(const wchar_t* name) {
    SECURITY_DESCRIPTOR sd;
    ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES sa = {sizeof(sa), &sd, TRUE};
    HANDLE event = ::CreateEventW(&sa, TRUE, FALSE, name);
    if (event) ::ResetEvent(event);
    return event;
}
}  // namespace ostrel

CRegisteredApplication::~CRegisteredApplication() {
    if (m_hSmallIcon) ::DestroyIcon(m_hSmallIcon);
    if (m_hReadyEvent) ::CloseHandle(m_hReadyEvent);
}

int CRegisteredApplication::ReadByIndex(DWORD index) {
    base::UniqueHKey product;
    if (ostrel::OpenProductKey(nullptr, product.put()) != ERROR_SUCCESS) return 2;
    wchar_t name[1024] = {};
    DWORD chars = 1024;
    LONG status = ::RegEnumKeyExW(product.get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
    product.reset();
    // A name too long for the buffer is skipped, not taken for the end of the list.
    if (status == ERROR_MORE_DATA) return 0;
    if (status != ERROR_SUCCESS) return 2;
    return ReadFromRegistry(name);
}

int CRegisteredApplication::ReadFromRegistry(const wchar_t* subkey) {
    base::UniqueHKey key;
    if (!subkey || ostrel::OpenProductKey(subkey, key.put()) != ERROR_SUCCESS) return 0;
    HKEY k = key.get();
    m_strKey = subkey;

    DWORD number = 0;
    if (ostrel::ReadRegDword(k, L"AppHide", &number)) {
        m_nHideMode = number;
        if (number == 1) return 0;
        BOOL admin = TRUE;
        if (number == 2 && ostrel::CheckAdministrator(&admin) && !admin) return 0;
    }
    if (ostrel::ReadRegDword(k, L"AppCheck", &number)) {
        m_nCheck = number;
        if (number == 1 && ostrel::ReadRegString(k, L"AppCheckFunc", &m_strCheckFunc) &&
            ostrel::RunAvailabilityProbe(m_strCheckFunc) == 0) {
            return 0;
        }
    }
    CStringW text;
    if (!ostrel::ReadRegString(k, L"AppName", &text) || !ostrel::ResolveIndirectString(text, &m_strName)) return 0;
    if (!ostrel::ReadRegString(k, L"AppPath", &m_strAppPath)) return 0;
    ostrel::ReadRegString(k, L"AppOption", &m_strAppOption);
    ostrel::ReadRegString(k, L"Folder", &m_strFolder);
    if (!ostrel::ReadRegDword(k, L"Category", &number)) return 0;
    m_nCategory = number;

    m_strDescription.Empty();
    if (ostrel::ReadRegString(k, L"Description", &text) && !ostrel::ResolveIndirectString(text, &m_strDescription)) {
        m_strDescription.Empty();
    }
    m_strDescription.Replace(L"\n", L"\\n");
    m_strDescription.Replace(L"\\n", L"\r\n");

    if (ostrel::ReadRegString(k, L"IconPath", &text) && !text.IsEmpty()) {
        m_strIconPath = text.Left(5) == L"HKEY_" ? ostrel::ResolveRegistryReference(text) : text;
    } else {
        m_strIconPath = m_strAppPath;
    }
    if (ostrel::ReadRegDword(k, L"IconIndex", &number)) m_nIconIndex = static_cast<int>(number);
    m_hSmallIcon = nullptr;
    if (ostrel::ReadRegString(k, L"HelpPath", &m_strHelpPath)) {
        if (ostrel::ReadRegDword(k, L"HelpOption1", &number)) {
            m_nHelpOption1 = number;
            if (number == 1 && ostrel::ReadRegDword(k, L"HelpOption2", &number)) m_nHelpOption2 = number;
        }
    }
    return 1;
}

HICON CRegisteredApplication::LoadAppIcon(int size) { return ostrel::LoadEntryIcon(m_strIconPath, m_nIconIndex, size); }

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
CTabDialog* CRegisteredApplication::CreatePage(IPageHost*, HWND) { return nullptr; }

BOOL CRegisteredApplication::IsVisible() {
    if (m_nHideMode == 1) return FALSE;
    if (m_nHideMode == 2) {
        BOOL admin = FALSE;
        if (ostrel::CheckAdministrator(&admin) && !admin) return FALSE;
    }
    return TRUE;
}
