#include "window/settings_file_watch.h"

#include "base/cstringw.h"

namespace {

constexpr DWORD kStopWaitMs = 5000;

CStringW ExpandedFolder(const wchar_t* pattern) {
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = ::ExpandEnvironmentStringsW(pattern, buffer, MAX_PATH);
    if (length == 0 || length > MAX_PATH || wcschr(buffer, L'%')) return CStringW();
    return buffer;
}

}  // namespace

bool CSettingsFileWatch::Start(HWND window, UINT message) {
    Stop();
    m_hWindow = window;
    m_nMessage = message;
    m_hStop.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_hStop) return false;
    m_waits.push_back(m_hStop.get());
    for (const wchar_t* pattern : {L"%ALLUSERSPROFILE%\\Quor Corporation\\Ostrel", L"%APPDATA%\\Quor Corporation\\Ostrel"}) {
        CStringW folder = ExpandedFolder(pattern);
        if (folder.IsEmpty()) continue;
        // The service writes the files in place or replaces them; either shows as a write or a new name.
        HANDLE change = ::FindFirstChangeNotificationW(folder, FALSE,
                                                       FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME);
        if (change == INVALID_HANDLE_VALUE) continue;
        m_changes.emplace_back(change);
        m_waits.push_back(change);
    }
    if (m_waits.size() < 2) {
        Stop();
        return false;
    }
    m_hThread.reset(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
    if (!m_hThread) {
        Stop();
        return false;
    }
    return true;
}

void CSettingsFileWatch::Stop() {
    if (m_hThread) {
        ::SetEvent(m_hStop.get());
        if (::WaitForSingleObject(m_hThread.get(), kStopWaitMs) != WAIT_OBJECT_0) ::TerminateThread(m_hThread.get(), 0);
        m_hThread.reset();
    }
    m_waits.clear();
    m_changes.clear();
    m_hStop.reset();
}

DWORD WINAPI CSettingsFileWatch::Run(void* self) {
    static_cast<CSettingsFileWatch*>(self)->Loop();
    return 0;
}

void CSettingsFileWatch::Loop() {
    const DWORD count = static_cast<DWORD>(m_waits.size());
    for (;;) {
        DWORD result = ::WaitForMultipleObjects(count, m_waits.data(), FALSE, INFINITE);
        if (result <= WAIT_OBJECT_0 || result >= WAIT_OBJECT_0 + count) return;
        ::PostMessageW(m_hWindow, m_nMessage, 0, 0);
        if (!::FindNextChangeNotification(m_waits[result - WAIT_OBJECT_0])) return;
    }
}
