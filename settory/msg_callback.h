#pragma once
// CMsgCallBack: the windows of this process that asked, through RegisterWnd, to hear about reloads.
// The list is changed on the objects' apartment thread and read by the reload listener, so it is
// locked; a window registered twice is listed twice and gets two messages.
#include <windows.h>

#include <vector>

#include "base/handles.h"

namespace settory {

constexpr UINT kReloadMessage = WM_USER + 200;

class CMsgCallBack {
public:
    void Add(ULONG_PTR window);
    // Removes the first entry equal to window; nothing when it is not listed.
    void Remove(ULONG_PTR window);
    // Posts kReloadMessage to every non-null entry in list order.
    void PostReload();
    size_t Count();

private:
    base::CriticalSection lock_;
    std::vector<ULONG_PTR> windows_;
};

CMsgCallBack& RegisteredWindows();

}  // namespace settory
