#include "window/version_file.h"

#include <shlwapi.h>

#include "base/handles.h"

namespace ostrel {

BOOL ParseVersionText(const std::string& text, CStringW* version) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        // Lines are widened from the system code page, as the file is plain narrow text.
        int chars = ::MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
        CStringW wide;
        if (chars > 0) {
            ::MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), wide.GetBufferSetLength(chars),
                                  chars);
        }
        if (wide.GetLength() >= 8 && ::StrCmpNIW(wide, L"Version=", 8) == 0) {
            *version = wide.Mid(8);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL ReadVersionFile(const wchar_t* path, CStringW* version) {
    base::UniqueFile file(
        ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FALSE;
    // A version file is a few lines; anything past 64 KiB is not read.
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (text.size() < 65536 && ::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        text.append(buffer, read);
    }
    return ParseVersionText(text, version);
}

CStringW InstalledVersionFilePath() {
    wchar_t path[260] = {};
    DWORD n = ::ExpandEnvironmentStringsW(L"%programfiles%\\Quor\\Ostrel\\Version.txt", path, 260);
    return n > 0 && n <= 260 ? CStringW(path) : CStringW();
}

}  // namespace ostrel
