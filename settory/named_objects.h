#pragma once
// Named kernel objects that every process, user and session of the machine must reach: created with
// a null DACL and inheritable handles.
#include <windows.h>

#include "base/cstringw.h"
#include "base/handles.h"

namespace settory {

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

// Creates or opens a manual-reset event, initially clear, reachable by everyone.
base::UniqueHandle CreateOpenEvent(const wchar_t* name);

// Creates or opens the event, sets it and lets go of it; a failure is skipped.
void SignalNamedEvent(const wchar_t* name);

}  // namespace settory
