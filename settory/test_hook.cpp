#include "settory/test_hook.h"

#include <atomic>

namespace settory {
namespace {

std::atomic<HookFn> g_hook{nullptr};

}  // namespace

void SetTestHook(HookFn hook) { g_hook.store(hook); }

void RunTestHook(HookPoint point) {
    if (HookFn hook = g_hook.load()) hook(point);
}

}  // namespace settory
