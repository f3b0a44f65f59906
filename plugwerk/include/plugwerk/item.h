#pragma once
// Items, options and item data.
//
// Order of calls on a setting item: the plug-in creates it with its option and registers it with its
// page (InitType, SetClassID, InitDefault, SetParentPtr) -> BindItemWnd when the page window exists ->
// WndFunc(PWM_INIT_ITEM) on WM_INITDIALOG (default, stored value, option's Get, Set when they differ,
// OnInitItem) -> the user's changes through OnCommand / DefWindowProcW -> Modified -> apply
// (PWM_APPLY_START, PWM_APPLY, PWM_APPLY_END) or PWM_ROLLBACK -> WM_DESTROY -> deleted with its page.
// Ownership: the page owns its items, an item owns its option (deleted with it). An item holds its own
// copy of every string value it keeps; values handed to an option are the item's and are only lent.
#include <vector>

#include "plugwerk/export.h"

class PluginClass;

// A plug-in's link between one item and the system (hardware, operating system). Derive and provide
// Set and Get.
class PLUGWERK_API SettingOption {
public:
    SettingOption() = default;
    virtual ~SettingOption();
    // The value changed (by the user or from outside); non-zero vetoes a user change.
    virtual long OnSettingChange(const VARIANT& value);
    // Apply phase 1; PW_FAILED (2) refuses the apply.
    virtual long OnSetStart(const VARIANT& value);
    // Apply phase 3.
    virtual long OnSetEnd(const VARIANT& value);
    // Write the value to the system; PW_FAILED (2) means it could not be written.
    virtual long Set(const VARIANT& value) = 0;
    // Read the value from the system. value.vt is preset to the item's type; leave it VT_EMPTY when the
    // system has no value. A string put here is taken over by the item.
    virtual long Get(VARIANT& value) = 0;
};

// Options of read-only status items: nothing is ever written.
class PLUGWERK_API StatusOption : public SettingOption {
private:
    long Set(const VARIANT& value) override;
};

class PLUGWERK_API Item {
public:
    Item(int name, int description, unsigned settingID, SettingOption* option);
    virtual ~Item();
    // Items own their option; copies would delete it twice.
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    // Sets the data type once (SetDataType); the value's VARIANT type never changes afterwards.
    virtual void InitType() = 0;
    // Shows the loaded value; called last in page initialisation.
    virtual long OnInitItem() = 0;

    int GetName();
    int GetDescription();
    bool IsModified();
    unsigned GetSettingID();
    void SetClassID(const CStringW& classID);
    const CStringW& GetClassID() const;

    // Copies the data into out (overwritten, not cleared first). A string is copied: clear out with
    // VariantClear when done.
    long GetItemData(VARIANT& out);
    // The value becomes both the data and the applied value.
    long SetItemData(VARIANT& value);

    // Loads the current value from the settings service: -1 without data type, setting id or service,
    // 1 without the service interface, else the service's result (0 success).
    long ReadXMLData();
    // Queues the data as the current value at the service (stored by the page's apply).
    long SaveXMLData();

protected:
    void SetDataType(unsigned vt);
    // Equal when the values' texts ("%d", "%f", empty for strings and other types) are equal.
    bool VariantCompare(const VARIANT& a, const VARIANT& b);
    // Takes a copy of source into target, releasing what target held (strings are deep-copied).
    static void AssignValue(VARIANT& target, const VARIANT& source);

    int m_nName;
    int m_nDescription;
    SettingOption* m_pOption;
    VARIANT m_vData;
    unsigned m_nSettingID;
    CStringW m_strClassID;
    bool m_bModified;
    VARIANT m_vApplied;
};

class PLUGWERK_API SettingItem : public Item {
public:
    struct ControlRecord {
        HWND hWnd;
        unsigned id;
    };

    // controlID <= 0: no control record.
    SettingItem(int name, int description, int controlID, unsigned settingID, SettingOption* option);
    ~SettingItem() override;

    // Reads the value shown in the control.
    virtual VARIANT GetItem() = 0;
    // Shows the value in the control.
    virtual void SetItem(const VARIANT& value) = 0;
    // WM_COMMAND from one of the item's controls; lParam is the control's window.
    virtual long OnCommand(unsigned notifyCode, LPARAM lParam);
    // Sees every message the item's WndFunc handled, afterwards; its result is ignored.
    virtual long DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam);

    void AddControl(unsigned controlID, HWND window);
    bool FindControl(unsigned controlID);
    // The first record's control id; 0 when the item has no control.
    unsigned GetControlID();
    long BindItemWnd(HWND page);
    long EnableItem(int enable);
    // -1 without that record or window, else SendMessageW's result.
    LRESULT SendMsg(unsigned index, UINT message, WPARAM wParam, LPARAM lParam);

    void SetParentPtr(void* page);
    int IsCanSet();
    int IsUIChanged();
    void SetUIChange(int changed);

    // A user change to value: ignored when empty or equal to the data; the option may veto it;
    // otherwise the item is modified when the value differs from the applied one and PWM_VALUE_CHANGED
    // goes to the page window.
    void Modified(const VARIANT& value);
    // Marks the item modified (for values such as strings that Modified(value) cannot compare).
    void Modified();

    // 4 when value is empty or not of the data type; else the new default, 0.
    long SetDefault(const VARIANT& value);
    // 3 when there is no default of the data type.
    long GetDefault(VARIANT& out);
    void InitDefault();
    long ResetDefault();

    // The item's side of the page protocol (PWM_* messages, WM_DESTROY, change message).
    long WndFunc(UINT message, WPARAM wParam, LPARAM lParam);

    // Following outside changes. Register on the page's WM_INITDIALOG (the page unregisters every
    // item on WM_DESTROY). One listening thread per process waits for all items of all pages and calls
    // OnSettingChange on that thread, so SetItem then runs there too (control updates reach the page
    // by cross-thread SendMessageW). A change while the user's own change is pending on the page
    // (IsUIChanged) is not loaded.
    //
    // Routes a window message of the page to this item as an outside change; -1 for 0.
    long RegisterChange(unsigned message);
    // The settings service's event for this setting ("Global\<class id>,<setting id>"): 0 when
    // listening; -1 without event, or when 62 items of this process listen already (a wait takes 64
    // handles, two are the listener's own). Registering again keeps one entry.
    long RegisterChange();
    // As RegisterChange(), but listens first and registers at the service only then.
    long StartListenXMLChange();
    // Stops the service's event and the listening: 0, 8 when the listener stayed busy for 100 ms,
    // -1 without event or service, else the service's result.
    long StopListenXMLChange();
    // Watches root\subKey and its subtree (the key must exist): 0, or -1 with nothing kept.
    long RegisterChange(HKEY root, const wchar_t* subKey);
    // Ends every kind of listening: 0, 8 when the listener stayed busy for 100 ms (still listening),
    // -1 when the item was not listening.
    long UnRegisterChange();
    HANDLE GetXMLEvent();
    unsigned GetSettingChangeMsg();
    int IsReg();

protected:
    // An outside change arrived: reload from the service and the option and show a changed value.
    virtual long OnSettingChange();
    // A manual-reset event of that name reachable from every process, cleared; null on failure.
    HANDLE CreateEventW(const CStringW& name);

    HWND GetControlWnd(unsigned index = 0);
    HWND GetParentWnd();
    void InitItemFromStore();

    std::vector<ControlRecord> m_controls;
    PluginClass* m_pParent;
    int m_nCanSet;
    VARIANT m_vDefault;
    HANDLE m_hChangeEvent;
    unsigned m_nChangeMessage;
    HKEY m_hWatchedKey;
    int m_nUIChanged;

private:
    bool OpenXMLEvent();
    void CloseChangeEvent();
    void RearmWatchedKey();
    long OnChangeEvent();
};
