#include "change_signal.h"

#include "internal.h"

namespace plugwerk {
namespace {

// A different name from the event's: events and sections share one namespace.
CStringW CountName(const CStringW& eventName) { return eventName + L",Taken"; }

// Null access list for the same reason as the events: every account and session reaches it.
struct OpenToAll {
    OpenToAll() {
        ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    }
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), &descriptor, FALSE};
};

bool Signalled(HANDLE event) { return event && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

}  // namespace

TakenCount::TakenCount(const CStringW& eventName) {
    OpenToAll security;
    mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, &security.attributes, PAGE_READWRITE, 0, sizeof(LONG),
                                        CountName(eventName)));
    if (mapping_) view_ = static_cast<volatile LONG*>(::MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, 0));
}

TakenCount::~TakenCount() {
    if (view_) ::UnmapViewOfFile(const_cast<LONG*>(view_));
}

LONG TakenCount::Current() const noexcept { return view_ ? ::InterlockedCompareExchange(view_, 0, 0) : 0; }
LONG TakenCount::Advance() noexcept { return view_ ? ::InterlockedIncrement(view_) : 0; }

ChangeSignal::ChangeSignal(const CStringW& eventName) : count_(eventName), seen_(count_.Current()) {}

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
    OpenToAll security;
    security.attributes.bInheritHandle = TRUE;
    HANDLE event = ::CreateEventW(&security.attributes, TRUE, FALSE, name);
    // A pending signal is stale for this consumer, which reads the value next anyway, but not for
    // the others: clear it the counted way.
    if (Signalled(event)) {
        ::ResetEvent(event);
        TakenCount(name).Advance();
    }
    return event;
}

}  // namespace plugwerk
