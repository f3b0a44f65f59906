#include "settory/msg_callback.h"

#include <algorithm>

namespace settory {

void CMsgCallBack::Add(ULONG_PTR window) {
    base::CriticalSectionLock lock(lock_);
    windows_.push_back(window);
}

void CMsgCallBack::Remove(ULONG_PTR window) {
    base::CriticalSectionLock lock(lock_);
    auto it = std::find(windows_.begin(), windows_.end(), window);
    if (it != windows_.end()) windows_.erase(it);
}

void CMsgCallBack::PostReload() {
    std::vector<ULONG_PTR> windows;
    {
        base::CriticalSectionLock lock(lock_);
        windows = windows_;
    }
    // Posted outside the lock: a registration from the window's own thread never waits on a post.
    for (ULONG_PTR window : windows) {
        if (window) ::PostMessageW(reinterpret_cast<HWND>(window), kReloadMessage, 0, 0);
    }
}

size_t CMsgCallBack::Count() {
    base::CriticalSectionLock lock(lock_);
    return windows_.size();
}

CMsgCallBack& RegisteredWindows() {
    // Never destroyed: the listener may still read it while the process exits.
    static CMsgCallBack* list = new CMsgCallBack();
    return *list;
}

}  // namespace settory
