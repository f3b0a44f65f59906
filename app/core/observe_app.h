#pragma once
// CObserveApp: one running instance per user session, and the named events through which other
// processes ask the running instance to close.
#include <windows.h>

class CObserveApp {
public:
    // Called on the watcher thread; an implementation only posts a message.
    class IObserveEvent {
    public:
        virtual void OnShutdownAllRequested() = 0;
        virtual void OnShutdownUserRequested() = 0;

    protected:
        ~IObserveEvent() = default;
    };

    // Creates (or opens) the two shutdown events named after the product.
    explicit CObserveApp(const wchar_t* name = L"Ostrel");
    virtual ~CObserveApp();
    CObserveApp(const CObserveApp&) = delete;
    CObserveApp& operator=(const CObserveApp&) = delete;

    // TRUE when an instance of this session holds the per-user instance mutex.
    BOOL IsRunning() const;
    // Takes both instance mutexes and starts the watcher; the sink must be set before.
    void Start();
    void StopWatcher();
    void SetSink(IObserveEvent* sink) noexcept { m_pSink = sink; }

    // Signal the shutdown events (what "halt" and "haltAll" do). FALSE when the event is missing.
    BOOL SignalUserShutdown() const;
    BOOL SignalAllShutdown() const;

    HANDLE UserShutdownEvent() const noexcept { return m_hShutdownUser; }
    HANDLE AllShutdownEvent() const noexcept { return m_hShutdownAll; }

private:
    static DWORD WINAPI WatcherThread(void* parameter);
    void Watch();
    wchar_t* FormatName(const wchar_t* pattern) const;

    HANDLE m_hMutexUser = nullptr;
    HANDLE m_hMutexAll = nullptr;
    HANDLE m_hShutdownUser = nullptr;
    HANDLE m_hShutdownAll = nullptr;
    HANDLE m_hStopEvent = nullptr;
    HANDLE m_hWatcher = nullptr;
    wchar_t* m_pszName = nullptr;
    IObserveEvent* m_pSink = nullptr;
};

namespace ostrel {
// The descriptor every instance object is created with: Everyone may use the object but not change
// its access list or owner, so processes of other sessions and users reach it.
class EveryoneSecurity {
public:
    EveryoneSecurity();
    ~EveryoneSecurity();
    EveryoneSecurity(const EveryoneSecurity&) = delete;
    EveryoneSecurity& operator=(const EveryoneSecurity&) = delete;
    // Null when the descriptor could not be built: the object is then made with default security.
    SECURITY_ATTRIBUTES* Attributes() noexcept { return ok_ ? &sa_ : nullptr; }

private:
    SECURITY_DESCRIPTOR sd_ = {};
    SECURITY_ATTRIBUTES sa_ = {};
    PACL acl_ = nullptr;
    bool ok_ = false;
};
}  // namespace ostrel
