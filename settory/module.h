#pragma once
// Module-wide pieces shared by the classes: the DLL's handle and path, and the type library embedded
// in it.
#include <windows.h>
#include <oaidl.h>

#include "base/cstringw.h"

namespace settory {

HMODULE ModuleHandle() noexcept;
CStringW ModulePath();

// Type information from the embedded type library, loaded once per process.
HRESULT GetTypeInfoOf(REFGUID guid, ITypeInfo** info);

// IDispatch::GetTypeInfoCount / GetTypeInfo for a class whose dispatch face is described by guid.
HRESULT TypeInfoCount(UINT* count);
HRESULT TypeInfoAt(UINT index, REFGUID guid, ITypeInfo** info);

}  // namespace settory
