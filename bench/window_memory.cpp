#include "bench/window_memory.h"

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/handles.h"
#include "resource.h"

namespace bench {
namespace {

constexpr DWORD kTimeout = 30000;
constexpr wchar_t kCaption[] = L"Ostrel Settings";

struct Megabytes {
    double privateBytes = -1;
    double workingSet = -1;
};

Megabytes MemoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    Megabytes mb;
    if (!::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters))) {
        return mb;
    }
    // Private bytes are the commit charge; some systems fill only the older PagefileUsage field,
    // which means the same.
    SIZE_T committed = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    mb.privateBytes = static_cast<double>(committed) / (1024.0 * 1024.0);
    mb.workingSet = static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
    return mb;
}

// Waits without a message loop of its own: this process owns no window the program talks to.
template <typename F>
bool WaitFor(F done, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(5);
    }
    return true;
}

std::wstring TitleOf(HWND window) {
    wchar_t text[256] = {};
    // WM_GETTEXT to another process's control is copied across by the system.
    ::SendMessageTimeoutW(::GetDlgItem(window, IDC_TITLE), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

// The pages under every category; HTREEITEM values are the tree's own and valid from here, and
// TVM_GETNEXTITEM carries no pointer, so it needs no memory in the other process.
std::vector<HTREEITEM> PageItems(HWND tree) {
    std::vector<HTREEITEM> items;
    auto next = [tree](HTREEITEM from, UINT how) {
        return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
    };
    for (HTREEITEM c = next(nullptr, TVGN_ROOT); c; c = next(c, TVGN_NEXT)) {
        for (HTREEITEM i = next(c, TVGN_CHILD); i; i = next(i, TVGN_NEXT)) items.push_back(i);
    }
    return items;
}

}  // namespace

bool MemoryOverPageSwitches(const wchar_t* program, int switches) {
    if (::FindWindowW(nullptr, kCaption)) {
        std::printf("Memory: a settings window is open already in this prefix; close it and run again\n");
        return false;
    }
    std::wstring line = L"\"" + std::wstring(program) + L"\"";
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    base::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    HWND window = nullptr;
    WaitFor([&] { return (window = ::FindWindowW(nullptr, kCaption)) != nullptr && ::IsWindowVisible(window); },
            kTimeout);
    HWND tree = window ? ::GetDlgItem(window, IDC_TREE) : nullptr;
    std::vector<HTREEITEM> items = tree ? PageItems(tree) : std::vector<HTREEITEM>();
    bool measured = false;
    if (items.size() >= 2) {
        // Start-up is over once the first page has shown its title and the program has gone idle.
        WaitFor([&] { return !TitleOf(window).empty(); }, kTimeout);
        ::WaitForInputIdle(process.get(), kTimeout);
        ::Sleep(1000);
        Megabytes start = MemoryOf(process.get());
        int done = 0, missed = 0;
        for (int n = 0; n < switches; ++n) {
            std::wstring before = TitleOf(window);
            ::SendMessageTimeoutW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[n % items.size()]),
                                  SMTO_ABORTIFHUNG, 5000, nullptr);
            if (WaitFor([&] { return TitleOf(window) != before; }, 5000)) ++done; else ++missed;
        }
        ::Sleep(1000);
        Megabytes after = MemoryOf(process.get());
        std::printf("Memory of the program's process (%zu entries in the tree, switched in turn)\n", items.size());
        std::printf("  %-44s private %7.1f MB   working set %7.1f MB\n", "after start-up", start.privateBytes,
                    start.workingSet);
        std::printf("  %-44s private %7.1f MB   working set %7.1f MB   (%d switched, %d did not show)\n",
                    "after the page switches", after.privateBytes, after.workingSet, done, missed);
        std::printf("BENCH memory.start %.2f MB\n", start.privateBytes);
        std::printf("BENCH memory.after-switches.%d %.2f MB\n", switches, after.privateBytes);
        std::printf("BENCH memory.working-set-start %.2f MB\n", start.workingSet);
        std::printf("BENCH memory.working-set-after-switches.%d %.2f MB\n", switches, after.workingSet);
        measured = start.privateBytes >= 0 && after.privateBytes >= 0;
    } else {
        std::printf("Memory: the settings window or its pages were not found\n");
    }
    std::wstring halt = line + L" /halt";
    PROCESS_INFORMATION end = {};
    if (::CreateProcessW(nullptr, &halt[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &end)) {
        base::UniqueHandle endProcess(end.hProcess), endThread(end.hThread);
        ::WaitForSingleObject(endProcess.get(), kTimeout);
    }
    if (::WaitForSingleObject(process.get(), kTimeout) != WAIT_OBJECT_0) ::TerminateProcess(process.get(), 1);
    return measured;
}

}  // namespace bench
