#include "change_listener.h"

#include <algorithm>
#include <vector>

#include "base/handles.h"
#include "internal.h"
#include "plugwerk/item.h"
#include "testing.h"

namespace plugwerk {
namespace {

struct Listener {
    std::vector<SettingItem*> items;
    // Index 0 the end event, 1 the add event, then one change event per listening item. Only the
    // thread touches it once the thread runs.
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
    for (SettingItem* item : listener.items) {
        HANDLE event = item->GetXMLEvent();
        if (Waitable(event) && listener.handles.size() < MAXIMUM_WAIT_OBJECTS) listener.handles.push_back(event);
    }
}

void Dispatch(Listener& listener, size_t index) {
    HANDLE fired = listener.handles[index];
    ::ResetEvent(fired);
    // An item may unregister itself (or others) from inside; the copy keeps the walk valid.
    std::vector<SettingItem*> items = listener.items;
    for (SettingItem* item : items) {
        if (item->GetXMLEvent() != fired) continue;
        Guarded(0L, [&] { return item->WndFunc(PWM_CHANGE_EVENT, 0, 0); });
        // A registry watch replaces its event each time it is armed again.
        listener.handles[index] = item->GetXMLEvent();
    }
    if (!Waitable(listener.handles[index])) ::SetEvent(listener.addEvent.get());
}

DWORD WINAPI ListenerThread(void* parameter) {
    Listener& listener = *static_cast<Listener*>(parameter);
    for (;;) {
        DWORD result = ::WaitForMultipleObjects(static_cast<DWORD>(listener.handles.size()), listener.handles.data(),
                                                FALSE, INFINITE);
        LockHold hold(listener.lock.get(), INFINITE);
        if (result == WAIT_OBJECT_0) return 0;
        if (result == WAIT_OBJECT_0 + 1 || result == WAIT_FAILED) {
            // Change events are not reset here: a change signalled while an item was being added
            // must still reach its item.
            FillHandles(listener);
            ::ResetEvent(listener.addEvent.get());
        } else if (result >= WAIT_OBJECT_0 + 2 && result < WAIT_OBJECT_0 + listener.handles.size()) {
            Dispatch(listener, result - WAIT_OBJECT_0);
        }
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

bool Listed(const Listener& listener, SettingItem* item) {
    return std::find(listener.items.begin(), listener.items.end(), item) != listener.items.end();
}

}  // namespace

long AddListeningItem(SettingItem* item) {
    if (!item || !item->GetXMLEvent()) return PW_NOT_POSSIBLE;
    Listener* listener = GetListener(true);
    if (!listener) return PW_NOT_POSSIBLE;
    LockHold hold(listener->lock.get(), INFINITE);
    if (!hold.Held()) return PW_NOT_POSSIBLE;
    if (!Listed(*listener, item)) {
        if (listener->items.size() >= kMaxListeningItems) return PW_NOT_POSSIBLE;
        listener->items.push_back(item);
    }
    WakeOrStart(*listener);
    return 0;
}

long RemoveListeningItem(SettingItem* item, DWORD timeoutMs) {
    if (!item) return PW_NOT_POSSIBLE;
    Listener* listener = GetListener(false);
    if (!listener) return PW_NOT_POSSIBLE;
    LockHold hold(listener->lock.get(), timeoutMs);
    if (!hold.Held()) return PW_LOCK_BUSY;
    auto& items = listener->items;
    items.erase(std::remove(items.begin(), items.end(), item), items.end());
    if (!items.empty() || ThreadRunning(*listener)) WakeOrStart(*listener);
    return 0;
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
    return listener->items.size();
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
