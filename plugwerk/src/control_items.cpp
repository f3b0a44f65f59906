#include "plugwerk/control_items.h"

#include <commctrl.h>

#include "internal.h"

namespace {
VARIANT MakeValue(VARTYPE type, LONG value) {
    VARIANT v;
    plugwerk::ZeroVariant(v);
    v.vt = type;
    v.lVal = value;
    return v;
}
VARIANT EmptyValue() {
    VARIANT v;
    plugwerk::ZeroVariant(v);
    return v;
}
}  // namespace

// Push button ----------------------------------------------------------------------------------------

ButtonItem::ButtonItem(int name, int description, int controlID) : SettingItem(name, description, controlID, 0, nullptr) {}
void ButtonItem::InitType() {}
long ButtonItem::OnInitItem() { return 0; }
VARIANT ButtonItem::GetItem() { return EmptyValue(); }
void ButtonItem::SetItem(const VARIANT&) {}
long ButtonItem::OnCommand(unsigned notifyCode, LPARAM) {
    if (notifyCode != BN_CLICKED) return 1;
    return plugwerk::Guarded(static_cast<long>(PW_FAILED), [&] { return OnButtonClick(); });
}
long ButtonItem::OnButtonClick() { return 0; }

// Check box ------------------------------------------------------------------------------------------

CheckBoxItem::CheckBoxItem(int name, int description, int controlID, unsigned settingID, SettingOption* option)
    : SettingItem(name, description, controlID, settingID, option) {
    m_nCanSet = 1;
}
void CheckBoxItem::InitType() { SetDataType(VT_BOOL); }
long CheckBoxItem::OnInitItem() {
    SetItem(m_vData);
    return 0;
}
VARIANT CheckBoxItem::GetItem() {
    VARIANT v;
    plugwerk::ZeroVariant(v);
    v.vt = VT_BOOL;
    // 1, not VARIANT_TRUE: the stored text of a checked box is "1".
    v.boolVal = SendMsg(0, BM_GETCHECK, 0, 0) != 0 ? 1 : 0;
    return v;
}
void CheckBoxItem::SetItem(const VARIANT& value) {
    if (value.vt != VT_BOOL) return;
    SendMsg(0, BM_SETCHECK, static_cast<WPARAM>(static_cast<INT_PTR>(value.boolVal)), 0);
}
long CheckBoxItem::OnCommand(unsigned notifyCode, LPARAM) {
    if (notifyCode != BN_CLICKED) return 1;
    Modified(GetItem());
    return 0;
}

// Combo box ------------------------------------------------------------------------------------------

namespace {
// All combo boxes of a page share this timer; the first WM_TIMER fills every one of them.
const UINT_PTR kFillTimer = 1;
const UINT kFillDelayMs = 20;
}  // namespace

ComBoxItem::ComBoxItem(int name, int description, int controlID, unsigned settingID, SettingOption* option)
    : SettingItem(name, description, controlID, settingID, option) {
    m_nCanSet = 1;
}
void ComBoxItem::InitType() { SetDataType(VT_INT); }
long ComBoxItem::OnInitItem() {
    // Filled late so that a page with long lists shows at once.
    if (HWND page = GetParentWnd()) ::SetTimer(page, kFillTimer, kFillDelayMs, nullptr);
    return 0;
}
VARIANT ComBoxItem::GetItem() { return MakeValue(VT_INT, static_cast<LONG>(SendMsg(0, CB_GETCURSEL, 0, 0))); }
void ComBoxItem::SetItem(const VARIANT& value) {
    if (value.vt != VT_INT) return;
    SendMsg(0, CB_SETCURSEL, static_cast<WPARAM>(static_cast<INT_PTR>(value.intVal)), 0);
}
long ComBoxItem::OnCommand(unsigned notifyCode, LPARAM) {
    if (notifyCode != CBN_SELCHANGE) return 1;
    Modified(GetItem());
    return 0;
}
long ComBoxItem::DefWindowProcW(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_TIMER && wParam == kFillTimer) {
        LoadItemInfo();
        SetItem(m_vData);
        if (HWND control = GetControlWnd(0)) ::ShowWindow(control, SW_SHOW);
        if (HWND page = GetParentWnd()) ::KillTimer(page, kFillTimer);
    }
    return 0;
}
int ComBoxItem::GetItemCount() { return static_cast<int>(SendMsg(0, CB_GETCOUNT, 0, 0)); }
void ComBoxItem::AddString(const CStringW& text) { m_strings.Add(text); }
int ComBoxItem::LoadItemInfo() {
    for (const CStringW& text : m_strings) {
        if (!GetControlWnd(0)) break;
        SendMsg(0, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.GetString()));
    }
    return 0;
}

// Static text ----------------------------------------------------------------------------------------

CEditItem::CEditItem(int name, int description, int controlID, unsigned settingID, SettingOption* option)
    : SettingItem(name, description, controlID, settingID, option) {}
void CEditItem::InitType() {}
long CEditItem::OnInitItem() {
    if (HWND control = GetControlWnd(0)) ::SetWindowTextW(control, m_strDisplay);
    return 0;
}
VARIANT CEditItem::GetItem() { return EmptyValue(); }
void CEditItem::SetItem(const VARIANT&) {}
void CEditItem::SetDisplayText(const CStringW& text) {
    m_strDisplay = text;
    if (HWND control = GetControlWnd(0)) ::SetWindowTextW(control, m_strDisplay);
}

// List box -------------------------------------------------------------------------------------------

CListBoxItem::CListBoxItem(int name, int description, int controlID, unsigned settingID, SettingOption* option)
    : SettingItem(name, description, controlID, settingID, option) {}
void CListBoxItem::InitType() { SetDataType(VT_INT); }
long CListBoxItem::OnInitItem() {
    LoadItemInfo();
    return 0;
}
VARIANT CListBoxItem::GetItem() { return MakeValue(VT_INT, 0); }
void CListBoxItem::SetItem(const VARIANT&) {}
long CListBoxItem::OnCommand(unsigned notifyCode, LPARAM) { return notifyCode == LBN_SELCHANGE ? 0 : 1; }
void CListBoxItem::AddListArray(const CAtlArray<CStringW>& strings) { m_strings.Append(strings); }
int CListBoxItem::LoadItemInfo() {
    for (size_t i = 0; i < m_strings.GetCount(); ++i) {
        if (!GetControlWnd(0)) break;
        SendMsg(0, LB_INSERTSTRING, i, reinterpret_cast<LPARAM>(m_strings[i].GetString()));
    }
    return 0;
}

// Picture --------------------------------------------------------------------------------------------

CPictureItem::CPictureItem(int name, int description, int controlID, unsigned settingID, SettingOption* option)
    : SettingItem(name, description, controlID, settingID, option),
      m_nImageType(0),
      m_nResourceID(0),
      m_nWidth(0),
      m_nHeight(0),
      m_hImage(nullptr) {}
CPictureItem::~CPictureItem() {
    if (!m_hImage) return;
    switch (m_nImageType) {
    case IMAGE_ICON:
        ::DestroyIcon(static_cast<HICON>(m_hImage));
        break;
    case IMAGE_CURSOR:
        ::DestroyCursor(static_cast<HCURSOR>(m_hImage));
        break;
    default:
        ::DeleteObject(m_hImage);
        break;
    }
}
void CPictureItem::InitType() {}
long CPictureItem::OnInitItem() {
    GetPictureHandle();
    SetItem(m_vData);
    return 0;
}
VARIANT CPictureItem::GetItem() { return EmptyValue(); }
void CPictureItem::SetItem(const VARIANT&) { SendMsg(0, STM_SETICON, reinterpret_cast<WPARAM>(m_hImage), 0); }
void CPictureItem::AddPictureInfo(const CStringW& file, int type, int resourceID, int width, int height) {
    m_strImageFile = file;
    m_nImageType = type;
    m_nResourceID = resourceID;
    m_nWidth = width;
    m_nHeight = height;
}
HANDLE CPictureItem::GetPictureHandle() {
    if (m_hImage) return m_hImage;
    // The module stays loaded for the item's lifetime: the image is drawn from it on every visit.
    HMODULE module = ::LoadLibraryW(m_strImageFile);
    if (!module) return nullptr;
    m_hImage = ::LoadImageW(module, MAKEINTRESOURCEW(m_nResourceID), static_cast<UINT>(m_nImageType), m_nWidth,
                            m_nHeight, LR_DEFAULTCOLOR);
    return m_hImage;
}

// Radio buttons --------------------------------------------------------------------------------------

CRadioButtonItem::CRadioButtonItem(int name, int description, int firstControlID, int count, unsigned settingID,
                                   SettingOption* option)
    : SettingItem(name, description, 0, settingID, option) {
    m_nCanSet = 1;
    for (int i = 0; i < count; ++i) AddControl(static_cast<unsigned>(firstControlID + i), nullptr);
}
void CRadioButtonItem::InitType() { SetDataType(VT_INT); }
long CRadioButtonItem::OnInitItem() {
    SetItem(m_vData);
    return 0;
}
VARIANT CRadioButtonItem::GetItem() {
    VARIANT v;
    plugwerk::ZeroVariant(v);
    v.vt = VT_INT;
    // No button checked: the data stays what it was (a value outside the list, as the item shows it).
    v.intVal = m_vData.vt == VT_INT ? m_vData.intVal : -1;
    for (size_t i = 0; i < m_controls.size(); ++i) {
        HWND button = GetControlWnd(static_cast<unsigned>(i));
        if (!button || ::SendMessageW(button, BM_GETCHECK, 0, 0) != 0) {
            v.intVal = static_cast<int>(i);
            break;
        }
    }
    return v;
}
void CRadioButtonItem::SetItem(const VARIANT& value) {
    if (value.vt != VT_INT) return;
    for (size_t i = 0; i < m_controls.size(); ++i) {
        if (HWND button = GetControlWnd(static_cast<unsigned>(i))) ::SendMessageW(button, BM_SETCHECK, 0, 0);
    }
    int index = static_cast<short>(value.intVal & 0xFFFF);
    if (index >= 0 && static_cast<size_t>(index) < m_controls.size()) SendMsg(static_cast<unsigned>(index), BM_SETCHECK, 1, 0);
}
long CRadioButtonItem::OnCommand(unsigned notifyCode, LPARAM) {
    if (notifyCode == BN_CLICKED) Modified(GetItem());
    return 1;
}

// Slider ---------------------------------------------------------------------------------------------

CSliderItem::CSliderItem(int name, int description, int controlID, unsigned settingID, SettingOption* option)
    : SettingItem(name, description, controlID, settingID, option), m_nMin(0), m_nMax(100), m_nReserved(0), m_nTicFreq(1) {
    m_nCanSet = 1;
}
void CSliderItem::InitType() { SetDataType(VT_INT); }
long CSliderItem::OnInitItem() {
    SetSliderRange();
    SetSliderTicFreq();
    SetItem(m_vData);
    return 0;
}
VARIANT CSliderItem::GetItem() { return MakeValue(VT_INT, static_cast<LONG>(SendMsg(0, TBM_GETPOS, 0, 0))); }
void CSliderItem::SetItem(const VARIANT& value) {
    if (value.vt != VT_INT) return;
    SendMsg(0, TBM_SETPOS, TRUE, value.intVal);
}
long CSliderItem::OnCommand(unsigned notifyCode, LPARAM) {
    if (notifyCode != 0) return 1;
    Modified(GetItem());
    return 0;
}
long CSliderItem::DefWindowProcW(UINT message, WPARAM, LPARAM) {
    if (message == WM_HSCROLL) Modified(GetItem());
    return 0;
}
void CSliderItem::GetSliderData(int minimum, int maximum, int ticFrequency) {
    m_nMin = minimum;
    m_nMax = maximum;
    m_nTicFreq = ticFrequency;
}
void CSliderItem::SetSliderRange() {
    SendMsg(0, TBM_SETRANGEMIN, 0, m_nMin);
    SendMsg(0, TBM_SETRANGEMAX, 0, m_nMax);
}
void CSliderItem::SetSliderTicFreq() { SendMsg(0, TBM_SETTICFREQ, static_cast<WPARAM>(m_nTicFreq), 0); }
