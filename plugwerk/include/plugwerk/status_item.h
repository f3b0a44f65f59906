#pragma once
// Read-only status values for the status window.
//
// Order of calls: the plug-in creates a status item with its StatusOption and its CStatus entries
// (AddStatus: entry i stands for the value i) and registers it with its page (RegisterStatus). The
// status window enumerates a page's items with PluginClass::MovetoFirst / GetNextStatusItem, and for
// each: WndFunc(PWM_STATUS_INIT) (a non-zero result ends that page's gathering), GetName (a string id
// of the plug-in's module), GetSettingPath, GetCurStatus, GetCategory; then RegisterEvent and
// GetEvent (null: nothing to wait for). When the event is signalled: WndFunc(PWM_STATUS_SIGNALLED),
// then GetEvent again (an item may replace its event), and IsModified says whether the row must be
// redrawn. WM_POWERBROADCAST and WM_DEVICECHANGE reach every item as WndFunc(PWM_STATUS_POWER) and
// WndFunc(WM_DEVICECHANGE). All messages take both parameters 0.
// Ownership: the page owns its status items, a status item its option and its CStatus entries.
#include "plugwerk/item.h"

// Capacity of the text buffer of StatusItem::GetCurStatus, terminator included.
enum : unsigned { PLUGWERK_STATUS_TEXT_CHARS = 100 };

// One possible status: the value it matches, its display text and its type (the status window's
// image index). Derive to match ranges or build texts.
class PLUGWERK_API CStatus {
public:
    CStatus(unsigned type, CStringW display);
    virtual ~CStatus();
    // 1 when value equals the entry's index.
    virtual int CompareStatus(int value);
    // The display text into out (the value is for derived entries).
    virtual CStringW& GetDisplayStr(int value, CStringW& out);

    void SetIndex(unsigned index);
    void SetDisplayStr(const CStringW& display);
    unsigned GetType(unsigned& out);

protected:
    unsigned m_nType;
    int m_nIndex;
    CStringW m_strDisplay;
};

class PLUGWERK_API StatusItem : public Item {
public:
    StatusItem(int name, int description, unsigned settingID, StatusOption* option);
    ~StatusItem() override;
    long OnInitItem() override = 0;
    // PWM_STATUS_INIT: load from the store and the option (result: OnInitItem); PWM_STATUS_SIGNALLED
    // and PWM_STATUS_POWER: read again, IsModified tells whether the value changed (result: the
    // option's Get); PWM_STATUS_RELEASE: UnRegisterEvent. Anything else: 0.
    virtual long WndFunc(UINT message, WPARAM wParam, LPARAM lParam);
    // 0 when GetEvent then gives an event to wait for; -1 when there is none.
    virtual long RegisterEvent() = 0;
    virtual long UnRegisterEvent() = 0;

    // Entry i matches the value i; the item owns the entry. 0, or -1 (nothing added).
    long AddStatus(unsigned type, const CStringW& display);
    long AddStatus(CStatus* status);
    // The first entry matching the value: its text into text (PLUGWERK_STATUS_TEXT_CHARS, cut to fit;
    // null: not copied) and its type, 0. -1 when no entry matches or there is no value; the outputs are
    // then untouched.
    long GetCurStatus(unsigned& type, wchar_t* text);

    HANDLE GetEvent();
    // Which list of the status window shows the item (0, 1, 2; other values: no row).
    unsigned GetCategory();
    void SetCategory(unsigned category);
    // The jump target "file@classID@setting" (file, parameters, folder for the status window).
    void SetSettingPath(const CStringW& file, const CStringW& classID, const CStringW& setting);
    // Copies it into buffer (PLUGWERK_PATH_CHARS, cut to fit); 0.
    long GetSettingPath(wchar_t* buffer);

protected:
    void InitType() override;
    HANDLE CreateEventW(const CStringW& name);
    // Loads the store's value (the service re-reads its files first) and the option's, as on a signal.
    long Refresh();
    // The option's view of the value; updates modified and the applied value. The option's Get result.
    long ReadFromOption();

    HANDLE m_hEvent;
    std::vector<CStatus*> m_statuses;
    unsigned m_nCategory;
    CStringW m_strSettingPath;
};

// A stored setting, followed through the settings service's event for it.
class PLUGWERK_API CXMLStatusItem : public StatusItem {
public:
    CXMLStatusItem(int name, int description, unsigned settingID, StatusOption* option);
    long OnInitItem() override;
    // -1 for setting id 0 or without the service (the event is made all the same).
    long RegisterEvent() override;
    long UnRegisterEvent() override;
};

// A value the system keeps under a registry key, followed by watching root\subKey. subKey is kept as
// given: the text must outlive the item.
class PLUGWERK_API CRegStatusItem : public StatusItem {
public:
    CRegStatusItem(int name, int description, HKEY root, const wchar_t* subKey, StatusOption* option);
    ~CRegStatusItem() override;
    long OnInitItem() override;
    // After PWM_STATUS_SIGNALLED the watch is armed again (a key signals once), with a new event.
    long WndFunc(UINT message, WPARAM wParam, LPARAM lParam) override;
    long RegisterEvent() override;
    long UnRegisterEvent() override;

protected:
    HKEY m_hRoot;
    const wchar_t* m_pszSubKey;
    HKEY m_hKey;
};

// A device's state, read again on WM_DEVICECHANGE; it has no event.
class PLUGWERK_API CDevStatusItem : public StatusItem {
public:
    CDevStatusItem(int name, int description, StatusOption* option);
    long OnInitItem() override;
    long WndFunc(UINT message, WPARAM wParam, LPARAM lParam) override;
    long RegisterEvent() override;
    long UnRegisterEvent() override;
};
