#include "change_listener.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "base/com_ptr.h"
#include "base/handles.h"
#include "change_signal.h"
#include "internal.h"
#include "plugwerk/item.h"
#include "testing.h"

namespace plugwerk {
namespace {

// How late at most a change is noticed whose event another consumer cleared just before this
// thread started waiting; the check itself only reads shared counts.
constexpr DWORD kRecheckMs = 1000;

// One listener of a setting: an item of a page, or a status item's own event that the status window
// waits on. Registry watches have no signal: their auto-reset event is consumed by the wait itself.
struct Entry {
    SettingItem* item = nullptr;
    const void* owner = nullptr;
    HANDLE relay = nullptr;
    base::UniqueHandle ownEvent;
    std::unique_ptr<ChangeSignal> signal;

    HANDLE Event() const { return item ? item->GetXMLEvent() : ownEvent.get(); }
};

struct Listener {
    std::vector<Entry> entries;
    // Index 0 the end event, 1 the add event, then one change event per waitable entry.
    // Only the thread touches it once the thread runs.
    std::vector<HANDLE> handles;
    base::UniqueHandle thread;
    base::UniqueHandle lock;
    base::UniqueHandle endEvent;
    base::UniqueHandle addEvent;
};

base::CriticalSection g_guard;
Listener* g_listener = nullptr;

Listener* GetListener(bool create) {
    base::CriticalSectionLock hold(g_guard);
    if (!g_listener && create) {
        auto* listener = new Listener;
        listener->lock.reset(::CreateMutexW(nullptr, FALSE, nullptr));
        if (listener->lock) {
            g_listener = listener;
        } else {
            delete listener;
        }
    }
    return g_listener;
}

// The listener holds the lock while an item updates its controls by SendMessageW to the page's
// dialog thread; a thread waiting here answers those messages so the two never wait on each other.
// An abandoned lock (the thread was terminated inside an item) is owned all the same.
bool TakeLock(HANDLE lock, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        DWORD remaining = INFINITE;
        if (timeoutMs != INFINITE) {
            DWORD elapsed = ::GetTickCount() - start;
            remaining = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        }
        DWORD result = ::MsgWaitForMultipleObjects(1, &lock, FALSE, remaining, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

class LockHold {
public:
    LockHold(HANDLE lock, DWORD timeoutMs) : lock_(lock), held_(TakeLock(lock, timeoutMs)) {}
    ~LockHold() {
        if (held_) ::ReleaseMutex(lock_);
    }
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;
    bool Held() const { return held_; }

private:
    HANDLE lock_;
    bool held_;
};

bool ThreadRunning(const Listener& listener) {
    return listener.thread && ::WaitForSingleObject(listener.thread.get(), 0) == WAIT_TIMEOUT;
}

// A handle that a wait would reject (closed by its item behind the listener's back) would make every
// later wait fail at once and the thread spin; it is left out until its item registers again. (A
// zero wait would tell too, but it takes the signal of an auto-reset registry event away.)
bool Waitable(HANDLE handle) {
    DWORD flags = 0;
    return handle && ::GetHandleInformation(handle, &flags);
}

void FillHandles(Listener& listener) {
    listener.handles.resize(2);
    listener.handles[0] = listener.endEvent.get();
    listener.handles[1] = listener.addEvent.get();
    for (const Entry& entry : listener.entries) {
        HANDLE event = entry.Event();
        if (Waitable(event) && listener.handles.size() < MAXIMUM_WAIT_OBJECTS) listener.handles.push_back(event);
    }
}

Entry* Find(Listener& listener, const void* key) {
    for (Entry& entry : listener.entries) {
        if (entry.item == key || (entry.owner && entry.owner == key)) return &entry;
    }
    return nullptr;
}

bool Listed(Listener& listener, SettingItem* item) { return Find(listener, item) != nullptr; }

void CallItem(SettingItem* item) { Guarded(0L, [&] { return item->WndFunc(PWM_CHANGE_EVENT, 0, 0); }); }

// A registry watch fired: the wait consumed its signal, so only the index tells.
void DispatchWatch(Listener& listener, size_t index) {
    HANDLE fired = listener.handles[index];
    std::vector<SettingItem*> items;
    for (const Entry& entry : listener.entries) {
        if (entry.item && !entry.signal && entry.item->GetXMLEvent() == fired) items.push_back(entry.item);
    }
    for (SettingItem* item : items) {
        if (!Listed(listener, item)) continue;
        CallItem(item);
        // A registry watch replaces its event each time it is armed again.
        listener.handles[index] = item->GetXMLEvent();
    }
    if (!Waitable(listener.handles[index])) ::SetEvent(listener.addEvent.get());
}

// Every setting entry learns of each change it has not seen, whichever event woke the thread and
// whoever cleared the setting's event meanwhile (while this thread was inside another item, say).
void DeliverChanges(Listener& listener) {
    for (size_t i = 0; i < listener.entries.size(); ++i) {
        Entry& entry = listener.entries[i];
        if (!entry.signal || !entry.signal->Take(entry.Event())) continue;
        if (!entry.item) {
            ::SetEvent(entry.relay);
            continue;
        }
        CallItem(entry.item);
        // Start over: the item may have unregistered itself (or others), and changes may have landed
        // on entries already passed while it ran. Entries already told have seen their change.
        i = static_cast<size_t>(-1);
    }
}

DWORD WINAPI ListenerThread(void* parameter) {
    Listener& listener = *static_cast<Listener*>(parameter);
    // Items call the settings service from here.
    base::ComInit com(COINIT_MULTITHREADED);
    for (;;) {
        // A setting's event can be cleared by another consumer between this thread's last look at
        // the counts and the start of the wait; the bounded wait finds such a change at the latest
        // one interval later.
        DWORD result = ::WaitForMultipleObjects(static_cast<DWORD>(listener.handles.size()), listener.handles.data(),
                                                FALSE, kRecheckMs);
        LockHold hold(listener.lock.get(), INFINITE);
        if (result == WAIT_OBJECT_0) return 0;
        if (result == WAIT_OBJECT_0 + 1 || result == WAIT_FAILED) {
            FillHandles(listener);
            ::ResetEvent(listener.addEvent.get());
        } else if (result >= WAIT_OBJECT_0 + 2 && result < WAIT_OBJECT_0 + listener.handles.size()) {
            DispatchWatch(listener, result - WAIT_OBJECT_0);
        }
        DeliverChanges(listener);
    }
}

// The end and add events are named after the process: with one name for every process of the
// session, closing one program's pages would end the listening of every other program, and one
// process's add would be reset by another before its own thread saw it.
HANDLE ListenerEvent(const wchar_t* name) {
    CStringW full;
    full.Format(L"%ls-%lu", name, ::GetCurrentProcessId());
    return CreateNamedEvent(full);
}

// Called with the lock held.
void StartThread(Listener& listener) {
    if (listener.thread) {
        listener.thread.reset();
    }
    listener.endEvent.reset(ListenerEvent(L"PLUGINThreadEndEvent"));
    listener.addEvent.reset(ListenerEvent(L"PLUGINThreadAddEvent"));
    if (!listener.endEvent || !listener.addEvent) return;
    FillHandles(listener);
    DWORD id = 0;
    listener.thread.reset(::CreateThread(nullptr, 0, ListenerThread, &listener, 0, &id));
}

void WakeOrStart(Listener& listener) {
    if (ThreadRunning(listener)) {
        ::SetEvent(listener.addEvent.get());
    } else {
        StartThread(listener);
    }
}

// Called with the lock held: a setting's signal for an item that follows the settings service, none
// for a registry watch. Kept across registrations, so that a change since the first one stays known.
void FitSignal(Entry& entry) {
    if (entry.item->IsReg()) {
        entry.signal.reset();
    } else if (!entry.signal) {
        entry.signal.reset(new ChangeSignal(SettingEventName(entry.item->GetClassID(), entry.item->GetSettingID())));
    }
}

long AddEntry(Listener& listener, Entry entry) {
    if (listener.entries.size() >= kMaxListeningItems) return PW_NOT_POSSIBLE;
    listener.entries.push_back(std::move(entry));
    return 0;
}

void RemoveEntry(Listener& listener, const void* key) {
    auto& entries = listener.entries;
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const Entry& entry) { return entry.item == key || (entry.owner && entry.owner == key); }),
                  entries.end());
}

long Unlist(const void* key, DWORD timeoutMs) {
    Listener* listener = GetListener(false);
    if (!listener) return PW_NOT_POSSIBLE;
    LockHold hold(listener->lock.get(), timeoutMs);
    if (!hold.Held()) return PW_LOCK_BUSY;
    RemoveEntry(*listener, key);
    if (!listener->entries.empty() || ThreadRunning(*listener)) WakeOrStart(*listener);
    return 0;
}

}  // namespace

long AddListeningItem(SettingItem* item) {
    if (!item || !item->GetXMLEvent()) return PW_NOT_POSSIBLE;
    Listener* listener = GetListener(true);
    if (!listener) return PW_NOT_POSSIBLE;
    LockHold hold(listener->lock.get(), INFINITE);
    if (!hold.Held()) return PW_NOT_POSSIBLE;
    Entry* entry = Find(*listener, item);
    if (!entry) {
        Entry added;
        added.item = item;
        if (AddEntry(*listener, std::move(added)) != 0) return PW_NOT_POSSIBLE;
        entry = &listener->entries.back();
    }
    Guarded(0, [&] {
        FitSignal(*entry);
        return 0;
    });
    WakeOrStart(*listener);
    return 0;
}

long RemoveListeningItem(SettingItem* item, DWORD timeoutMs) {
    if (!item) return PW_NOT_POSSIBLE;
    return Unlist(item, timeoutMs);
}

long AddStatusRelay(const void* owner, HANDLE relay, const CStringW& eventName) {
    if (!owner || !relay) return PW_NOT_POSSIBLE;
    Listener* listener = GetListener(true);
    if (!listener) return PW_NOT_POSSIBLE;
    LockHold hold(listener->lock.get(), INFINITE);
    if (!hold.Held()) return PW_NOT_POSSIBLE;
    RemoveEntry(*listener, owner);
    long result = Guarded(static_cast<long>(PW_NOT_POSSIBLE), [&] {
        Entry entry;
        entry.owner = owner;
        entry.relay = relay;
        entry.ownEvent.reset(OpenSettingEvent(eventName));
        if (!entry.ownEvent) return static_cast<long>(PW_NOT_POSSIBLE);
        entry.signal.reset(new ChangeSignal(eventName));
        return AddEntry(*listener, std::move(entry));
    });
    if (result == 0 || ThreadRunning(*listener)) WakeOrStart(*listener);
    return result;
}

long RemoveStatusRelay(const void* owner, DWORD timeoutMs) { return Unlist(owner, timeoutMs); }

void CloseRelayedEvent(const void* owner, HANDLE& event) {
    if (!event) return;
    RemoveStatusRelay(owner, INFINITE);
    ::CloseHandle(event);
    event = nullptr;
}

void WakeListener() {
    Listener* listener = GetListener(false);
    if (listener && listener->addEvent) ::SetEvent(listener->addEvent.get());
}

bool SettleBeforeReload(DWORD ms) {
    Listener* listener = GetListener(false);
    if (!listener || !listener->endEvent) {
        ::Sleep(ms);
        return true;
    }
    return ::WaitForSingleObject(listener->endEvent.get(), ms) == WAIT_TIMEOUT;
}

bool ChangeListenerExists() { return GetListener(true) != nullptr; }

void StopChangeListener() {
    Listener* listener = GetListener(false);
    if (!listener) return;
    if (listener->endEvent) ::SetEvent(listener->endEvent.get());
    if (!listener->thread) return;
    const DWORD start = ::GetTickCount();
    HANDLE thread = listener->thread.get();
    bool ended = false;
    // Answering sent messages lets an item that is updating this thread's controls finish in time.
    for (;;) {
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= 500) break;
        DWORD result = ::MsgWaitForMultipleObjects(1, &thread, FALSE, 500 - elapsed, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        if (result != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (!ended && ::WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
        ::TerminateThread(thread, 0);
        ::WaitForSingleObject(thread, 500);
    }
    listener->thread.reset();
}

void ReleaseChangeListener() {
    StopChangeListener();
    base::CriticalSectionLock hold(g_guard);
    delete g_listener;
    g_listener = nullptr;
}

size_t ListeningItemCountForTest() {
    Listener* listener = GetListener(false);
    if (!listener) return 0;
    LockHold hold(listener->lock.get(), INFINITE);
    return static_cast<size_t>(std::count_if(listener->entries.begin(), listener->entries.end(),
                                             [](const Entry& entry) { return entry.item != nullptr; }));
}

bool ListenerThreadRunningForTest() {
    Listener* listener = GetListener(false);
    return listener && ThreadRunning(*listener);
}

}  // namespace plugwerk

namespace plugwerk_testing {
size_t ListeningItemCount() { return plugwerk::ListeningItemCountForTest(); }
bool ListenerRunning() { return plugwerk::ListenerThreadRunningForTest(); }
void StopListener() { plugwerk::StopChangeListener(); }
}  // namespace plugwerk_testing
