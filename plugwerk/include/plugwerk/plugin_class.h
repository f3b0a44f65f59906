#pragma once
// One settings page of a plug-in.
//
// Order of calls by the host: the static queries (GetCategory, GetClassID, GetIDD, GetResPath, GetIcon,
// GetName, GetDescription) -> InitClass() once -> GetHelpItem, GetStartItem -> IsShow() -> for each
// visit: the dialog is created from GetIDD() in the page's resource module -> BindClassWnd(dialog) ->
// WndFunc(WM_INITDIALOG) -> WndFunc(every further dialog message) -> WndFunc(PWM_APPLY) on the host's
// apply worker thread, or WndFunc(PWM_CANCEL) -> WndFunc(WM_DESTROY, 0) before the page is left (8:
// not now), WndFunc(WM_DESTROY, 1) when the program closes.
// Ownership: the page owns its setting and status items (registered with RegisterItem /
// RegisterStatus) and deletes them; its ClassDesc owns the page. Buffers passed to the Get* queries are
// the caller's: 256 wide characters for the class id, start option and start folder, 1024 for paths;
// longer strings are cut to fit and always terminated.
#include <vector>

#include "plugwerk/export.h"

class SettingItem;
class StatusItem;

// Sizes of the caller buffers of the Get* queries, terminator included.
enum : unsigned { PLUGWERK_ID_CHARS = 256, PLUGWERK_PATH_CHARS = 1024 };

class PLUGWERK_API PluginClass {
public:
    struct ControlPos {
        unsigned id;
        int left, top, right, bottom;
    };

    PluginClass(unsigned name, unsigned description, unsigned IDD, const CStringW& classID);
    virtual ~PluginClass();
    // A page owns its items; copies would delete them twice.
    PluginClass(const PluginClass&) = delete;
    PluginClass& operator=(const PluginClass&) = delete;

    // The plug-in's late initialisation, called once by the host; 0 is success.
    virtual long InitClass();
    // Sees every message after the items; PW_NOT_HANDLED (7) keeps the items' result.
    virtual long DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam);
    // Whether the page can be shown on this machine.
    virtual bool CanShow() = 0;

    unsigned GetIDD();
    unsigned GetName();
    unsigned GetDescription();
    unsigned GetIcon();
    unsigned GetCategory();
    unsigned GetAuthority();
    HWND GetSafeHwnd();
    void GetClassID(wchar_t* buffer);
    void GetResPath(wchar_t* buffer);
    void GetStartItem(wchar_t* path, wchar_t* option, wchar_t* folder);
    void GetHelpItem(wchar_t* path, unsigned& option1, unsigned& option2);
    int IsWaitUI();
    bool IsModified();
    int IsCanSet();
    long IsDefault();
    bool IsShow();
    int GetSettingItemListCount();
    SettingItem* GetSettingItem(unsigned controlID);
    void MovetoFirst();
    StatusItem* GetNextStatusItem();

    long BindClassWnd(HWND page);
    long WndFunc(UINT message, WPARAM wParam, LPARAM lParam);
    // A message box owned by the host's window; -1 without a page window.
    long MessageBoxW(const wchar_t* text, unsigned type);

    void SetCategory(unsigned category);
    void SetIcon(unsigned icon);
    void SetAuthority(unsigned authority);
    void SetResPath(CStringW path);

protected:
    void RegisterItem(SettingItem* item);
    void RegisterStatus(StatusItem* item);
    void RegisterStart(const CStringW& path, const CStringW& option, const CStringW& folder);
    void RegisterHelp(const CStringW& path, unsigned option1, unsigned option2);
    // Rectangles in 96-dpi units, scaled to the screen; applied on WM_INITDIALOG.
    long SetControlPos(unsigned controlID, const RECT& rect);
    long SetControlPos(unsigned controlID, unsigned x, unsigned y, unsigned width, unsigned height);
    void CallBackAllSetting(bool write);

    unsigned m_nIDD;
    unsigned m_nName;
    unsigned m_nDescription;
    unsigned m_nIcon;
    unsigned m_nAuthority;
    unsigned m_nCategory;
    HWND m_hWnd;
    CStringW m_strStartPath;
    CStringW m_strStartOption;
    CStringW m_strStartFolder;
    CStringW m_strResPath;
    CStringW m_strHelpPath;
    unsigned m_nHelpOption1;
    unsigned m_nHelpOption2;
    CStringW m_strClassID;
    volatile LONG m_nWaitUI;
    std::vector<ControlPos> m_controlPos;
    std::vector<SettingItem*> m_settingItems;
    std::vector<StatusItem*> m_statusItems;
    size_t m_nStatusCursor;

private:
    long Apply();
    void ApplyControlPositions();
};
