#pragma once
// Places where a test can hold a thread, to force an interleaving that timing alone would give only
// rarely. No hook is installed outside tests; an unset hook costs one load.

namespace settory {

enum class HookPoint {
    StoreCleared,  // a current store's document and index are empty, before its file is read again
};

using HookFn = void (*)(HookPoint point);

// Installs hook (null removes it); it runs on whichever thread reaches a point.
void SetTestHook(HookFn hook);
void RunTestHook(HookPoint point);

}  // namespace settory
