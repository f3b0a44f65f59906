#include "change_signal.h"

#include "internal.h"

namespace plugwerk {
namespace {

// A different name from the event's: events and sections share one namespace.
CStringW CountName(const CStringW& eventName) { return eventName + L",Taken"; }

bool Signalled(HANDLE event) { return event && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

}  // namespace

ChangeSignal::ChangeSignal(const CStringW& eventName) : count_(CountName(eventName)), seen_(count_.Current()) {}

bool ChangeSignal::Take(HANDLE event) {
    if (Signalled(event)) {
        // Cleared before counted: a signal that lands between the two is either still on the event
        // or covered by the count that follows.
        ::ResetEvent(event);
        const LONG now = count_.Advance();
        // Another consumer counting meanwhile shows up as a further change: one reload too many
        // rather than one too few.
        seen_ = now;
        return true;
    }
    const LONG now = count_.Current();
    if (now == seen_) return false;
    seen_ = now;
    return true;
}

HANDLE OpenSettingEvent(const CStringW& name) {
    base::OpenToAll security;
    HANDLE event = ::CreateEventW(security.Attributes(), TRUE, FALSE, name);
    // A pending signal is stale for this consumer, which reads the value next anyway, but not for
    // the others: clear it the counted way.
    if (Signalled(event)) {
        ::ResetEvent(event);
        base::CNamedCounter(CountName(name)).Advance();
    }
    return event;
}

}  // namespace plugwerk
