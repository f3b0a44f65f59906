#pragma once
// Named kernel objects that every process, user and session of the machine must reach: created with
// a null DACL and inheritable handles. The settings service and the plug-in framework share them.
#include <windows.h>

#include "base/handles.h"

namespace base {

// A security descriptor with a null DACL and the attributes that point at it.
class OpenToAll {
public:
    OpenToAll() noexcept {
        ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION);
        ::SetSecurityDescriptorDacl(&descriptor_, TRUE, nullptr, FALSE);
        attributes_ = {sizeof(attributes_), &descriptor_, TRUE};
    }
    OpenToAll(const OpenToAll&) = delete;
    OpenToAll& operator=(const OpenToAll&) = delete;
    SECURITY_ATTRIBUTES* Attributes() noexcept { return &attributes_; }

private:
    SECURITY_DESCRIPTOR descriptor_;
    SECURITY_ATTRIBUTES attributes_;
};

// A machine-wide counter in a named section, reachable by everyone. Reads 0 and counts nothing when the
// section could not be made.
class CNamedCounter {
public:
    explicit CNamedCounter(const wchar_t* name);
    CNamedCounter(const CNamedCounter&) = delete;
    CNamedCounter& operator=(const CNamedCounter&) = delete;
    ~CNamedCounter();
    bool Available() const noexcept { return view_ != nullptr; }
    LONG Current() const noexcept { return view_ ? ::InterlockedCompareExchange(view_, 0, 0) : 0; }
    LONG Advance() noexcept { return view_ ? ::InterlockedIncrement(view_) : 0; }

private:
    UniqueHandle mapping_;
    volatile LONG* view_ = nullptr;
};

}  // namespace base
