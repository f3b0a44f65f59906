#include "settory/cli/catalogue.h"

#include <set>

#include "settory/settings_store.h"
#include "settory/values.h"

namespace settorycli {

std::vector<SettingName> ListDefaultSettings() {
    std::vector<SettingName> names;
    settory::CDefaultSetting defaults;
    if (defaults.LoadAll() != settory::kLoaded) return names;
    std::set<std::pair<std::wstring, std::wstring>> seen;
    for (const auto& cls : defaults.Classes()) {
        for (const auto& item : cls->Items()) {
            // Only ids the service can be asked for: "05" is never setting 5 to it.
            int id = _wtoi(item->settingId);
            if (item->settingId != settory::SettingIdText(id)) continue;
            if (!seen.emplace(cls->ClassId().Str(), item->settingId.Str()).second) continue;
            std::wstring first;
            if (!item->data.empty()) first = settory::CXMLParser::GetText(item->data.front().Get()).Str();
            names.push_back(SettingName{cls->ClassId().Str(), id, first});
        }
    }
    return names;
}

}  // namespace settorycli
