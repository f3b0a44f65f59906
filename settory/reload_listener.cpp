#include "settory/reload_listener.h"

#include <set>

#include "base/handles.h"
#include "settory/msg_callback.h"
#include "settory/named_objects.h"
#include "settory/settings_store.h"
#include "settory/thread_manager.h"

namespace settory {
namespace {

struct ListenerState {
    base::CriticalSection lock;
    CNamedCounter generation{kReloadGenerationName};
    // The self-signal: saves of this process not yet seen by its listener, by generation.
    bool selfSignal = false;
    std::set<LONG> ownGenerations;
    bool started = false;
    CThreadManager threads;
};

// Never destroyed: the listener thread may still run while the process exits.
ListenerState& State() {
    static ListenerState* state = new ListenerState();
    return *state;
}

// True when some generation after `from` up to `to` was announced by another process. This process's
// own generations in that range are used up, and so is the self-signal.
bool ForeignSaveSince(LONG from, LONG to) {
    ListenerState& s = State();
    base::CriticalSectionLock lock(s.lock);
    if (!s.generation.Available()) {
        // Without the counter only the event is known: it is ours exactly when we just set it.
        bool own = s.selfSignal;
        s.selfSignal = false;
        return !own;
    }
    LONG span = to - from;  // differences stay right across the counter's wrap
    if (span <= 0) return false;
    LONG own = 0;
    for (auto it = s.ownGenerations.begin(); it != s.ownGenerations.end();) {
        LONG offset = *it - from;
        if (offset > 0 && offset <= span) {
            ++own;
            it = s.ownGenerations.erase(it);
        } else if (offset <= 0) {
            it = s.ownGenerations.erase(it);  // from before this listener looked
        } else {
            ++it;
        }
    }
    s.selfSignal = !s.ownGenerations.empty();
    return span > own;
}

class CReloadWork final : public CThreadWaitWork {
public:
    CReloadWork() : CThreadWaitWork(kReloadWorkName) {
        events_[0].reset(CreateOpenEvent(ReloadExitEventName().c_str()).release());
        events_[1] = CreateOpenEvent(kReloadEventName);
        // A signal pending from before this process listened is not ours to act on.
        if (events_[0]) ::ResetEvent(events_[0].get());
        if (events_[1]) ::ResetEvent(events_[1].get());
        seen_ = ReloadGeneration();
    }
    bool Usable() const noexcept { return events_[0] && events_[1]; }

    bool WorkStep() override {
        LONG now = ReloadGeneration();
        bool foreign = ForeignSaveSince(seen_, now);
        seen_ = now;
        if (!foreign) return true;
        // With windows to tell, a writer that keeps the mutex past the time-out ends this listener for
        // the process's life.
        if (service::ReloadForPeer(RegisteredWindows().Count() != 0) == kMutexTimeout) return false;
        RegisteredWindows().PostReload();
        return true;
    }

protected:
    bool PollStep() override { return ReloadGeneration() == seen_ || WorkStep(); }
    DWORD PollIntervalMs() const noexcept override {
        return State().generation.Available() ? kGenerationPollMs : INFINITE;
    }

private:
    LONG seen_ = 0;
};

}  // namespace

std::wstring ReloadExitEventName(DWORD processId) {
    return L"Local\\Exit" + std::wstring(kReloadWorkName) + L"." + std::to_wstring(processId);
}

LONG ReloadGeneration() { return State().generation.Current(); }

void AnnounceSave() {
    ListenerState& s = State();
    {
        base::CriticalSectionLock lock(s.lock);
        s.selfSignal = true;
        if (s.generation.Available()) s.ownGenerations.insert(s.generation.Advance());
    }
    SignalNamedEvent(kReloadEventName);
}

void StartReloadListener() {
    ListenerState& s = State();
    {
        base::CriticalSectionLock lock(s.lock);
        if (s.started) return;
        s.started = true;
    }
    auto* work = new CReloadWork();
    if (!work->Usable()) {
        delete work;
        return;
    }
    s.threads.Start(work);
}

void StopReloadListener() { State().threads.Stop(kReloadWorkName, 500); }

bool ReloadListenerRunning() { return State().threads.IsRunning(kReloadWorkName); }

}  // namespace settory
