#include "catalogue/indirect_string.h"

#include <stdlib.h>

#include "base/handles.h"
#include "catalogue/registry_values.h"

namespace ostrel {

std::vector<CStringW> SplitTrimmed(const CStringW& text) {
    std::vector<CStringW> parts;
    int start = 0;
    for (;;) {
        int comma = text.Find(L',', start);
        CStringW part = text.Mid(start, comma < 0 ? text.GetLength() - start : comma - start);
        parts.push_back(part.Trim(L' '));
        if (comma < 0) break;
        start = comma + 1;
    }
    return parts;
}

BOOL ParseDecimal(const CStringW& part, long* value) {
    const wchar_t* begin = part.GetString();
    wchar_t* end = nullptr;
    long parsed = wcstol(begin, &end, 10);
    if (end == begin) return FALSE;
    *value = parsed;
    return TRUE;
}

BOOL ResolveIndirectString(const CStringW& text, CStringW* resolved) {
    if (text.IsEmpty() || text[0] != L'@') {
        *resolved = text;
        return TRUE;
    }
    CStringW rest = text.Mid(1);
    if (!rest.IsEmpty() && rest[0] == L'@') {
        *resolved = rest;
        return TRUE;
    }
    std::vector<CStringW> parts = SplitTrimmed(rest);
    long id = 0;
    if (parts.size() != 2 || !ParseDecimal(parts[1], &id) || id >= 0) return FALSE;
    CStringW module = parts[0];
    if (module.Left(5) == L"HKEY_") module = ResolveRegistryReference(module);
    resolved->Empty();
    base::UniqueModule library(::LoadLibraryExW(module, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (library) resolved->LoadString(library.get(), static_cast<UINT>(-id));
    return TRUE;
}

}  // namespace ostrel
