// Prints how long a change takes to reach other processes: from UpdateCurrentSetting in this process
// to the reload message (WM_USER + 200) and to the per-setting event in the others, median and worst
// over many changes, with 1, 2, 4 and 8 listening processes, and what the update itself costs then,
// beside the same update with none listening and with 8 bare listeners: processes that do only the
// platform's part of listening (woken by the reload event, the write mutex waited for, the reload
// message posted to a window and taken). Nothing is asserted; run it by hand or through bench/run.sh
// (see README, "Benchmarks"). Lines that begin with "BENCH " carry the figures for the script to
// collect.
//
//   settory_notify_bench.exe                   runs the measurement (starts its own listener processes)
//   settory_notify_bench.exe listen <n>        listener n, started by the measurement
//   settory_notify_bench.exe listen-bare <n>   bare listener n, started by the measurement
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "base/handles.h"

namespace {

constexpr const wchar_t kClassId[] = L"E0000000-0000-4000-8000-00000000000E";
constexpr int kSetting = 1;
constexpr int kChanges = 100;
constexpr int kBurst = 50;
constexpr int kMaxListeners = 8;
constexpr const wchar_t kSection[] = L"Local\\SettoryNotifyBench";
constexpr const wchar_t kReady[] = L"Local\\SettoryNotifyBench-ready";
constexpr const wchar_t kSeen[] = L"Local\\SettoryNotifyBench-seen";
constexpr const wchar_t kQuit[] = L"Local\\SettoryNotifyBench-quit";

// Performance-counter ticks, comparable between processes of one machine.
struct Shared {
    volatile LONG64 eventAt[kMaxListeners];
    volatile LONG64 messageAt[kMaxListeners];
    volatile LONG reported;  // listeners that have seen both for the current change
};

LONG64 Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    base::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

struct Mapping {
    base::UniqueHandle section;
    Shared* view = nullptr;
    Mapping() {
        section.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Shared), kSection));
        if (section) view = static_cast<Shared*>(::MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, 0));
    }
    ~Mapping() {
        if (view) ::UnmapViewOfFile(view);
    }
};

// The platform's part of what the service's listener thread does in a process with a window to tell:
// woken by the reload event, it waits for the writer to be done with the write mutex and posts the
// reload message. The names are the service's own, so the service's saves wake it.
struct BareListener {
    HWND window;
    HANDLE quit;
};

DWORD WINAPI BareListen(void* parameter) {
    const BareListener& bare = *static_cast<const BareListener*>(parameter);
    base::UniqueHandle reload(::CreateEventW(nullptr, TRUE, FALSE, L"Global\\ReloadEvent"));
    base::UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, L"Global\\CurrentSettingWrite_Mutex"));
    if (!reload || !mutex) return 1;
    HANDLE handles[2] = {bare.quit, reload.get()};
    while (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        ::ResetEvent(reload.get());
        DWORD wait = ::WaitForSingleObject(mutex.get(), 15000);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ::ReleaseMutex(mutex.get());
        ::PostMessageW(bare.window, WM_USER + 200, 0, 0);
    }
    return 0;
}

int Listen(int index, bool bare) {
    if (index < 0 || index >= kMaxListeners) return 1;
    Mapping shared;
    base::UniqueHandle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kReady));
    base::UniqueHandle seen(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kSeen));
    base::UniqueHandle quit(::OpenEventW(SYNCHRONIZE, FALSE, kQuit));
    base::ComPtr<ISettory2> settory;
    if (!shared.view || !ready || !seen || !quit ||
        (!bare &&
         FAILED(::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_INPROC_SERVER, IID_ISettory2, settory.PutVoid())))) {
        return 1;
    }
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    BareListener listener{window, quit.get()};
    base::UniqueHandle thread;
    if (bare) {
        thread.reset(::CreateThread(nullptr, 0, BareListen, &listener, 0, nullptr));
    } else {
        settory->RegisterWnd(reinterpret_cast<ULONG_PTR>(window));
        settory->RegisterSettingChangeEvent(kClassId, kSetting);
        settory->UpdateCurrentSetting();
    }
    std::wstring name = std::wstring(L"Global\\") + kClassId + L"," + std::to_wstring(kSetting);
    base::UniqueHandle change(::CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
    ::SetEvent(ready.get());
    HANDLE handles[2] = {quit.get(), change.get()};
    for (;;) {
        DWORD wait = ::MsgWaitForMultipleObjectsEx(2, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wait == WAIT_OBJECT_0 + 1) {
            if (!shared.view->eventAt[index]) shared.view->eventAt[index] = Now();
            ::ResetEvent(change.get());
        } else if (wait == WAIT_OBJECT_0 + 2) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_USER + 200 && !shared.view->messageAt[index]) shared.view->messageAt[index] = Now();
            }
        } else {
            break;
        }
        // A bare listener registered nothing, so the per-setting event is set only while the marks of
        // the service's listeners before it are still in the file: it reports on the message alone.
        if (bare && shared.view->messageAt[index] > 0 && !shared.view->eventAt[index]) {
            shared.view->eventAt[index] = shared.view->messageAt[index];
        }
        if (shared.view->eventAt[index] > 0 && shared.view->messageAt[index] > 0) {
            // Marked as reported with a negative stamp until the next change clears it.
            shared.view->eventAt[index] = -shared.view->eventAt[index];
            shared.view->messageAt[index] = -shared.view->messageAt[index];
            ::InterlockedIncrement(&shared.view->reported);
            ::SetEvent(seen.get());
        }
    }
    if (thread) ::WaitForSingleObject(thread.get(), 5000);
    return 0;
}

// Prints the median and worst; the median also as a figure for the script when a name is given.
void Report(const char* what, std::vector<double> ms, const char* figure, const char* kind, int listeners) {
    if (ms.empty()) {
        std::printf("  %-42s no samples\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("  %-42s median %8.2f ms   worst %8.2f ms   (%zu changes)\n", what, ms[ms.size() / 2], ms.back(),
                ms.size());
    std::printf("BENCH notify.%s%s.%d %.3f ms\n", figure, kind, listeners, ms[ms.size() / 2]);
}

void MeasureWith(int listeners, bool bare, const std::wstring& self, Mapping& shared, ISettory* settory) {
    const char* kind = bare ? "-bare" : "";
    base::UniqueHandle ready(::CreateEventW(nullptr, FALSE, FALSE, kReady));
    base::UniqueHandle seen(::CreateEventW(nullptr, FALSE, FALSE, kSeen));
    base::UniqueHandle quit(::CreateEventW(nullptr, TRUE, FALSE, kQuit));
    std::vector<base::UniqueHandle> processes;
    for (int n = 0; n < listeners; ++n) {
        std::wstring command = L"\"" + self + (bare ? L"\" listen-bare " : L"\" listen ") + std::to_wstring(n);
        STARTUPINFOW startup = {sizeof(startup)};
        PROCESS_INFORMATION info = {};
        if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            return;
        }
        processes.emplace_back(info.hProcess);
        ::CloseHandle(info.hThread);
        if (::WaitForSingleObject(ready.get(), 30000) != WAIT_OBJECT_0) {
            std::printf("a listener did not start\n");
            ::SetEvent(quit.get());
            return;
        }
    }

    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    auto ms = [&](LONG64 from, LONG64 to) { return static_cast<double>(to - from) * 1000.0 / frequency.QuadPart; };
    std::vector<double> update, toEvent, toMessage, toLastMessage;
    int missed = 0, eventsMissing = 0, messagesMissing = 0;
    for (int i = 1; i <= kChanges; ++i) {
        for (int n = 0; n < listeners; ++n) shared.view->eventAt[n] = shared.view->messageAt[n] = 0;
        shared.view->reported = 0;
        settory->SetCurrentValueEx(kClassId, kSetting, std::to_wstring(i + listeners * 1000).c_str());
        LONG64 start = Now();
        settory->UpdateCurrentSetting();
        update.push_back(ms(start, Now()));
        bool all = true;
        while (shared.view->reported < listeners) {
            if (::WaitForSingleObject(seen.get(), 5000) != WAIT_OBJECT_0) {
                all = false;
                break;
            }
        }
        if (!all) {
            ++missed;
            // Which of the two never came, listener by listener (a reported one has negative stamps).
            for (int n = 0; n < listeners; ++n) {
                if (shared.view->eventAt[n] == 0) ++eventsMissing;
                if (shared.view->messageAt[n] == 0) ++messagesMissing;
            }
            continue;
        }
        double last = 0;
        for (int n = 0; n < listeners; ++n) {
            toEvent.push_back(ms(start, -shared.view->eventAt[n]));
            double message = ms(start, -shared.view->messageAt[n]);
            toMessage.push_back(message);
            last = std::max(last, message);
        }
        toLastMessage.push_back(last);
    }
    // Updates one after another without waiting for the listeners: each then also waits for the
    // write mutex while the listeners reload after the previous save, which is what an update costs
    // on a machine where other processes hold the service.
    LONG64 burstStart = Now();
    for (int i = 1; i <= kBurst; ++i) {
        settory->SetCurrentValueEx(kClassId, kSetting, std::to_wstring(i + listeners * 1000 + 500).c_str());
        settory->UpdateCurrentSetting();
    }
    double burst = ms(burstStart, Now()) / kBurst;
    ::SetEvent(quit.get());
    // After the back-to-back updates the listeners still have a reload queued for each, taking turns
    // at the write mutex. One left running into the next round would hold the named events open (a
    // new quit event would come back already set) and report under another's index: the next round
    // starts only once all have ended.
    for (auto& process : processes) {
        if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) ::TerminateProcess(process.get(), 1);
    }

    std::printf(" %d %slistening process%s:\n", listeners, bare ? "bare " : "", listeners == 1 ? "" : "es");
    Report("UpdateCurrentSetting itself", update, "update", kind, listeners);
    std::printf("  %-42s mean   %8.2f ms   (%d updates)\n", "UpdateCurrentSetting, back to back", burst, kBurst);
    std::printf("BENCH notify.update-back-to-back%s.%d %.3f ms\n", kind, listeners, burst);
    if (listeners == 0) return;
    if (!bare) Report("per-setting event seen", toEvent, "event", kind, listeners);
    Report("reload message (WM_USER + 200) received", toMessage, "message", kind, listeners);
    Report("reload message in the last listener", toLastMessage, "message-last", kind, listeners);
    std::printf("  changes not seen by all within 5 s: %d of %d (per-setting events missing %d, reload messages %d)\n",
                missed, kChanges, eventsMissing, messagesMissing);
}

int Measure() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring root = std::wstring(temp) + L"settory-notify-bench-" + std::to_wstring(::GetCurrentProcessId());
    std::wstring product = root + L"\\all\\Quor Corporation\\Ostrel\\";
    ::SHCreateDirectoryExW(nullptr, (product + L"Default").c_str(), nullptr);
    ::SHCreateDirectoryExW(nullptr, (product + L"Schema files").c_str(), nullptr);
    ::SHCreateDirectoryExW(nullptr, (root + L"\\user").c_str(), nullptr);
    ::SetEnvironmentVariableW(L"ALLUSERSPROFILE", (root + L"\\all").c_str());
    ::SetEnvironmentVariableW(L"APPDATA", (root + L"\\user").c_str());
    wchar_t bin[MAX_PATH];
    ::GetModuleFileNameW(nullptr, bin, MAX_PATH);
    std::wstring self = bin;
    ::PathRemoveFileSpecW(bin);
    for (const wchar_t* schema : {L"DefaultSetting.xsd", L"CurrentSetting.xsd"}) {
        ::CopyFileW((std::wstring(bin) + L"\\Schema files\\" + schema).c_str(),
                    (product + L"Schema files\\" + schema).c_str(), FALSE);
    }
    // Listed with bEvent in the defaults, so every save also makes the other processes reload.
    WriteBytes(product + L"Default\\DefaultSetting.xml",
               "<DefaultSetting><Class ClassID=\"E0000000-0000-4000-8000-00000000000E\">"
               "<Item SettingID=\"1\" bAllUser=\"1\" bEvent=\"1\"><SettingData>0</SettingData></Item>"
               "</Class></DefaultSetting>");

    Mapping shared;
    if (!shared.view) return 1;
    base::ComPtr<ISettory> settory;
    if (FAILED(::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_INPROC_SERVER, IID_ISettory, settory.PutVoid()))) {
        std::printf("Settory is not registered\n");
        return 1;
    }
    std::printf("Settory change notification, from UpdateCurrentSetting here to the other processes:\n");
    // None listening first: the same updates, the floor of the others.
    for (int listeners : {0, 1, 2, 4, 8}) MeasureWith(listeners, false, self, shared, settory.Get());
    // The fair floor of the update with 8 listening: the same updates, the listeners doing only what
    // the platform must do to tell them.
    MeasureWith(kMaxListeners, true, self, shared, settory.Get());
    return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    base::ComInit com(COINIT_APARTMENTTHREADED);
    if (argc == 3 && wcscmp(argv[1], L"listen") == 0) return Listen(_wtoi(argv[2]), false);
    if (argc == 3 && wcscmp(argv[1], L"listen-bare") == 0) return Listen(_wtoi(argv[2]), true);
    return Measure();
}
