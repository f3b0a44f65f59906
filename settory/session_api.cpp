#include "settory/session_api.h"

#include <sddl.h>

#include "settory/identity.h"

namespace settory {

bool SystemHasSessions() {
    static const bool hasSessions = [] {
        OSVERSIONINFOW version = {sizeof(version)};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!::GetVersionExW(&version)) return false;
#pragma GCC diagnostic pop
        return version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
               (version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion != 0));
    }();
    return hasSessions;
}

SessionApi::SessionApi() {
    if (!SystemHasSessions()) return;
    kernel_.reset(::LoadLibraryW(L"kernel32.dll"));
    wtsapi_.reset(::LoadLibraryW(L"wtsapi32.dll"));
    if (!kernel_ || !wtsapi_) {
        kernel_.reset();
        wtsapi_.reset();
        return;
    }
    FARPROC active = ::GetProcAddress(kernel_.get(), "WTSGetActiveConsoleSessionId");
    // Bound with the others, although the token needs only these two: a library without all of
    // them is not the one the service was written against.
    const char* const others[] = {"WTSRegisterSessionNotification", "WTSUnRegisterSessionNotification",
                                  "WTSQuerySessionInformationA", "WTSFreeMemory", "WTSEnumerateSessionsA"};
    bool complete = active != nullptr;
    for (const char* name : others) complete = complete && ::GetProcAddress(wtsapi_.get(), name) != nullptr;
    FARPROC query = ::GetProcAddress(wtsapi_.get(), "WTSQueryUserToken");
    if (!complete || !query) {
        kernel_.reset();
        wtsapi_.reset();
        return;
    }
    activeConsole_ = reinterpret_cast<ActiveConsoleFn>(active);
    queryUserToken_ = reinterpret_cast<QueryTokenFn>(query);
    failed_ = false;
}

HANDLE SessionApi::ConsoleUserToken() const {
    if (failed_) return nullptr;
    HANDLE token = nullptr;
    if (!queryUserToken_(activeConsole_(), &token)) return nullptr;
    return token;
}

std::wstring TokenUserSid(HANDLE token) {
    base::UniqueHandle own;
    if (!token) {
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, own.put())) return std::wstring();
        token = own.get();
    }
    // Room for any SID at once: every per-user read asks, and asking for the size first doubled the
    // round trips to the kernel.
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } buffer;
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenUser, &buffer, sizeof(buffer), &size)) return std::wstring();
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(buffer.user.User.Sid, &text)) {
        return std::wstring();
    }
    base::UniqueLocal owner(text);
    return std::wstring(text);
}

HANDLE CallerUserToken() noexcept {
    DWORD session = 0;
    if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session)) return nullptr;
    // Bound once per process: every per-user read asks, and loading and freeing the library on each
    // call made a read cost over a millisecond under Wine. The console user can change, so the token
    // itself is still asked for on every call. Never destroyed, so no library is freed while the
    // process is being torn down.
    static const SessionApi* api = new SessionApi();
    return api->ConsoleUserToken();
}

}  // namespace settory
