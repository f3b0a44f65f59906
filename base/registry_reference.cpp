#include "base/registry_reference.h"

#include <vector>

#include "base/handles.h"

namespace base {

void MultiStringToLines(wchar_t* data, size_t chars) {
    for (size_t i = 0; i + 2 < chars; ++i) {
        if (data[i] == L'\0') data[i] = L'\n';
    }
}

namespace {
HKEY RootFromName(const CStringW& name) {
    static const struct {
        const wchar_t* name;
        HKEY root;
    } kRoots[] = {{L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                  {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKEY_USERS", HKEY_USERS},
                  {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {L"HKEY_DYN_DATA", HKEY_DYN_DATA}};
    for (const auto& r : kRoots) {
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
    if (::RegOpenKeyExW(root, subkey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return CStringW();
    // 2048 bytes of data, plus room for a terminator the data may lack. The raw data is read so
    // that expandable strings are expanded exactly once, below.
    std::vector<wchar_t> buffer(1024 + 1, L'\0');
    DWORD bytes = 2048;
    DWORD type = REG_NONE;
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
        ERROR_SUCCESS) {
        return CStringW();
    }
    size_t chars = bytes / sizeof(wchar_t);
    if (type == REG_MULTI_SZ) MultiStringToLines(buffer.data(), chars);
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return CStringW();
    CStringW text(buffer.data(), static_cast<int>(wcsnlen(buffer.data(), chars)));
    if (type == REG_MULTI_SZ) return text;
    wchar_t expanded[1024] = {};
    DWORD n = ::ExpandEnvironmentStringsW(text, expanded, 1024);
    // A result that does not fit counts as missing rather than being cut into another path.
    return n > 0 && n <= 1024 ? CStringW(expanded) : CStringW();
}

}  // namespace base
