#include "settory/thread_manager.h"

#include <objbase.h>

#include <memory>

namespace settory {

void CThreadWaitWork::Run() {
    HANDLE handles[2] = {events_[0].get(), events_[1].get()};
    for (;;) {
        DWORD wait = ::WaitForMultipleObjects(2, handles, FALSE, PollIntervalMs());
        if (wait == WAIT_OBJECT_0) {
            ::ResetEvent(handles[0]);
            return;
        }
        if (wait == WAIT_OBJECT_0 + 1) {
            ::ResetEvent(handles[1]);
            if (!WorkStep()) return;
        } else if (wait == WAIT_TIMEOUT) {
            if (!PollStep()) return;
        } else {
            return;
        }
    }
}

namespace {
struct ThreadStart {
    IThreadWork* work;
    CThreadManager* manager;
};
}  // namespace

bool CAPIThread::Start(IThreadWork* work, CThreadManager& manager) {
    HANDLE exitCopy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), work->ExitEvent(), ::GetCurrentProcess(), &exitCopy, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        return false;
    }
    auto* start = new ThreadStart{work, &manager};
    // Suspended until recorded, so a thread that ends at once still finds its entry to remove.
    HANDLE thread = ::CreateThread(nullptr, 0, Entry, start, CREATE_SUSPENDED, nullptr);
    if (!thread) {
        ::CloseHandle(exitCopy);
        delete start;
        return false;
    }
    manager.Record(work->Name(), thread, exitCopy);
    ::ResumeThread(thread);
    return true;
}

DWORD WINAPI CAPIThread::Entry(void* parameter) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    std::unique_ptr<IThreadWork> work(start->work);
    HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    work->BeforeRun();
    work->Run();
    work->AfterRun();
    std::wstring name = work->Name();
    work.reset();
    if (SUCCEEDED(com)) ::CoUninitialize();
    start->manager->Forget(name);
    return 0;
}

bool CThreadManager::Start(IThreadWork* work) {
    if (!work) return false;
    if (!launcher_.Start(work, *this)) {
        delete work;
        return false;
    }
    return true;
}

void CThreadManager::Record(const std::wstring& name, HANDLE thread, HANDLE exitEvent) {
    base::CriticalSectionLock lock(lock_);
    threads_[name].reset(thread);
    exitEvents_[name].reset(exitEvent);
}

void CThreadManager::Forget(const std::wstring& name) {
    base::CriticalSectionLock lock(lock_);
    threads_.erase(name);
    exitEvents_.erase(name);
}

bool CThreadManager::IsRunning(const std::wstring& name) {
    base::CriticalSectionLock lock(lock_);
    auto it = threads_.find(name);
    return it != threads_.end() && ::WaitForSingleObject(it->second.get(), 0) == WAIT_TIMEOUT;
}

void CThreadManager::Stop(const std::wstring& name, DWORD timeoutMs) {
    base::UniqueHandle thread;
    base::UniqueHandle exitEvent;
    {
        // Taken out of the maps first: the thread's own Forget then finds nothing to close under us.
        base::CriticalSectionLock lock(lock_);
        auto t = threads_.find(name);
        if (t != threads_.end()) {
            thread = std::move(t->second);
            threads_.erase(t);
        }
        auto e = exitEvents_.find(name);
        if (e != exitEvents_.end()) {
            exitEvent = std::move(e->second);
            exitEvents_.erase(e);
        }
    }
    if (exitEvent) ::SetEvent(exitEvent.get());
    if (thread && ::WaitForSingleObject(thread.get(), timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateThread(thread.get(), 1);
    }
}

}  // namespace settory
