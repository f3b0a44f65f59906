#pragma once
// Where a status row jumps to. A target is either a plug-in class id (36 characters with hyphens at
// 8, 13, 18 and 23) or a file reference "file@parameters@folder" (parameters and folder optional).
#include "base/cstringw.h"

namespace ostrel {

bool IsClassIdTarget(const CStringW& target);

struct FileTarget {
    CStringW file;
    CStringW parameters;
    CStringW folder;
};
// Split at the first and the second at sign; later at signs belong to the folder.
FileTarget SplitFileTarget(const CStringW& target);

// The target a status gets from its setting path: the whole path when the file before its first at
// sign exists, else the page's class id while the page is shown; empty for none.
CStringW StatusTarget(const CStringW& settingPath, bool fileExists, const CStringW& classId, bool pageShown);

// The file part of a setting path: the text before its first at sign.
CStringW SettingPathFile(const CStringW& settingPath);

}  // namespace ostrel
