#pragma once
// "settory admx": Group Policy templates for every setting the installed default files define, so an
// administrator can fix values across a fleet with the policy engine already in use.
#include <map>
#include <string>
#include <vector>

#include "settory/cli/catalogue.h"

namespace settorycli {

struct PolicyTemplates {
    std::wstring admx;
    std::wstring adml;
};

// pageNames: class id -> page name; classes without a page are grouped by their class id.
PolicyTemplates MakePolicyTemplates(const std::vector<SettingName>& settings,
                                    const std::map<std::wstring, std::wstring>& pageNames);

// Writes OUTDIR\Ostrel.admx and OUTDIR\en-US\Ostrel.adml; 0, or an exit code after saying why.
int WritePolicyTemplates(const std::wstring& outDir);

}  // namespace settorycli
