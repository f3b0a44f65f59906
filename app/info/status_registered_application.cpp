#include "info/status_registered_application.h"

#include "base/resource_module.h"
#include "common/setting_services.h"
#include "resource.h"

CStatusRegisteredApplication::CStatusRegisteredApplication() {
    m_nType = ENTRY_STATUS_PAGE;
    m_nPriority = 2;
}

int CStatusRegisteredApplication::Initialize() {
    // Nothing is gathered for the entry itself: whoever waits for it may go on at once.
    m_hReadyEvent = ostrel::CreateReadyEvent();
    if (m_hReadyEvent) ::SetEvent(m_hReadyEvent);
    HINSTANCE resources = base::CurrentResourceModule();
    m_strName.LoadString(resources, IDS_STATUS_WINDOW_CAPTION);
    m_strDescription.LoadString(resources, IDS_STATUS_DESCRIPTION);
    m_nCategory = 0;
    m_strKey = kKey;
    m_strAppPath = kKey;
    m_nIconIndex = kIconIndex;
    m_hModule = ::GetModuleHandleW(nullptr);
    m_hSmallIcon = static_cast<HICON>(
        ::LoadImageW(resources, MAKEINTRESOURCEW(kIconIndex), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    return 1;
}

BOOL CStatusRegisteredApplication::IsVisible() {
    return m_nPluginCount > kFewestPluginsExcluded && ostrel::IsClassLoaded(ostrel::kStatusFeatureClassId);
}
