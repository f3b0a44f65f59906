#pragma once
// Waiting on a thread (or any object) from a window thread. Messages that other threads send to this
// thread's windows are answered meanwhile, so a worker that talks to those windows cannot deadlock
// against the wait.
#include <windows.h>

namespace base {
// TRUE when the object was signalled within the time.
bool WaitAnsweringSentMessages(HANDLE object, DWORD timeoutMs);
}  // namespace base
