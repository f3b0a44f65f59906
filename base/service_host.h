#pragma once
// The settings service's host process sets this event, in its session, once its class objects are
// registered, and resets it when it decides to end. A client that starts the host itself waits on it
// before its first activation: an activation that finds no class object registered starts a host of
// its own and, under Wine, then waits a whole second before it looks again.
namespace base {
constexpr wchar_t kServiceHostReadyEvent[] = L"Local\\SettoryHostReady";
}  // namespace base
