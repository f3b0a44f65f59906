#pragma once
// Read-only status values for the status page.
//
// Order of calls: the plug-in creates a status item with its StatusOption and its CStatus entries and
// registers it with its page (RegisterStatus); the status page enumerates the page's status items with
// MovetoFirst / GetNextStatusItem and sends them the PWM_STATUS_* messages.
// Ownership: the page owns its status items, a status item its option and its CStatus entries.
#include "plugwerk/item.h"

class PLUGWERK_API CStatus {
public:
    CStatus(unsigned type, CStringW display);
    virtual ~CStatus();
    // 1 when value equals the entry's index.
    virtual int CompareStatus(int value);
    virtual CStringW& GetDisplayStr(int value, CStringW& out);

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
    virtual long WndFunc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual long RegisterEvent() = 0;
    virtual long UnRegisterEvent() = 0;

    HANDLE GetEvent();
    unsigned GetCategory();
    void SetCategory(unsigned category);

protected:
    void InitType() override;

    HANDLE m_hEvent;
    std::vector<CStatus*> m_statuses;
    unsigned m_nCategory;
    CStringW m_strSettingPath;
};
