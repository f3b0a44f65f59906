#include "base/plugin_list.h"

namespace base {

std::vector<CStringW> PluginPathsIn(HKEY pluginsKey) {
    std::vector<CStringW> paths;
    for (DWORD index = 0;; ++index) {
        wchar_t name[260] = {};
        wchar_t data[260 + 1] = {};
        DWORD nameChars = 260;
        DWORD dataBytes = 260 * sizeof(wchar_t);
        if (::RegEnumValueW(pluginsKey, index, name, &nameChars, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                            &dataBytes) != ERROR_SUCCESS) {
            break;
        }
        // Data stored without a terminator still ends inside the buffer's spare character.
        paths.emplace_back(data);
    }
    return paths;
}

}  // namespace base
