#pragma once
// The process-wide listener: one thread waits on the change events of every listening setting item of
// every page and hands a fired event to its item (PWM_CHANGE_EVENT) on that thread. It is this
// process's only consumer of the settings service's per-setting events (see change_signal.h); status
// items get their own event, which the thread sets.
//
// Lock order and waits: the thread holds the lock while it is inside an item, and an item's control
// update reaches the page's dialog thread by a cross-thread SendMessageW. Every wait for the lock
// therefore answers messages sent to the waiting thread, so a dialog thread that registers or
// unregisters an item keeps serving the listener instead of blocking against it.
#include <windows.h>

#include "base/cstringw.h"

class SettingItem;

namespace plugwerk {

// WaitForMultipleObjects takes 64 handles; two are the listener's own end and add events.
constexpr size_t kMaxListeningItems = MAXIMUM_WAIT_OBJECTS - 2;

// 0 when listed (also when it already was); -1 without an event, without a listener, or when
// kMaxListeningItems items already listen (the item would never be waited on).
long AddListeningItem(SettingItem* item);
// 0 when no longer listed; 8 when the lock stayed busy for the time (the item stays listed); -1 for
// null or without a listener.
long RemoveListeningItem(SettingItem* item, DWORD timeoutMs = 100);
// A status item's own event, set by the thread for every change of the setting whose event is
// named, so that the status window and this process's pages never clear each other's signal. 0; -1
// without a listener or the setting's event, or when kMaxListeningItems entries already listen.
long AddStatusRelay(const void* owner, HANDLE relay, const CStringW& eventName);
// 0 when no longer listed; 8 when the lock stayed busy for the time; -1 without a listener.
long RemoveStatusRelay(const void* owner, DWORD timeoutMs);
// Unlists the owner's relay and then closes its event (null afterwards): the thread never sets a
// closed handle.
void CloseRelayedEvent(const void* owner, HANDLE& event);
// Lets the thread pick up an item's replaced event.
void WakeListener();
// The pause before an outside change is read, so that the writer has finished. False when the
// listener is being stopped meanwhile: the item then skips the reload.
bool SettleBeforeReload(DWORD ms);
// Whether the listener could be (or was) created.
bool ChangeListenerExists();
// Ends the thread: asks it to end, waits 500 ms, then terminates it. Items stay listed, and the next
// registration starts the thread again.
void StopChangeListener();
// At library unload: stops the thread and releases the lock and the list.
void ReleaseChangeListener();

size_t ListeningItemCountForTest();
bool ListenerThreadRunningForTest();

}  // namespace plugwerk
