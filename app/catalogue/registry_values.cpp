#include "catalogue/registry_values.h"

#include <vector>

#include "base/handles.h"

namespace ostrel {

namespace {
// Turns raw value data into a string: cut at the first zero, never past the data.
CStringW DataToString(std::vector<wchar_t>& buffer, DWORD bytes, DWORD type) {
    size_t chars = bytes / sizeof(wchar_t);
    if (type == REG_MULTI_SZ) MultiStringToLines(buffer.data(), chars);
    size_t length = wcsnlen(buffer.data(), chars);
    return CStringW(buffer.data(), static_cast<int>(length));
}
}  // namespace

BOOL ReadRegString(HKEY key, const wchar_t* name, CStringW* value) {
    // One character more than the limit so that data without a terminator still ends inside.
    std::vector<wchar_t> buffer(kRegStringChars + 1, L'\0');
    DWORD bytes = kRegStringChars * sizeof(wchar_t);
    DWORD type = REG_NONE;
    LONG status = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (status != ERROR_SUCCESS) return FALSE;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) {
        value->Empty();
        return TRUE;
    }
    *value = DataToString(buffer, bytes, type);
    return TRUE;
}

BOOL ReadRegDword(HKEY key, const wchar_t* name, DWORD* value) {
    DWORD data = 0;
    DWORD bytes = sizeof(data);
    DWORD type = REG_NONE;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &bytes) != ERROR_SUCCESS) {
        return FALSE;
    }
    *value = data;
    return TRUE;
}

}  // namespace ostrel
