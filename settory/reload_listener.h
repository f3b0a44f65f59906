#pragma once
// Keeping every process's copies of the current settings in step. A save of a setting listed for
// events announces itself machine-wide; each process that holds the service runs one reload
// listener, which reloads its current stores for every save made by some other process and then
// posts the reload message to the windows registered in it.
//
// "Global\ReloadEvent" wakes the listeners, but it is one manual-reset event that every listener
// resets as it wakes: one that is busy at that moment finds it already reset and would miss the
// save. So each save also advances a machine-wide generation counter in a named section, and a
// listener reloads whenever the counter has moved past what it last saw through saves of other
// processes, whether the event woke it or its short poll found the change.
#include <windows.h>

#include <string>

namespace settory {

constexpr const wchar_t kReloadEventName[] = L"Global\\ReloadEvent";
constexpr const wchar_t kReloadGenerationName[] = L"Global\\ReloadGeneration";
constexpr const wchar_t kReloadWorkName[] = L"ReloadWork";
// How stale a listener can be when the event did not reach it; the cost is one cheap wake.
constexpr DWORD kGenerationPollMs = 200;

// The machine-wide count of announced saves; 0 when the section is unavailable.
LONG ReloadGeneration();

// After a save that needs peers to reload: notes the save as this process's own (the self-signal),
// advances the generation and sets "Global\ReloadEvent".
void AnnounceSave();

// Started once per process; later calls do nothing, also after the listener ended.
void StartReloadListener();
// Stops the listener (unloading the DLL); waits 500 ms, then terminates it.
void StopReloadListener();
bool ReloadListenerRunning();

// The listener's exit event. Named per process: one session-wide name would let one process that
// unloads the service stop the listeners of all the others.
std::wstring ReloadExitEventName(DWORD processId = ::GetCurrentProcessId());

}  // namespace settory
