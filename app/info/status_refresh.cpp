// The status window's refresh thread: gathering the plug-ins' statuses into the lists, then keeping
// the rows current as the items' events fire.
#include <shlwapi.h>

#include "base/resource_module.h"
#include "catalogue/plugin_registered_application.h"
#include "catalogue/catalogue_owner.h"
#include "common/status_gathering.h"
#include "info/status_info.h"
#include "info/status_jump.h"
#include "plugwerk/plugin_class.h"
#include "plugwerk/status_item.h"

namespace {
constexpr int kPluginPriority = 4;
constexpr unsigned kSettingPathChars = PLUGWERK_PATH_CHARS;
constexpr unsigned kStatusTextChars = PLUGWERK_STATUS_TEXT_CHARS;
constexpr unsigned kUpdateTextChars = 260;

// Looked up in the plug-in's module first, then in the program's own.
CStringW StatusName(HMODULE plugin, int id) {
    CStringW text;
    if (plugin) text.LoadString(plugin, static_cast<UINT>(id));
    if (text.IsEmpty()) text.LoadString(base::CurrentResourceModule(), static_cast<UINT>(id));
    return text;
}
// The status column of a row: the text with the status type as its image.
void SetStatusCell(HWND list, int row, wchar_t* text, unsigned type) {
    LVITEMW value = {};
    value.mask = LVIF_TEXT | LVIF_IMAGE;
    value.iItem = row;
    value.iSubItem = 1;
    value.pszText = text;
    value.iImage = static_cast<int>(type);
    ::SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&value));
}
}  // namespace

DWORD WINAPI COSLStatusInfo::RefreshThread(void* parameter) {
    auto* self = static_cast<COSLStatusInfo*>(parameter);
    self->Prepare();
    ostrel::SetStatusGatheringIdle(true);
    ::SetEvent(self->m_hPrepared.get());
    self->RefreshLoop();
    return 0;
}

void COSLStatusInfo::Prepare() {
    if (!m_pOwner) return;
    RaisePluginPriorities();
    std::vector<CPluginRegisteredApplication*> plugins;
    m_pOwner->Catalogue().Walk([&](const CCatalogue::Entries& entries) {
        for (CRegisteredApplication* entry : entries) {
            if (entry->GetEntryType() != ENTRY_PLUGIN_PAGE) continue;
            auto* plugin = static_cast<CPluginRegisteredApplication*>(entry);
            if (plugin->GetPluginClass()) plugins.push_back(plugin);
        }
    });
    for (CPluginRegisteredApplication* plugin : plugins) {
        // A close during the gathering need not wait for every plug-in.
        if (::WaitForSingleObject(m_hEndEvent.get(), 0) == WAIT_OBJECT_0) return;
        HANDLE ready = plugin->GetReadyEvent();
        if (ready && ::WaitForSingleObject(ready, kEntryReadyWaitMs) == WAIT_OBJECT_0) GatherPlugin(plugin);
    }
    BuildEventArray();
}

void COSLStatusInfo::RaisePluginPriorities() {
    m_pOwner->Catalogue().Walk([](const CCatalogue::Entries& entries) {
        for (CRegisteredApplication* entry : entries) {
            if (entry->GetEntryType() == ENTRY_PLUGIN_PAGE) entry->SetPriority(kPluginPriority);
        }
    });
    if (HANDLE resort = m_pOwner->ResortEvent()) ::SetEvent(resort);
}

void COSLStatusInfo::GatherPlugin(CPluginRegisteredApplication* entry) {
    PluginClass* page = entry->GetPluginClass();
    try {
        page->MovetoFirst();
    } catch (...) {
        return;
    }
    for (;;) {
        StatusItem* item = nullptr;
        try {
            item = page->GetNextStatusItem();
        } catch (...) {
            return;
        }
        if (!item) return;
        try {
            if (item->WndFunc(kGatherMessage, 0, 0) != 0) return;
            GatherItem(entry, item);
        } catch (...) {
            // This item is left out; the plug-in's next one may still report.
        }
    }
}

void COSLStatusInfo::GatherItem(CPluginRegisteredApplication* entry, StatusItem* item) {
    PluginClass* page = entry->GetPluginClass();
    CStringW name = StatusName(entry->m_hModule, item->GetName());
    m_statuses.push_back({item, name});

    wchar_t path[kSettingPathChars] = {};
    item->GetSettingPath(path);
    path[kSettingPathChars - 1] = 0;
    CStringW settingPath = path;
    bool fileExists = false;
    if (!settingPath.IsEmpty()) {
        CStringW file = ostrel::SettingPathFile(settingPath);
        fileExists = !file.IsEmpty() && ::PathFileExistsW(file);
    }
    bool shown = false;
    if (!fileExists) shown = page->IsShow();
    RememberTarget(name, ostrel::StatusTarget(settingPath, fileExists, entry->m_strClassId, shown));

    unsigned type = 0;
    wchar_t text[kStatusTextChars] = {};
    long got = item->GetCurStatus(type, text);
    text[kStatusTextChars - 1] = 0;
    unsigned category = item->GetCategory();
    HWND list = ListOfCategory(category);
    if (!list) return;
    LVITEMW row = {};
    // The name has no image; the status column shows the status type's. The row carries its item, so
    // a refresh finds this row and no other, whatever the names of the rows around it.
    row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    row.iImage = I_IMAGENONE;
    row.iItem = m_nRowCounters[category];
    row.pszText = const_cast<wchar_t*>(name.GetString());
    row.lParam = reinterpret_cast<LPARAM>(item);
    int index = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row)));
    if (category == 0) ::EnableWindow(list, TRUE);
    if (index < 0 || got != 0) return;
    SetStatusCell(list, index, text, type);
    ++m_nRowCounters[category];
}

void COSLStatusInfo::RememberTarget(const CStringW& name, const CStringW& target) {
    base::CriticalSectionLock hold(m_targetLock);
    // A name keeps its first target.
    if (!m_targets.count(name)) m_targets[name] = target;
}

bool COSLStatusInfo::BuildEventArray() {
    try {
        m_events.clear();
        m_eventStatus.clear();
        m_events.reserve(m_statuses.size() + 1);
        m_events.push_back(m_hEndEvent.get());
        m_eventStatus.push_back(0);
    } catch (...) {
        return false;
    }
    for (size_t i = 0; i < m_statuses.size(); ++i) {
        HANDLE event = nullptr;
        try {
            m_statuses[i].item->RegisterEvent();
            event = m_statuses[i].item->GetEvent();
        } catch (...) {
            continue;
        }
        // The wait takes at most 64 handles; statuses past that are shown but not refreshed.
        if (!event || m_events.size() >= MAXIMUM_WAIT_OBJECTS) continue;
        m_events.push_back(event);
        m_eventStatus.push_back(i);
    }
    return true;
}

void COSLStatusInfo::RefreshLoop() {
    if (m_events.empty() || !m_events[0]) return;
    for (;;) {
        DWORD result = ::WaitForMultipleObjects(static_cast<DWORD>(m_events.size()), m_events.data(), FALSE, INFINITE);
        if (result == WAIT_OBJECT_0) return;
        // A handle an item closed behind our back would make every wait fail at once.
        if (result == WAIT_FAILED) return;
        size_t index = result - WAIT_OBJECT_0;
        if (index >= 1 && index < m_events.size()) OnItemEvent(index);
    }
}

void COSLStatusInfo::OnItemEvent(size_t index) {
    const GatheredStatus& status = m_statuses[m_eventStatus[index]];
    // Writers often change several values in a row: let them finish.
    if (::WaitForSingleObject(m_hEndEvent.get(), kRefreshSettleMs) == WAIT_OBJECT_0) return;
    bool modified = false;
    try {
        status.item->WndFunc(kEventMessage, 0, 0);
        modified = status.item->IsModified();
        HANDLE event = status.item->GetEvent();
        // An item without an event any more is waited for no longer.
        if (event) {
            m_events[index] = event;
        } else {
            m_events.erase(m_events.begin() + static_cast<long>(index));
            m_eventStatus.erase(m_eventStatus.begin() + static_cast<long>(index));
        }
    } catch (...) {
        return;
    }
    if (modified) UpdateRow(status.item);
}

void COSLStatusInfo::UpdateRow(StatusItem* item) {
    unsigned type = 0;
    wchar_t text[kUpdateTextChars] = {};
    unsigned category = 0;
    try {
        if (item->GetCurStatus(type, text) != 0) text[0] = 0;
        category = item->GetCategory();
    } catch (...) {
        text[0] = 0;
    }
    text[kUpdateTextChars - 1] = 0;
    HWND list = ListOfCategory(category);
    if (!list) return;
    // Not by name: "Fan" would find a row "Fan speed" above it, and two statuses of one name the same row.
    LVFINDINFOW find = {};
    find.flags = LVFI_PARAM;
    find.lParam = reinterpret_cast<LPARAM>(item);
    int row = static_cast<int>(::SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    if (row < 0) return;
    SetStatusCell(list, row, text, type);
    ::InvalidateRect(list, nullptr, TRUE);
}
