#pragma once
// CRegisteredApplication: one entry of the catalogue that the settings window lists (a plug-in page,
// an application registered in the registry or through the settings service, the status page or the
// system-information page). The message window owns every entry.
#include <windows.h>
#include "base/cstringw.h"

class CTabDialog;
class IPageHost;

namespace ostrel {
// The product's key under HKEY_LOCAL_MACHINE; every subkey is a registered application.
constexpr const wchar_t kProductKey[] = L"SOFTWARE\\Quor Corporation\\Ostrel";
// Opens the product key (subkey null) or one of its subkeys for reading.
LONG OpenProductKey(const wchar_t* subkey, HKEY* key);
// Points the catalogue at another key (null, null: back to the product key); tests only.
void SetProductKeyForTests(HKEY root, const wchar_t* path);
// The ready event of an entry that completes in the background: manual-reset, unsignalled,
// inheritable, with a null access list so that every waiter may use it.
HANDLE CreateReadyEvent();
// The same for any name: made or opened, and clear either way.
HANDLE CreateOpenEvent(const wchar_t* name);
}  // namespace ostrel

enum EntryType : int {
    ENTRY_REGISTRY_APP = 0,
    ENTRY_XML_APP = 1,
    ENTRY_PLUGIN_PAGE = 2,
    ENTRY_SYSTEM_INFO = 3,
    ENTRY_STATUS_PAGE = 4,
};

class CRegisteredApplication {
public:
    CRegisteredApplication() = default;
    virtual ~CRegisteredApplication();
    CRegisteredApplication(const CRegisteredApplication&) = delete;
    CRegisteredApplication& operator=(const CRegisteredApplication&) = delete;

    // 1 when the subkey holds a valid application, 0 when the entry is to be discarded.
    virtual int ReadFromRegistry(const wchar_t* subkey);
    // 2 when there is no subkey with that index, else the result of ReadFromRegistry.
    virtual int ReadByIndex(DWORD index);
    // A new icon of size x size pixels, or none.
    virtual HICON LoadAppIcon(int size);
    // Line 0, 1 or 2 of the description; empty for other numbers or missing lines.
    virtual CStringW GetDescriptionLine(int line);
    // Background completion; 1 when done.
    virtual int CompleteInit();
    // Releases what the entry holds outside itself, before it is destroyed.
    virtual void Unload();
    virtual BOOL IsVisible();
    // Subclasses: 0 discard, 1 append, 2 discard and stop the current enumeration.
    virtual int Initialize();
    // The page the settings window shows for this entry, made as a child of parent on the window's
    // thread; the caller owns it. Null for entries without a page of their own (plain applications;
    // plug-in pages are hosted by the window itself).
    virtual CTabDialog* CreatePage(IPageHost* host, HWND parent);

    int GetEntryType() const noexcept { return m_nType; }
    int GetPriority() const noexcept { return m_nPriority; }
    void SetPriority(int priority) noexcept { m_nPriority = priority; }
    HANDLE GetReadyEvent() const noexcept { return m_hReadyEvent; }

    CStringW m_strKey;
    CStringW m_strName;
    CStringW m_strAppPath;
    CStringW m_strAppOption;
    CStringW m_strFolder;
    UINT m_nCategory = 255;
    CStringW m_strDescription;
    CStringW m_strIconPath;
    int m_nIconIndex = 0;
    CStringW m_strHelpPath;
    UINT m_nHelpOption1 = 0;
    UINT m_nHelpOption2 = 0;
    UINT m_nHideMode = 0;
    UINT m_nCheck = 0;
    CStringW m_strCheckFunc;
    int m_nIconSearchCounter = 0;
    LPCWSTR m_pIconSearchResult = nullptr;
    int m_nType = ENTRY_REGISTRY_APP;
    HMODULE m_hModule = nullptr;
    // Read by window threads while the main thread may raise it; a plain int store is atomic here.
    volatile int m_nPriority = 2;
    HANDLE m_hReadyEvent = nullptr;
    HICON m_hSmallIcon = nullptr;
};
