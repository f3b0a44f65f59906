#pragma once
// CSettingsFileWatch: tells a window that current settings were saved, by this or any other process.
// The settings service signals other processes only for settings marked for events, but every save
// rewrites a current-settings file, so watching the two folders that hold them covers every setting.
#include <windows.h>

#include <vector>

#include "base/handles.h"

class CSettingsFileWatch {
public:
    CSettingsFileWatch() = default;
    ~CSettingsFileWatch() { Stop(); }
    CSettingsFileWatch(const CSettingsFileWatch&) = delete;
    CSettingsFileWatch& operator=(const CSettingsFileWatch&) = delete;

    // Posts message (wParam 0, lParam 0) to window after each write in the all-users or the user's
    // settings folder. A folder that does not exist yet cannot be watched; false when neither can.
    bool Start(HWND window, UINT message);
    void Stop();
    bool IsWatching() const noexcept { return m_hThread.valid(); }

private:
    static DWORD WINAPI Run(void* self);
    void Loop();

    HWND m_hWindow = nullptr;
    UINT m_nMessage = 0;
    struct ChangeTraits {
        using Type = HANDLE;
        static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
        static void Close(Type h) noexcept { ::FindCloseChangeNotification(h); }
    };
    base::UniqueHandle m_hStop;
    base::UniqueHandle m_hThread;
    std::vector<base::UniqueAny<ChangeTraits>> m_changes;
    // What the thread waits on: the stop event, then the change notifications.
    std::vector<HANDLE> m_waits;
};
