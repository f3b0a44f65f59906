#include "plugwerk/status_item.h"

CStatus::CStatus(unsigned type, CStringW display) : m_nType(type), m_nIndex(-1), m_strDisplay(display) {}
CStatus::~CStatus() = default;
int CStatus::CompareStatus(int value) { return value == m_nIndex ? 1 : 0; }
CStringW& CStatus::GetDisplayStr(int, CStringW& out) {
    out = m_strDisplay;
    return out;
}

StatusItem::StatusItem(int name, int description, unsigned settingID, StatusOption* option)
    : Item(name, description, settingID, option), m_hEvent(nullptr), m_nCategory(0) {}

StatusItem::~StatusItem() {
    for (CStatus* status : m_statuses) delete status;
}

void StatusItem::InitType() { SetDataType(VT_I4); }
// Status messages are answered by the ready-made status item kinds; the base handles none.
long StatusItem::WndFunc(UINT, WPARAM, LPARAM) { return 0; }
HANDLE StatusItem::GetEvent() { return m_hEvent; }
unsigned StatusItem::GetCategory() { return m_nCategory; }
void StatusItem::SetCategory(unsigned category) { m_nCategory = category; }
