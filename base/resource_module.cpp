#include "base/resource_module.h"

#include <atomic>
#include <vector>

namespace base {
namespace {
std::atomic<HINSTANCE> g_resourceModule{nullptr};

bool FileExists(const CStringW& path) {
    DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The user's preferred UI languages as names ("de-DE"), most preferred first.
std::vector<CStringW> PreferredLanguages() {
    std::vector<CStringW> names;
    ULONG count = 0;
    ULONG chars = 0;
    if (::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &chars) && chars > 0) {
        std::vector<wchar_t> buffer(chars);
        if (::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, buffer.data(), &chars)) {
            for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1) names.emplace_back(p);
        }
    }
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (names.empty() && ::LCIDToLocaleName(::GetUserDefaultUILanguage(), name, LOCALE_NAME_MAX_LENGTH, 0) > 0) {
        names.emplace_back(name);
    }
    return names;
}
}  // namespace

HINSTANCE CurrentResourceModule() noexcept {
    HINSTANCE module = g_resourceModule.load();
    return module ? module : ::GetModuleHandleW(nullptr);
}

HINSTANCE SetResourceModule(HINSTANCE module) noexcept { return g_resourceModule.exchange(module); }

CStringW ExecutableFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return CStringW();
        if (n < path.size()) break;
        path.resize(path.size() * 2);
    }
    CStringW folder(path.data());
    int slash = folder.ReverseFind(L'\\');
    return slash >= 0 ? folder.Left(slash) : CStringW();
}

UniqueModule LoadLocalisedModule(const wchar_t* folder, const wchar_t* fileName, CStringW* loadedPath) {
    std::vector<CStringW> languages = PreferredLanguages();
    languages.emplace_back(L"en-US");
    for (const CStringW& language : languages) {
        CStringW path;
        path.Format(L"%s\\%s\\%s", folder, language.GetString(), fileName);
        if (!FileExists(path)) continue;
        UniqueModule module(::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        if (module) {
            if (loadedPath) *loadedPath = path;
            return module;
        }
    }
    return UniqueModule();
}

CStringW LoadResString(UINT id) {
    CStringW text;
    text.LoadString(CurrentResourceModule(), id);
    return text;
}

}  // namespace base
