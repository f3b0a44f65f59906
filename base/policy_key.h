#pragma once
// Where administrators' policy values live, under HKEY_LOCAL_MACHINE (machine policy) and
// HKEY_CURRENT_USER (user policy): one key a setting class, named by its class id. The settings
// service reads them; the plug-in framework looks whether a class has a key at all before it asks.
namespace base {
constexpr wchar_t kPolicyKey[] = L"SOFTWARE\\Policies\\Quor Corporation\\Ostrel";
}  // namespace base
