#pragma once
// The module that dialog templates and strings are loaded from. The program points it at its
// localised resource module; a host may switch it to a plug-in DLL while it creates that plug-in's
// page and switch it back afterwards.
#include <windows.h>
#include "base/cstringw.h"
#include "base/handles.h"

namespace base {

HINSTANCE CurrentResourceModule() noexcept;
// Returns the previous module. A null module means the executable itself.
HINSTANCE SetResourceModule(HINSTANCE module) noexcept;

// Restores the previous resource module when it goes out of scope.
class ScopedResourceModule {
public:
    explicit ScopedResourceModule(HINSTANCE module) noexcept : previous_(SetResourceModule(module)) {}
    ~ScopedResourceModule() { SetResourceModule(previous_); }
    ScopedResourceModule(const ScopedResourceModule&) = delete;
    ScopedResourceModule& operator=(const ScopedResourceModule&) = delete;

private:
    HINSTANCE previous_;
};

// Finds "<folder>\<language>\<fileName>" for the user's preferred UI languages in order, then
// "en-US", and loads the first that exists as a resource-only image (never executed).
// Returns the full path of what it loaded in *loadedPath when given.
UniqueModule LoadLocalisedModule(const wchar_t* folder, const wchar_t* fileName, CStringW* loadedPath = nullptr);

// The folder of the running executable, without a trailing backslash.
CStringW ExecutableFolder();

// The string with the given number from the current resource module; empty when it is missing.
CStringW LoadResString(UINT id);

}  // namespace base
