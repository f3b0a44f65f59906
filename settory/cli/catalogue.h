#pragma once
// The settings a machine knows: every (class id, setting id) pair the default-settings files define,
// in the order the service looks them up. The service's interface reads values but cannot list them,
// so the list comes from the same files the service loads.
#include <string>
#include <vector>

namespace settorycli {

struct SettingName {
    std::wstring classId;
    int settingId;
    // The item's first value in the file, whichever machine model it is for: what a setting looks like
    // across a fleet of models, not only on this one.
    std::wstring firstDefault;
};

// Empty when there are no default files or one of them does not load.
std::vector<SettingName> ListDefaultSettings();

}  // namespace settorycli
