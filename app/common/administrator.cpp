#include "common/administrator.h"

#include <atomic>

#include "base/handles.h"

namespace ostrel {

BOOL TokenHasEnabledAdministrators(HANDLE token, BOOL* answer) {
    if (!answer) return FALSE;
    *answer = FALSE;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
    if (size == 0) return FALSE;
    base::UniqueGlobal block(::GlobalAlloc(GPTR, size));
    if (!block) return FALSE;
    auto* groups = static_cast<TOKEN_GROUPS*>(block.get());
    if (!::GetTokenInformation(token, TokenGroups, groups, size, &size)) return FALSE;

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    base::UniqueSid administrators;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                    0, 0, 0, administrators.put())) {
        return FALSE;
    }
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (::EqualSid(groups->Groups[i].Sid, administrators.get()) &&
            (groups->Groups[i].Attributes & SE_GROUP_ENABLED)) {
            *answer = TRUE;
            break;
        }
    }
    return TRUE;
}

namespace {
std::atomic<AdministratorCheck> g_check{nullptr};
}

BOOL CheckAdministrator(BOOL* answer) {
    AdministratorCheck check = g_check.load();
    return check ? check(answer) : IsAdministrator(answer);
}

AdministratorCheck SetAdministratorCheck(AdministratorCheck check) { return g_check.exchange(check); }

}  // namespace ostrel

BOOL IsAdministrator(BOOL* answer) {
    // Only NT-family systems have tokens; every system this program runs on is one, so the platform
    // check of older code reduces to this.
    static const bool isNt = [] {
        OSVERSIONINFOW info = {sizeof(info)};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        return ::GetVersionExW(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
    }();
    if (!isNt || !answer) return FALSE;
    base::UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return FALSE;
    return ostrel::TokenHasEnabledAdministrators(token.get(), answer);
}
