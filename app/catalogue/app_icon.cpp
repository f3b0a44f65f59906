#include "catalogue/app_icon.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <stdlib.h>

#include <vector>

#include "base/handles.h"

namespace ostrel {
namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
struct GroupIconDir {
    WORD reserved;
    WORD type;
    WORD count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

HICON IconFromImageId(HMODULE module, int imageId, int size) {
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(imageId), RT_ICON);
    if (!found) return nullptr;
    HGLOBAL loaded = ::LoadResource(module, found);
    DWORD bytes = ::SizeofResource(module, found);
    auto* bits = static_cast<BYTE*>(::LockResource(loaded));
    if (!bits || bytes == 0) return nullptr;
    return ::CreateIconFromResourceEx(bits, bytes, TRUE, 0x30000, size, size, LR_DEFAULTCOLOR);
}

HICON IconFromGroup(HMODULE module, LPCWSTR group, int size) {
    HICON icon = nullptr;
    HRSRC found = ::FindResourceW(module, group, RT_GROUP_ICON);
    if (found) {
        DWORD bytes = ::SizeofResource(module, found);
        auto* dir = static_cast<BYTE*>(::LockResource(::LoadResource(module, found)));
        // The directory comes from an outside file: its count must fit the resource.
        auto* header = reinterpret_cast<GroupIconDir*>(dir);
        bool valid = dir && bytes >= 6 && header->type == 1 && header->count > 0 &&
                     6 + static_cast<DWORD>(header->count) * sizeof(GroupIconEntry) <= bytes;
        if (valid) {
            int chosen = ::LookupIconIdFromDirectoryEx(dir, TRUE, size, size, LR_DEFAULTCOLOR);
            const GroupIconEntry* chosenEntry = nullptr;
            for (WORD i = 0; i < header->count; ++i) {
                if (header->entries[i].id == chosen) chosenEntry = &header->entries[i];
            }
            int best = chosen;
            if (chosenEntry) {
                int bestBits = -1;
                for (WORD i = 0; i < header->count; ++i) {
                    const GroupIconEntry& e = header->entries[i];
                    if (e.width == chosenEntry->width && e.height == chosenEntry->height && e.bitCount <= 8 &&
                        e.bitCount > bestBits) {
                        bestBits = e.bitCount;
                        best = e.id;
                    }
                }
            }
            if (best > 0) icon = IconFromImageId(module, best, size);
        }
    }
    if (!icon) icon = static_cast<HICON>(::LoadImageW(module, group, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    return icon;
}

BOOL CALLBACK TakeFirstGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    auto* first = reinterpret_cast<CStringW*>(param);
    if (IS_INTRESOURCE(name)) {
        first->Format(L"#%u", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)));
    } else {
        *first = name;
    }
    return FALSE;
}

}  // namespace

HICON LoadEntryIcon(const CStringW& iconPath, int iconIndex, int size) {
    CStringW path = iconPath;
    std::vector<wchar_t> unquoted(path.GetString(), path.GetString() + path.GetLength() + 1);
    ::PathUnquoteSpacesW(unquoted.data());
    path = unquoted.data();
    if (path.IsEmpty()) return nullptr;

    if (::lstrcmpiW(::PathFindExtensionW(path), L".ico") == 0) {
        return static_cast<HICON>(::LoadImageW(nullptr, path, IMAGE_ICON, size, size, LR_LOADFROMFILE));
    }
    if (iconIndex != 0) {
        base::UniqueModule module(::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!module) return nullptr;
        return IconFromGroup(module.get(), MAKEINTRESOURCEW(abs(iconIndex)), size);
    }
    HICON icon = nullptr;
    {
        base::UniqueModule module(::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (module) {
            CStringW first;
            ::EnumResourceNamesW(module.get(), RT_GROUP_ICON, TakeFirstGroup, reinterpret_cast<LONG_PTR>(&first));
            if (!first.IsEmpty()) icon = IconFromGroup(module.get(), first, size);
        }
    }
    if (!icon) {
        HICON large = nullptr;
        HICON small = nullptr;
        if (size >= 32) {
            ::ExtractIconExW(path, 0, &large, nullptr, 1);
            icon = large;
        } else {
            ::ExtractIconExW(path, 0, nullptr, &small, 1);
            icon = small;
        }
    }
    return icon;
}

}  // namespace ostrel
