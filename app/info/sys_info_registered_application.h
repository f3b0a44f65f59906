#pragma once
// CSysInfoRegisteredApplication: the catalogue entry of the system-information page. Its
// background completion gathers the facts once per run through WMI and the firmware table and
// then signals the ready event; from then on the strings are only read (by the page's worker).
#include <memory>

#include "catalogue/registered_application.h"

class CWmiData;

class CSysInfoRegisteredApplication : public CRegisteredApplication {
public:
    static constexpr const wchar_t* kKey = L"SystemInfo";
    static constexpr int kIconIndex = 133;

    CSysInfoRegisteredApplication();
    ~CSysInfoRegisteredApplication() override;

    int Initialize() override;
    // The gathering; 0 (and no ready event) when WMI cannot be reached.
    int CompleteInit() override;
    HICON LoadAppIcon(int size) override;
    void Unload() override {}
    BOOL IsVisible() override { return TRUE; }
    // The system-information page, showing this entry's facts.
    CTabDialog* CreatePage(IPageHost* host, HWND parent) override;

    CStringW m_strProcessor;
    CStringW m_strClock;
    unsigned long long m_ullCacheSum = 0;  // kilobytes
    CStringW m_strCache;
    CStringW m_strManufacturer;
    CStringW m_strModel;
    unsigned long long m_ullMemorySum = 0;  // bytes
    CStringW m_strMemory;
    CStringW m_strSerialNumber;
    CStringW m_strBiosVersion;
    CStringW m_strSystemVersion;
    CStringW m_strOperatingSystem;
    CStringW m_strCaption;
    CStringW m_strServicePack;

protected:
    // Where the gathering meets the system; tests replace them.
    virtual std::unique_ptr<CWmiData> MakeWmiClient();
    // Installed memory in kilobytes, where the system can tell it.
    virtual BOOL QueryInstalledMemory(unsigned long long* kilobytes);
    virtual void ReadSystemVersion(CStringW* version);
    // The XP edition whose caption does not say that it is the Media Center edition.
    virtual BOOL IsMediaCenterXp();

private:
    void GatherProcessor(CWmiData& wmi);
    void GatherComputerSystem(CWmiData& wmi);
    void GatherCache(CWmiData& wmi);
    void GatherBios(CWmiData& wmi);
    void GatherOperatingSystem(CWmiData& wmi);
};
