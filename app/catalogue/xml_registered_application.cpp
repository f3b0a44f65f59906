#include "catalogue/xml_registered_application.h"

#include <memory>

#include "base/com_ptr.h"
#include "catalogue/probe_location.h"
#include "catalogue/registry_values.h"
#include "common/administrator.h"
#include "common/setting_services.h"

namespace {

// The service's calls report success as S_OK and failure as small positive codes.
bool ReadText(HRESULT (STDMETHODCALLTYPE IOSLRegApplication::*method)(BSTR*), IOSLRegApplication* source,
              CStringW* text) {
    base::Bstr value;
    if ((source->*method)(value.Put()) != S_OK) return false;
    *text = value.CStr();
    return true;
}

bool ReadNumber(HRESULT (STDMETHODCALLTYPE IOSLRegApplication::*method)(ULONG*), IOSLRegApplication* source,
                ULONG* number) {
    ULONG value = 0;
    if ((source->*method)(&value) != S_OK) return false;
    *number = value;
    return true;
}

}  // namespace

CXMLRegisteredApplication::CXMLRegisteredApplication(IOSLRegApplication* source, const wchar_t* name)
    : m_pRegApplication(source) {
    m_strKey = name;
    m_nType = ENTRY_XML_APP;
    m_nPriority = 2;
}

int CXMLRegisteredApplication::Initialize() {
    IOSLRegApplication* source = m_pRegApplication;
    if (!source) return 0;

    ULONG number = 0;
    if (ReadNumber(&IOSLRegApplication::GetAppHide, source, &number)) {
        m_nHideMode = number;
        if (number == 1) return 0;
        BOOL admin = TRUE;
        if (number == 2 && ostrel::CheckAdministrator(&admin) && !admin) return 0;
    }

    CStringW probe;
    if (ReadText(&IOSLRegApplication::GetCheckDllPath, source, &probe)) {
        m_nCheck = 1;
        m_strCheckFunc = probe;
        CStringW function;
        ULONG first = 0;
        ULONG second = 0;
        ReadText(&IOSLRegApplication::GetCheckFunc, source, &function);
        ReadNumber(&IOSLRegApplication::GetCheckOption1, source, &first);
        ReadNumber(&IOSLRegApplication::GetCheckOption2, source, &second);
        if (ostrel::RunLocatedProbe(probe, function, static_cast<int>(first), static_cast<int>(second)) == 0) {
            return 0;
        }
    }

    if (!ReadText(&IOSLRegApplication::GetFuncName, source, &m_strName)) return 0;
    if (!ReadText(&IOSLRegApplication::GetAppPath, source, &m_strAppPath)) return 0;
    ReadText(&IOSLRegApplication::GetAppOption, source, &m_strAppOption);
    ReadText(&IOSLRegApplication::GetWorkFolder, source, &m_strFolder);

    if (!ReadNumber(&IOSLRegApplication::GetCategory, source, &number)) return 0;
    m_nCategory = number == 255 ? 14 : number;

    if (!ReadText(&IOSLRegApplication::GetFuncDesc, source, &m_strDescription)) return 0;
    m_strDescription.Replace(L"\n", L"\\n");
    m_strDescription.Replace(L"\\n", L"\r\n");

    base::Bstr icon;
    ULONG index = 0;
    if (source->GetAppIcon(icon.Put(), &index) == S_OK) {
        m_strIconPath = icon.CStr();
        m_nIconIndex = static_cast<int>(index);
    }
    if (m_strIconPath.IsEmpty()) {
        m_strIconPath = m_strAppPath;
    } else if (m_strIconPath.Left(5) == L"HKEY_") {
        m_strIconPath = ostrel::ResolveRegistryReference(m_strIconPath);
    }
    m_hSmallIcon = nullptr;

    if (ReadText(&IOSLRegApplication::GetHelpPath, source, &m_strHelpPath) &&
        ReadNumber(&IOSLRegApplication::GetHelpOption1, source, &number)) {
        m_nHelpOption1 = number;
        if (number == 1 && ReadNumber(&IOSLRegApplication::GetHelpOption2, source, &number)) m_nHelpOption2 = number;
    }
    return 1;
}

void AppendXmlRegisteredApplications(CCatalogue& catalogue, IOSLRegApplication* source) {
    if (!source || source->Init() != S_OK) return;
    for (;;) {
        base::Bstr name;
        if (source->GetNextAppData(name.Put()) != S_OK) break;
        auto entry = std::make_unique<CXMLRegisteredApplication>(source, name.CStr());
        int result = entry->Initialize();
        if (result == 2) break;
        if (result != 0) catalogue.Append(entry.release());
    }
}

void AppendXmlRegisteredApplications(CCatalogue& catalogue) {
    CSettingServices* services = GetSettingServices();
    if (!services || !services->RegApplication()) return;
    AppendXmlRegisteredApplications(catalogue, services->RegApplication());
    services->m_pRegApplication.Reset();
}
