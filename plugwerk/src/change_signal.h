#pragma once
// How a consumer learns of a change to a stored setting without making another consumer miss it.
//
// The settings service sets the setting's named manual-reset event and never resets it; a consumer
// has to, or its wait would spin. Whoever resets the event first bumps the setting's machine-wide
// count of taken signals, so every other consumer (another process, the status window, another item
// of this process on the same setting) still learns of the change from the count when it next looks,
// even though the event is clear by then. A consumer keeps the count it last saw.
#include <windows.h>

#include "base/cstringw.h"
#include "base/handles.h"
#include "base/named_objects.h"

namespace plugwerk {

// One consumer's view of a setting's event.
class ChangeSignal {
public:
    // The count starts at its present value: what happened before is the consumer's initial read.
    explicit ChangeSignal(const CStringW& eventName);
    // True once for each change the consumer has not seen: the event (the consumer's handle of it)
    // was set, and is cleared here and the clearing counted; or some other consumer took a signal
    // since this one last looked.
    bool Take(HANDLE event);

private:
    // The count of signals taken off the setting's event, shared by every process.
    base::CNamedCounter count_;
    LONG seen_;
};

// The setting's event, created or opened. A signal pending on it is taken as a consumer would take
// it, so that the consumers it was meant for still learn of it.
HANDLE OpenSettingEvent(const CStringW& name);

}  // namespace plugwerk
