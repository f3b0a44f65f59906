#pragma once
// The machine id from the maker's utility library QorUtils, found through the registry and bound by
// name. The library stays loaded while a use count is above zero; the first use adds a count of its
// own that ReleaseMachineIdProvider gives back (when the service is unloaded, and between tests).
#include <windows.h>

namespace settory {

// HKLM key and value naming the library's full path.
constexpr const wchar_t kSharedDllsKey[] = L"Software\\Quor Corporation\\Shared Info\\Shared Dlls";
constexpr const wchar_t kQorUtilsValue[] = L"QorUtils.dll";

// Counts a use of the library for the object's lifetime, binding it on the first use.
class QorUtilsUse {
public:
    QorUtilsUse();
    ~QorUtilsUse();
    QorUtilsUse(const QorUtilsUse&) = delete;
    QorUtilsUse& operator=(const QorUtilsUse&) = delete;
    // Whether the library is bound with all its exports.
    bool Bound() const;
    // The id the library reports; 0 when it is missing, incomplete or reports failure.
    long MachineId() const;
};

// The machine id, read once per binding of the library.
long MachineIdFromQorUtils();

// Gives back the first use's count: the library is released (RemoveRef, QuDetach, FreeLibrary) when
// no other use holds it, and the next use binds it again and reads the id anew.
void ReleaseMachineIdProvider();

}  // namespace settory
