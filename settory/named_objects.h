#pragma once
// The service's named events, reachable by every process, user and session of the machine.
#include <windows.h>

#include "base/handles.h"
#include "base/named_objects.h"

namespace settory {

using base::CNamedCounter;
using base::OpenToAll;

// Creates or opens a manual-reset event, initially clear, reachable by everyone.
base::UniqueHandle CreateOpenEvent(const wchar_t* name);

// Creates or opens the event, sets it and lets go of it; a failure is skipped.
void SignalNamedEvent(const wchar_t* name);

}  // namespace settory
