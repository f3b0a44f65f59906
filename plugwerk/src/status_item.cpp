#include "plugwerk/status_item.h"

#include "change_listener.h"
#include "change_signal.h"
#include "internal.h"
#include "plugwerk/plugin_class.h"

using plugwerk::Guarded;

CStatus::CStatus(unsigned type, CStringW display) : m_nType(type), m_nIndex(-1), m_strDisplay(display) {}
CStatus::~CStatus() = default;
int CStatus::CompareStatus(int value) { return value == m_nIndex ? 1 : 0; }
CStringW& CStatus::GetDisplayStr(int, CStringW& out) {
    out = m_strDisplay;
    return out;
}
void CStatus::SetIndex(unsigned index) { m_nIndex = static_cast<int>(index); }
void CStatus::SetDisplayStr(const CStringW& display) { m_strDisplay = display; }
unsigned CStatus::GetType(unsigned& out) {
    out = m_nType;
    return m_nType;
}

StatusItem::StatusItem(int name, int description, unsigned settingID, StatusOption* option)
    : Item(name, description, settingID, option), m_hEvent(nullptr), m_nCategory(0) {}

StatusItem::~StatusItem() {
    for (CStatus* status : m_statuses) delete status;
    // Only items of a stored setting have their event set by the listener.
    if (m_nSettingID != 0) plugwerk::CloseRelayedEvent(this, m_hEvent);
    if (m_hEvent) ::CloseHandle(m_hEvent);
}

void StatusItem::InitType() {
    SetDataType(VT_I4);
    m_vData.lVal = 0;
}

HANDLE StatusItem::CreateEventW(const CStringW& name) { return plugwerk::OpenSettingEvent(name); }

long StatusItem::AddStatus(unsigned type, const CStringW& display) {
    CStatus* status = Guarded(static_cast<CStatus*>(nullptr), [&] { return new CStatus(type, display); });
    return AddStatus(status);
}

long StatusItem::AddStatus(CStatus* status) {
    if (!status) return PW_NOT_POSSIBLE;
    status->SetIndex(static_cast<unsigned>(m_statuses.size()));
    m_statuses.push_back(status);
    return 0;
}

long StatusItem::GetCurStatus(unsigned& type, wchar_t* text) {
    if (m_vData.vt == VT_EMPTY) return PW_NOT_POSSIBLE;
    const int value = m_vData.lVal;
    for (CStatus* status : m_statuses) {
        if (!Guarded(0, [&] { return status->CompareStatus(value); })) continue;
        CStringW display;
        Guarded(0, [&] {
            status->GetDisplayStr(value, display);
            return 0;
        });
        plugwerk::CopyBounded(text, PLUGWERK_STATUS_TEXT_CHARS, display);
        status->GetType(type);
        return 0;
    }
    return PW_NOT_POSSIBLE;
}

HANDLE StatusItem::GetEvent() { return m_hEvent; }
unsigned StatusItem::GetCategory() { return m_nCategory; }
void StatusItem::SetCategory(unsigned category) { m_nCategory = category; }

void StatusItem::SetSettingPath(const CStringW& file, const CStringW& classID, const CStringW& setting) {
    m_strSettingPath = file + L"@" + classID + L"@" + setting;
}

long StatusItem::GetSettingPath(wchar_t* buffer) {
    plugwerk::CopyBounded(buffer, PLUGWERK_PATH_CHARS, m_strSettingPath);
    return 0;
}

long StatusItem::ReadFromOption() {
    long result = 0;
    if (m_pOption) {
        Guarded(0L, [&] { return m_pOption->OnSettingChange(m_vData); });
        VARIANT value;
        plugwerk::ZeroVariant(value);
        value.vt = VT_I4;
        value.lVal = 0;
        result = Guarded(static_cast<long>(PW_FAILED), [&] { return m_pOption->Get(value); });
        // VT_EMPTY from the option: the source has no value now, and the item shows no status.
        if (value.vt == VT_I4 || value.vt == VT_EMPTY) AssignValue(m_vData, value);
        ::VariantClear(&value);
    }
    m_bModified = !VariantCompare(m_vData, m_vApplied);
    if (m_bModified) AssignValue(m_vApplied, m_vData);
    return result;
}

long StatusItem::Refresh() {
    // Cleared before the reads: a change that lands while they run signals again and is read by the
    // next refresh instead of being cleared unseen.
    if (m_hEvent) ::ResetEvent(m_hEvent);
    // A value the option reported as missing last time is read as a number again.
    if (m_vData.vt == VT_EMPTY) InitType();
    if (m_nSettingID != 0) {
        plugwerk::ReloadService();
        ReadXMLData();
    }
    return ReadFromOption();
}

long StatusItem::WndFunc(UINT message, WPARAM, LPARAM) {
    switch (message) {
    case PWM_STATUS_INIT: {
        InitType();
        ReadXMLData();
        if (m_pOption) {
            VARIANT value;
            plugwerk::ZeroVariant(value);
            value.vt = VT_I4;
            value.lVal = 0;
            Guarded(0L, [&] { return m_pOption->Get(value); });
            if (value.vt == VT_I4 || value.vt == VT_EMPTY) AssignValue(m_vData, value);
            ::VariantClear(&value);
        }
        AssignValue(m_vApplied, m_vData);
        m_bModified = false;
        return Guarded(static_cast<long>(PW_NOT_POSSIBLE), [&] { return OnInitItem(); });
    }
    case PWM_STATUS_SIGNALLED:
    case PWM_STATUS_POWER:
        return Refresh();
    case PWM_STATUS_RELEASE:
        Guarded(0L, [&] { return UnRegisterEvent(); });
        return 0;
    default:
        return 0;
    }
}
