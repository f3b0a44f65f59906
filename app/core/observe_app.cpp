#include "core/observe_app.h"

#include <stdlib.h>
#include <wchar.h>

namespace ostrel {

EveryoneSecurity::EveryoneSecurity() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return;
    DWORD sidLength = ::GetLengthSid(everyone);
    DWORD aclLength = 2 * sidLength + 32 + 2 * sizeof(ACCESS_ALLOWED_ACE);
    acl_ = static_cast<PACL>(::LocalAlloc(LPTR, aclLength));
    ok_ = acl_ && ::InitializeAcl(acl_, aclLength, ACL_REVISION) &&
          ::AddAccessDeniedAce(acl_, ACL_REVISION, WRITE_DAC | WRITE_OWNER, everyone) &&
          ::AddAccessAllowedAce(acl_, ACL_REVISION, GENERIC_ALL, everyone) &&
          ::InitializeSecurityDescriptor(&sd_, SECURITY_DESCRIPTOR_REVISION) &&
          ::SetSecurityDescriptorDacl(&sd_, TRUE, acl_, FALSE);
    ::FreeSid(everyone);
    sa_.nLength = sizeof(sa_);
    sa_.lpSecurityDescriptor = &sd_;
    sa_.bInheritHandle = FALSE;
}

EveryoneSecurity::~EveryoneSecurity() {
    if (acl_) ::LocalFree(acl_);
}

}  // namespace ostrel

namespace {
HANDLE CreateOrOpenEvent(const wchar_t* name) {
    ostrel::EveryoneSecurity security;
    HANDLE event = ::CreateEventW(security.Attributes(), TRUE, FALSE, name);
    if (!event) event = ::OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name);
    return event;
}

HANDLE CreateOrOpenMutex(const wchar_t* name) {
    ostrel::EveryoneSecurity security;
    HANDLE mutex = ::CreateMutexW(security.Attributes(), FALSE, name);
    if (!mutex) mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, name);
    return mutex;
}

void CloseIfOpen(HANDLE& handle) {
    if (handle) ::CloseHandle(handle);
    handle = nullptr;
}
}  // namespace

wchar_t* CObserveApp::FormatName(const wchar_t* pattern) const {
    size_t size = wcslen(m_pszName) + wcslen(pattern) + 1;
    auto* name = static_cast<wchar_t*>(calloc(size, sizeof(wchar_t)));
    if (name) _snwprintf(name, size - 1, pattern, m_pszName);
    return name;
}

CObserveApp::CObserveApp(const wchar_t* name) : m_pszName(_wcsdup(name ? name : L"")) {
    if (!m_pszName) return;
    wchar_t* userName = FormatName(L"%s-Shutdown-User");
    wchar_t* allName = FormatName(L"Global\\%s-Shutdown-All");
    if (userName) m_hShutdownUser = CreateOrOpenEvent(userName);
    if (allName) m_hShutdownAll = CreateOrOpenEvent(allName);
    free(userName);
    free(allName);
}

CObserveApp::~CObserveApp() {
    if (m_hStopEvent) {
        ::SetEvent(m_hStopEvent);
        ::Sleep(0);
        ::SetEvent(m_hStopEvent);
    }
    StopWatcher();
    CloseIfOpen(m_hMutexUser);
    CloseIfOpen(m_hMutexAll);
    CloseIfOpen(m_hShutdownUser);
    CloseIfOpen(m_hShutdownAll);
    free(m_pszName);
}

BOOL CObserveApp::IsRunning() const {
    if (!m_pszName) return FALSE;
    wchar_t* name = FormatName(L"%s-MutexUser");
    HANDLE mutex = name ? ::OpenMutexW(SYNCHRONIZE, FALSE, name) : nullptr;
    free(name);
    if (!mutex) return FALSE;
    ::CloseHandle(mutex);
    return TRUE;
}

void CObserveApp::Start() {
    if (!m_pszName) return;
    const wchar_t* patterns[] = {L"%s-MutexUser", L"Global\\%s-MutexAll"};
    HANDLE* slots[] = {&m_hMutexUser, &m_hMutexAll};
    for (int i = 0; i < 2; ++i) {
        if (!*slots[i]) {
            wchar_t* name = FormatName(patterns[i]);
            if (name) *slots[i] = CreateOrOpenMutex(name);
            free(name);
        }
        if (*slots[i]) ::WaitForSingleObject(*slots[i], 0);
    }
    StopWatcher();
    m_hStopEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_hWatcher = ::CreateThread(nullptr, 0, WatcherThread, this, 0, nullptr);
}

void CObserveApp::StopWatcher() {
    if (m_hWatcher) {
        if (m_hStopEvent) ::SetEvent(m_hStopEvent);
        if (::WaitForSingleObject(m_hWatcher, 2000) != WAIT_OBJECT_0) ::TerminateThread(m_hWatcher, FALSE);
        CloseIfOpen(m_hWatcher);
    }
    CloseIfOpen(m_hStopEvent);
}

BOOL CObserveApp::SignalUserShutdown() const { return m_hShutdownUser && ::SetEvent(m_hShutdownUser); }
BOOL CObserveApp::SignalAllShutdown() const { return m_hShutdownAll && ::SetEvent(m_hShutdownAll); }

DWORD WINAPI CObserveApp::WatcherThread(void* parameter) {
    static_cast<CObserveApp*>(parameter)->Watch();
    return 0;
}

void CObserveApp::Watch() {
    // A missing shutdown event is left out of the wait rather than failing it (the same handle may
    // not stand twice in the array either).
    HANDLE handles[3];
    int roles[3];
    DWORD count = 0;
    if (m_hStopEvent) { handles[count] = m_hStopEvent; roles[count++] = 0; }
    if (m_hShutdownAll) { handles[count] = m_hShutdownAll; roles[count++] = 1; }
    if (m_hShutdownUser) { handles[count] = m_hShutdownUser; roles[count++] = 2; }
    if (count == 0) return;
    DWORD result = ::WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    if (!m_pSink || result >= WAIT_OBJECT_0 + count) return;
    int role = roles[result - WAIT_OBJECT_0];
    if (role == 1) {
        m_pSink->OnShutdownAllRequested();
    } else if (role == 2) {
        m_pSink->OnShutdownUserRequested();
    }
}
