#include "common/status_gathering.h"

#include <atomic>

namespace {
std::atomic<bool> g_idle{true};
}

namespace ostrel {
bool IsStatusGatheringIdle() noexcept { return g_idle.load(); }
void SetStatusGatheringIdle(bool idle) noexcept { g_idle.store(idle); }
}  // namespace ostrel
