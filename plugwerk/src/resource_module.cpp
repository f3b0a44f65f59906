// The one function of the foundation layer that the kit's CStringW needs at link time: a plug-in's
// CStringW::LoadString(UINT) lands here. The host's own resource module lives in the host's copy of
// the foundation layer and is out of reach; a plug-in's strings are in its own module, so that is
// the module of whoever called.
#include <windows.h>

#include "base/cstringw.h"

namespace base {

__declspec(dllexport) __attribute__((noinline)) HINSTANCE CurrentResourceModule() noexcept {
    HMODULE caller = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(__builtin_return_address(0)), &caller)) {
        return ::GetModuleHandleW(nullptr);
    }
    return caller;
}

}  // namespace base
