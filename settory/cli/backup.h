#pragma once
// "settory export" and "settory import": a person's changed settings carried to another laptop.
#include <string>

#include "Settory_h.h"

namespace settorycli {

// Exit codes of their own beside the service's results (which they return as they are).
enum BackupExit : int {
    kImportInvalid = 65,  // the file is not a valid export: nothing was changed
    kExportNotWritten = 73,
};

int ExportSettings(ISettory* settory, const std::wstring& path);
int ImportSettings(ISettory* settory, const std::wstring& path);

}  // namespace settorycli
