#pragma once
// Process-wide: FALSE while the status window is still gathering its first values. The settings
// window holds back the system-information page meanwhile, so both do not query WMI at once.
namespace ostrel {
bool IsStatusGatheringIdle() noexcept;
void SetStatusGatheringIdle(bool idle) noexcept;
}  // namespace ostrel
