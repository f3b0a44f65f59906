#pragma once
// Whose per-user settings a call reaches. In a process of an ordinary user the answer is that user;
// in a process of the system account it is the user at the console, whose token the terminal-services
// functions give. Those are bound by name once per process.
#include <windows.h>

#include <string>

#include "base/handles.h"

namespace settory {

class SessionApi {
public:
    SessionApi();
    SessionApi(const SessionApi&) = delete;
    SessionApi& operator=(const SessionApi&) = delete;

    // Set when the system is older than 5.1 or one of the seven functions is missing.
    bool Failed() const noexcept { return failed_; }
    // The token of the user in the active console session, or none. The caller closes it.
    HANDLE ConsoleUserToken() const;

private:
    using ActiveConsoleFn = DWORD(WINAPI*)();
    using QueryTokenFn = BOOL(WINAPI*)(ULONG, PHANDLE);

    base::UniqueModule kernel_;
    base::UniqueModule wtsapi_;
    ActiveConsoleFn activeConsole_ = nullptr;
    QueryTokenFn queryUserToken_ = nullptr;
    bool failed_ = true;
};

// Platform NT, version 5.1 or later; asked once per process.
bool SystemHasSessions();

// The text form of the user SID a token carries (the process's own token when null); empty on failure.
std::wstring TokenUserSid(HANDLE token);

// Takes on the user of a token for the object's lifetime on this thread; nothing when the token is
// null or impersonation fails.
class Impersonation {
public:
    explicit Impersonation(HANDLE token) noexcept
        : active_(token != nullptr && ::ImpersonateLoggedOnUser(token) != FALSE) {}
    ~Impersonation() {
        if (active_) ::RevertToSelf();
    }
    Impersonation(const Impersonation&) = delete;
    Impersonation& operator=(const Impersonation&) = delete;
    bool Active() const noexcept { return active_; }

private:
    bool active_;
};

}  // namespace settory
