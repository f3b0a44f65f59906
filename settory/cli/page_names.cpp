#include "settory/cli/page_names.h"

#include <windows.h>

#include "base/cstringw.h"
#include "base/handles.h"
#include "base/plugin_list.h"
#include "plugwerk/plugwerk.h"

namespace settorycli {
namespace {

void AddPagesOf(const wchar_t* path, std::map<std::wstring, std::wstring>* names) {
    HMODULE module = ::LoadLibraryW(path);
    if (!module) return;
    auto factory = reinterpret_cast<PlugwerkFactory>(::GetProcAddress(module, PLUGWERK_FACTORY_NAME));
    ClassDesc* descriptor = nullptr;
    try {
        descriptor = factory ? factory(nullptr) : nullptr;
    } catch (...) {
        descriptor = nullptr;
    }
    if (!descriptor) {
        ::FreeLibrary(module);
        return;
    }
    for (int i = 0; i < descriptor->GetClassCount(); ++i) {
        PluginClass* page = descriptor->GetClasses(static_cast<unsigned>(i));
        if (!page) continue;
        wchar_t classId[PLUGWERK_ID_CHARS] = {};
        page->GetClassID(classId);
        classId[PLUGWERK_ID_CHARS - 1] = L'\0';
        wchar_t resPath[PLUGWERK_PATH_CHARS] = {};
        page->GetResPath(resPath);
        resPath[PLUGWERK_PATH_CHARS - 1] = L'\0';
        base::UniqueModule strings(::LoadLibraryExW(resPath[0] ? resPath : path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        CStringW name;
        if (strings) name.LoadString(strings.get(), page->GetName());
        if (!name.IsEmpty()) names->emplace(classId, name.GetString());
    }
}

}  // namespace

std::map<std::wstring, std::wstring> CataloguePageNames() {
    std::map<std::wstring, std::wstring> names;
    base::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quor Corporation\\Ostrel\\Plugins", 0, KEY_READ,
                        key.put()) != ERROR_SUCCESS) {
        return names;
    }
    for (const CStringW& path : base::PluginPathsIn(key.get())) {
        try {
            AddPagesOf(path, &names);
        } catch (...) {
            // A plug-in that throws names no pages; the others still do.
        }
    }
    // The pages' items reached the service while they were built; its interfaces are let go now,
    // while COM is still initialised, rather than at unload after the apartment is gone.
    PlugwerkReleaseServices();
    return names;
}

}  // namespace settorycli
