#include "info/sys_info_registered_application.h"

#include "base/com_ptr.h"
#include "base/resource_module.h"
#include "info/smbios_table.h"
#include "info/system_facts.h"
#include "info/system_info_page.h"
#include "info/wmi_data.h"
#include "resource.h"

namespace {
using InstalledMemoryFn = BOOL(WINAPI*)(PULONGLONG);
}  // namespace

CSysInfoRegisteredApplication::CSysInfoRegisteredApplication() {
    m_nType = ENTRY_SYSTEM_INFO;
    // Below the other entries: the gathering takes a while and nobody waits for it at start-up.
    m_nPriority = 1;
}

CSysInfoRegisteredApplication::~CSysInfoRegisteredApplication() = default;

int CSysInfoRegisteredApplication::Initialize() {
    m_hReadyEvent = ostrel::CreateReadyEvent();
    HINSTANCE resources = base::CurrentResourceModule();
    m_strName.LoadString(resources, IDS_SYSINFO_NAME);
    m_strDescription.LoadString(resources, IDS_SYSINFO_DESCRIPTION);
    m_nCategory = 0;
    m_strKey = kKey;
    m_nIconIndex = kIconIndex;
    m_hModule = ::GetModuleHandleW(nullptr);
    m_hSmallIcon = LoadAppIcon(16);
    return 1;
}

HICON CSysInfoRegisteredApplication::LoadAppIcon(int size) {
    return static_cast<HICON>(::LoadImageW(base::CurrentResourceModule(), MAKEINTRESOURCEW(kIconIndex), IMAGE_ICON,
                                           size, size, LR_DEFAULTCOLOR));
}

CTabDialog* CSysInfoRegisteredApplication::CreatePage(IPageHost* host, HWND parent) {
    auto* page = new COSLSystemInfo(this, host);
    if (page->Create(parent)) return page;
    delete page;
    return nullptr;
}

int CSysInfoRegisteredApplication::CompleteInit() {
    // Once signalled, the page's worker may be reading the strings: they are never written again.
    if (m_hReadyEvent && ::WaitForSingleObject(m_hReadyEvent, 0) == WAIT_OBJECT_0) return 1;
    m_ullCacheSum = 0;
    m_ullMemorySum = 0;

    base::ComInit com;  // outlives the client below
    std::unique_ptr<CWmiData> wmi = MakeWmiClient();
    if (!wmi || !wmi->Connect()) return 0;
    GatherProcessor(*wmi);
    GatherComputerSystem(*wmi);
    unsigned long long installed = 0;
    if (QueryInstalledMemory(&installed)) ostrel::FormatKilobytes(installed, &m_strMemory);
    GatherCache(*wmi);
    GatherBios(*wmi);
    GatherOperatingSystem(*wmi);
    ReadSystemVersion(&m_strSystemVersion);
    wmi->Close();
    m_strProcessor.Trim();

    if (m_hReadyEvent) ::SetEvent(m_hReadyEvent);
    return 1;
}

void CSysInfoRegisteredApplication::GatherProcessor(CWmiData& wmi) {
    if (wmi.Select(L"Win32_Processor")) {
        wmi.GetStringProperty(L"Name", &m_strProcessor);
        unsigned long long megahertz = 0;
        if (wmi.GetNumberProperty(L"MaxClockSpeed", &megahertz)) m_strClock = ostrel::FormatClockSpeed(megahertz);
    }
    wmi.CloseQuery();
}

void CSysInfoRegisteredApplication::GatherComputerSystem(CWmiData& wmi) {
    if (wmi.Select(L"Win32_ComputerSystem")) {
        wmi.GetStringProperty(L"Manufacturer", &m_strManufacturer);
        wmi.GetStringProperty(L"Model", &m_strModel);
        unsigned long long bytes = 0;
        if (wmi.GetNumberProperty(L"TotalPhysicalMemory", &bytes)) m_ullMemorySum += bytes;
        while (wmi.NextNumberProperty(L"TotalPhysicalMemory", &bytes)) m_ullMemorySum += bytes;
        if (m_ullMemorySum != 0) ostrel::FormatKilobytes(ostrel::RoundMemoryKilobytes(m_ullMemorySum), &m_strMemory);
    }
    wmi.CloseQuery();
}

void CSysInfoRegisteredApplication::GatherCache(CWmiData& wmi) {
    if (wmi.Select(L"Win32_CacheMemory Where level = 4")) {
        unsigned long long kilobytes = 0;
        if (wmi.GetNumberProperty(L"MaxCacheSize", &kilobytes)) m_ullCacheSum += kilobytes;
        while (wmi.NextNumberProperty(L"MaxCacheSize", &kilobytes)) m_ullCacheSum += kilobytes;
        ostrel::FormatKilobytes(m_ullCacheSum, &m_strCache);
    }
    wmi.CloseQuery();
}

void CSysInfoRegisteredApplication::GatherBios(CWmiData& wmi) {
    if (wmi.Select(L"Win32_BIOS")) {
        wmi.GetStringProperty(L"SerialNumber", &m_strSerialNumber);
        wmi.GetStringProperty(L"SMBIOSBIOSVersion", &m_strBiosVersion);
    }
    wmi.CloseQuery();
}

void CSysInfoRegisteredApplication::GatherOperatingSystem(CWmiData& wmi) {
    if (wmi.Select(L"Win32_OperatingSystem")) {
        wmi.GetStringProperty(L"Caption", &m_strCaption);
        wmi.GetStringProperty(L"CSDVersion", &m_strServicePack);
        CStringW mediaCenter;
        if (IsMediaCenterXp()) mediaCenter.LoadString(base::CurrentResourceModule(), IDS_MEDIA_CENTER_EDITION);
        m_strOperatingSystem = ostrel::ComposeOperatingSystem(m_strCaption, m_strServicePack,
                                                              mediaCenter.IsEmpty() ? nullptr : mediaCenter.GetString());
    }
    wmi.CloseQuery();
}

std::unique_ptr<CWmiData> CSysInfoRegisteredApplication::MakeWmiClient() { return std::make_unique<CWmiData>(); }

BOOL CSysInfoRegisteredApplication::QueryInstalledMemory(unsigned long long* kilobytes) {
    *kilobytes = 0;
    // Missing before Vista SP1: looked up by name so the program still starts there.
    HMODULE kernel = ::GetModuleHandleW(L"kernel32");
    auto query = kernel ? reinterpret_cast<InstalledMemoryFn>(::GetProcAddress(kernel, "GetPhysicallyInstalledSystemMemory"))
                        : nullptr;
    ULONGLONG value = 0;
    if (!query || !query(&value)) return FALSE;
    *kilobytes = value;
    return TRUE;
}

void CSysInfoRegisteredApplication::ReadSystemVersion(CStringW* version) { ostrel::ReadSmbiosSystemVersion(version); }

BOOL CSysInfoRegisteredApplication::IsMediaCenterXp() {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(&info)) return FALSE;
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion == 5 && info.dwMinorVersion == 1 &&
           ::GetSystemMetrics(SM_MEDIACENTER) != 0;
}
