#include "info/status_jump.h"

namespace ostrel {

bool IsClassIdTarget(const CStringW& target) {
    if (target.GetLength() != 36) return false;
    for (int i : {8, 13, 18, 23}) {
        if (target[i] != L'-') return false;
    }
    return true;
}

FileTarget SplitFileTarget(const CStringW& target) {
    FileTarget out;
    int first = target.Find(L'@');
    if (first < 0) {
        out.file = target;
        return out;
    }
    out.file = target.Left(first);
    int second = target.Find(L'@', first + 1);
    if (second < 0) {
        out.parameters = target.Mid(first + 1);
        return out;
    }
    out.parameters = target.Mid(first + 1, second - first - 1);
    out.folder = target.Mid(second + 1);
    return out;
}

CStringW SettingPathFile(const CStringW& settingPath) {
    int at = settingPath.Find(L'@');
    return at < 0 ? settingPath : settingPath.Left(at);
}

CStringW StatusTarget(const CStringW& settingPath, bool fileExists, const CStringW& classId, bool pageShown) {
    if (!settingPath.IsEmpty() && fileExists) return settingPath;
    return pageShown ? classId : CStringW();
}

}  // namespace ostrel
