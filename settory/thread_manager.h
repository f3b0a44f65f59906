#pragma once
// Named worker threads of the service: a work object runs on a thread of its own until its exit event
// or its work says stop; the manager knows each running thread by name so it can stop it.
#include <windows.h>

#include <map>
#include <string>

#include "base/handles.h"

namespace settory {

class CThreadManager;

class IThreadWork {
public:
    virtual ~IThreadWork() = default;
    virtual void Run() = 0;
    // One unit of work after the trigger fired; false ends the thread.
    virtual bool WorkStep() = 0;
    virtual void BeforeRun() {}
    virtual void AfterRun() {}
    virtual const std::wstring& Name() const noexcept = 0;
    // The manager's own handle of the exit event (a duplicate; the work keeps its own).
    virtual HANDLE ExitEvent() const noexcept = 0;
};

// Waits on its exit event (index 0) and its trigger event (index 1). When a poll interval is given,
// a wait that times out also runs the poll step, for triggers that a shared event cannot deliver.
class CThreadWaitWork : public IThreadWork {
public:
    void Run() override;
    HANDLE ExitEvent() const noexcept override { return events_[0].get(); }
    const std::wstring& Name() const noexcept override { return name_; }

protected:
    explicit CThreadWaitWork(std::wstring name) : name_(std::move(name)) {}
    // Run on a wait time-out; false ends the thread.
    virtual bool PollStep() { return true; }
    virtual DWORD PollIntervalMs() const noexcept { return INFINITE; }

    std::wstring name_;
    base::UniqueHandle events_[2];
};

class IThread {
public:
    virtual ~IThread() = default;
    virtual bool Start(IThreadWork* work, CThreadManager& manager) = 0;
};

// Starts a work object on a CreateThread thread; the thread destroys the work when it ends.
class CAPIThread : public IThread {
public:
    bool Start(IThreadWork* work, CThreadManager& manager) override;

private:
    static DWORD WINAPI Entry(void* parameter);
};

class CThreadManager {
public:
    CThreadManager() = default;
    CThreadManager(const CThreadManager&) = delete;
    CThreadManager& operator=(const CThreadManager&) = delete;

    // Takes the work; false (and the work destroyed) when no thread could be started.
    bool Start(IThreadWork* work);
    // Sets the thread's exit event, waits up to timeoutMs and terminates it when it is still running.
    void Stop(const std::wstring& name, DWORD timeoutMs = 500);
    bool IsRunning(const std::wstring& name);

private:
    friend class CAPIThread;
    void Record(const std::wstring& name, HANDLE thread, HANDLE exitEvent);
    // Called by the thread itself as it ends.
    void Forget(const std::wstring& name);

    base::CriticalSection lock_;
    std::map<std::wstring, base::UniqueHandle> threads_;
    std::map<std::wstring, base::UniqueHandle> exitEvents_;
    CAPIThread launcher_;
};

}  // namespace settory
