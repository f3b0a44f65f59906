#include "common/service_host_start.h"

#include "Settory_h.h"
#include "base/cstringw.h"
#include "base/service_host.h"

namespace {
// A host is ready in a fraction of this; a longer wait only follows a host that hangs.
constexpr DWORD kReadyWaitMs = 5000;

// The command line registered for the service's local server, or empty.
CStringW RegisteredHostCommand() {
    wchar_t clsid[64] = {};
    if (!::StringFromGUID2(CLSID_CSettory, clsid, ARRAYSIZE(clsid))) return CStringW();
    CStringW key = CStringW(L"CLSID\\") + clsid + L"\\LocalServer32";
    wchar_t command[MAX_PATH + 32] = {};
    DWORD bytes = sizeof(command) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, command, &bytes) != ERROR_SUCCESS) {
        return CStringW();
    }
    return command;
}
}  // namespace

void CServiceHostStart::Begin() {
    ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, base::kServiceHostReadyEvent));
    // Not held for longer than needed: a host that died with it set must not leave it set.
    if (ready_ && ::WaitForSingleObject(ready_.get(), 0) == WAIT_OBJECT_0) ready_.reset();
    if (!ready_) return;
    CStringW command = RegisteredHostCommand();
    if (command.IsEmpty()) {
        ready_.reset();
        return;
    }
    // As the activation itself starts it: detached, so the host never holds this program's standard
    // handles (a pipe a caller reads to its end would stay open for the host's whole life).
    command += L" -Embedding";
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(nullptr, command.GetBuffer(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                          &startup, &started)) {
        ready_.reset();
        return;
    }
    ::CloseHandle(started.hThread);
    process_.reset(started.hProcess);
}

void CServiceHostStart::WaitUntilReady() {
    if (!ready_ || !process_) return;
    // Ended: it found another host registered, or failed; the activation then starts or finds one.
    HANDLE both[] = {ready_.get(), process_.get()};
    ::WaitForMultipleObjects(2, both, FALSE, kReadyWaitMs);
    process_.reset();
    ready_.reset();
}
