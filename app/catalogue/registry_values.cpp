#include "catalogue/registry_values.h"

#include <vector>

#include "base/handles.h"

namespace ostrel {

void MultiStringToLines(wchar_t* data, size_t chars) {
    for (size_t i = 0; i + 2 < chars; ++i) {
        if (data[i] == L'\0') data[i] = L'\n';
    }
}

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

namespace {
HKEY RootFromName(const CStringW& name) {
    struct {
        const wchar_t* name;
        HKEY root;
    } roots[] = {{L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                 {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKEY_USERS", HKEY_USERS},
                 {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {L"HKEY_DYN_DATA", HKEY_DYN_DATA}};
    for (const auto& r : roots) {
        if (name == r.name) return r.root;
    }
    return nullptr;
}
}  // namespace

CStringW ResolveRegistryReference(const CStringW& reference) {
    if (reference.Left(5) != L"HKEY_") return CStringW();
    int first = reference.Find(L'\\');
    int last = reference.ReverseFind(L'\\');
    if (first < 0) return CStringW();
    HKEY root = RootFromName(reference.Left(first));
    if (!root) return CStringW();
    CStringW subkey = first < last ? reference.Mid(first + 1, last - first - 1) : CStringW();
    CStringW valueName = reference.Mid(last + 1);

    base::UniqueHKey key;
    if (::RegOpenKeyExW(root, subkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return CStringW();
    // 2048 bytes of data, plus room for a terminator the data may lack.
    std::vector<wchar_t> buffer(1024 + 1, L'\0');
    DWORD bytes = 2048;
    DWORD type = REG_NONE;
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
        ERROR_SUCCESS) {
        return CStringW();
    }
    if (type == REG_MULTI_SZ) return DataToString(buffer, bytes, type);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return CStringW();
    CStringW raw = DataToString(buffer, bytes, type);
    wchar_t expanded[1024] = {};
    DWORD n = ::ExpandEnvironmentStringsW(raw, expanded, 1024);
    // A result that does not fit counts as missing rather than being cut into another path.
    return n > 0 && n <= 1024 ? CStringW(expanded) : CStringW();
}

}  // namespace ostrel
