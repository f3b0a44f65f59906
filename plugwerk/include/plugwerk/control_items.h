#pragma once
// Ready-made setting items for the standard controls: push button, check box, combo box, static text,
// list box, picture, radio group and track bar.
//
// Order of calls: the plug-in creates the item (with its option), fills its strings, display text,
// picture or slider data, and registers it with its page; the page then binds it to its control,
// initialises it on WM_INITDIALOG (OnInitItem shows the value; a combo box fills itself on the first
// WM_TIMER 20 ms later), forwards WM_COMMAND / WM_HSCROLL to it, and drives apply and rollback.
// Ownership: the page owns the item, the item its option. Strings given to an item are copied.
#include "plugwerk/item.h"

class PLUGWERK_API ButtonItem : public SettingItem {
public:
    ButtonItem(int name, int description, int controlID);
    void InitType() override;
    long OnInitItem() override;
    VARIANT GetItem() override;
    void SetItem(const VARIANT& value) override;
    long OnCommand(unsigned notifyCode, LPARAM lParam) override;
    // The button was clicked; the result becomes the page's WM_COMMAND result.
    virtual long OnButtonClick();
};

// VT_BOOL: 1 checked, 0 clear.
class PLUGWERK_API CheckBoxItem : public SettingItem {
public:
    CheckBoxItem(int name, int description, int controlID, unsigned settingID, SettingOption* option);
    void InitType() override;
    long OnInitItem() override;
    VARIANT GetItem() override;
    void SetItem(const VARIANT& value) override;
    long OnCommand(unsigned notifyCode, LPARAM lParam) override;
};

// VT_INT: the index of the selected string.
class PLUGWERK_API ComBoxItem : public SettingItem {
public:
    ComBoxItem(int name, int description, int controlID, unsigned settingID, SettingOption* option);
    void InitType() override;
    long OnInitItem() override;
    VARIANT GetItem() override;
    void SetItem(const VARIANT& value) override;
    long OnCommand(unsigned notifyCode, LPARAM lParam) override;
    long DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual int GetItemCount();
    virtual void AddString(const CStringW& text);

protected:
    virtual int LoadItemInfo();

    CAtlArray<CStringW> m_strings;
};

// A static text that shows a display text; stores no value.
class PLUGWERK_API CEditItem : public SettingItem {
public:
    CEditItem(int name, int description, int controlID, unsigned settingID, SettingOption* option);
    void InitType() override;
    long OnInitItem() override;
    VARIANT GetItem() override;
    void SetItem(const VARIANT& value) override;
    void SetDisplayText(const CStringW& text);

protected:
    CStringW m_strDisplay;
};

// VT_INT type; shows its strings and never becomes modified.
class PLUGWERK_API CListBoxItem : public SettingItem {
public:
    CListBoxItem(int name, int description, int controlID, unsigned settingID, SettingOption* option);
    void InitType() override;
    long OnInitItem() override;
    VARIANT GetItem() override;
    void SetItem(const VARIANT& value) override;
    long OnCommand(unsigned notifyCode, LPARAM lParam) override;
    virtual void AddListArray(const CAtlArray<CStringW>& strings);

protected:
    virtual int LoadItemInfo();

    CAtlArray<CStringW> m_strings;
};

// A static picture control showing an image from a module; the image is loaded once and kept.
class PLUGWERK_API CPictureItem : public SettingItem {
public:
    CPictureItem(int name, int description, int controlID, unsigned settingID, SettingOption* option);
    ~CPictureItem() override;
    void InitType() override;
    long OnInitItem() override;
    VARIANT GetItem() override;
    void SetItem(const VARIANT& value) override;
    // file: path of the module holding the image; type: IMAGE_ICON, IMAGE_BITMAP or IMAGE_CURSOR.
    virtual void AddPictureInfo(const CStringW& file, int type, int resourceID, int width, int height);

protected:
    HANDLE GetPictureHandle();

    CStringW m_strImageFile;
    int m_nImageType;
    int m_nResourceID;
    int m_nWidth;
    int m_nHeight;
    HANDLE m_hImage;
};

// VT_INT: the index of the checked button among count consecutive control ids.
class PLUGWERK_API CRadioButtonItem : public SettingItem {
public:
    CRadioButtonItem(int name, int description, int firstControlID, int count, unsigned settingID,
                     SettingOption* option);
    void InitType() override;
    long OnInitItem() override;
    VARIANT GetItem() override;
    void SetItem(const VARIANT& value) override;
    long OnCommand(unsigned notifyCode, LPARAM lParam) override;
};

// VT_INT: the position of a horizontal track bar.
class PLUGWERK_API CSliderItem : public SettingItem {
public:
    CSliderItem(int name, int description, int controlID, unsigned settingID, SettingOption* option);
    void InitType() override;
    long OnInitItem() override;
    VARIANT GetItem() override;
    void SetItem(const VARIANT& value) override;
    long OnCommand(unsigned notifyCode, LPARAM lParam) override;
    long DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Stores the range and tick frequency used at initialisation.
    void GetSliderData(int minimum, int maximum, int ticFrequency);

protected:
    void SetSliderRange();
    void SetSliderTicFreq();

    int m_nMin;
    int m_nMax;
    int m_nReserved;
    int m_nTicFreq;
};
