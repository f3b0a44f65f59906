// Prints what the program costs a person next to the least a Win32 program could do:
//   start-up of the installed Ostrel.exe to its settings window, against a program that shows one
//   dialog, cold (the first start of the run) and warm (the median of the next ones), with the
//   installed plug-ins and with fifty; warm also against the fair floor, a program that makes the
//   platform calls the start-up cannot do without and shows the settings window's template, and,
//   once the service's host has ended, a start against that floor starting the host as well;
//   page switches and applies in the settings window, against creating the same page template as a
//   bare dialog and clicking its control, and against that plus, bare, the saves of the settings
//   file and the calls to the settings service that the switches made;
//   a change saved by another process reaching the open wireless sample page, against the page's own
//   500 ms settling wait before it reloads;
//   typing into the settings window's search box: the time from a keystroke to the narrowed tree
//   painted, with the installed plug-ins and with fifty, and the one-off reading of what it searches;
//   with --memory <switches> only, the program's private bytes after start-up and after that many
//   page switches.
// Nothing is asserted. Run it in the run command's prefix after `bash tools/run.sh`, or let
// bench/run.sh do all of it (see README). Lines that begin with "BENCH " carry the figures for the
// script to collect.
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "base/handles.h"
#include "base/named_objects.h"
#include "base/resource_module.h"
#include "bench/bare_msxml.h"
#include "bench/window_memory.h"
#include "catalogue/plugin_registered_application.h"
#include "catalogue/search_index.h"
#include "catalogue/text_match.h"
#include "core/message_dispatch_wnd.h"
#include "resource.h"
#include "window/main_dlg.h"
#include "window/new_tree_ctrl.h"
#include "ui/tab_dialog.h"

namespace {

constexpr wchar_t kProgram[] = L"C:\\Program Files\\Quor\\Ostrel\\Ostrel.exe";
constexpr wchar_t kPluginsKey[] = L"SOFTWARE\\Quor Corporation\\Ostrel\\Plugins";
constexpr DWORD kTimeout = 30000;
constexpr wchar_t kWirelessClass[] = L"9E8F7A6B-5C4D-4E3F-8A1B-2C3D4E5F6A7B";
constexpr int kAirplaneSetting = 1;
constexpr int kAirplaneControl = 1010;
constexpr wchar_t kAppliedEvent[] = L"Local\\WindowBenchApplied";

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool Pump(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    return true;
}

CStringW Folder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecW(path);
    return path;
}

// Milliseconds from the start of the command to a visible top-level window with this caption; the
// program is then ended with endCommand (or WM_CLOSE when it has none).
double TimeToWindow(const CStringW& command, const wchar_t* caption, const CStringW& endCommand) {
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    CStringW line = command;
    double start = NowMs();
    if (!::CreateProcessW(nullptr, line.GetBuffer(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    base::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    HWND window = nullptr;
    Pump([&] { return (window = ::FindWindowW(nullptr, caption)) != nullptr && ::IsWindowVisible(window); }, kTimeout);
    double elapsed = window ? NowMs() - start : -1;
    if (endCommand.IsEmpty()) {
        if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
    } else {
        PROCESS_INFORMATION end = {};
        CStringW endLine = endCommand;
        if (::CreateProcessW(nullptr, endLine.GetBuffer(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &end)) {
            ::WaitForSingleObject(end.hProcess, kTimeout);
            ::CloseHandle(end.hProcess);
            ::CloseHandle(end.hThread);
        }
    }
    if (::WaitForSingleObject(process.get(), kTimeout) != WAIT_OBJECT_0) ::TerminateProcess(process.get(), 1);
    return elapsed;
}

struct ColdWarm {
    double cold = -1;
    double warm = -1;
};

ColdWarm Starts(int runs, const std::function<double()>& start) {
    ColdWarm r;
    std::vector<double> warm;
    for (int i = 0; i < runs; ++i) {
        double ms = start();
        if (i == 0) r.cold = ms; else warm.push_back(ms);
    }
    if (!warm.empty()) {
        std::sort(warm.begin(), warm.end());
        r.warm = warm[warm.size() / 2];
    }
    return r;
}

// Extra copies of the samples (the minimal one unless told), registered under the plug-ins key while
// they exist.
class ExtraPlugins {
public:
    explicit ExtraPlugins(int count, std::vector<const wchar_t*> samples = {L"MinimalPlugin.dll"}) {
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPluginsKey, 0, KEY_ALL_ACCESS, key_.put());
        for (int i = 0; i < count && key_; ++i) {
            CStringW source = CStringW(L"C:\\Program Files\\Quor\\Ostrel\\Plugins\\") + samples[i % samples.size()];
            wchar_t name[64];
            swprintf(name, 64, L"BenchCopy%02d", i);
            CStringW copy = L"C:\\Program Files\\Quor\\Ostrel\\Plugins\\" + CStringW(name) + L".dll";
            if (!::CopyFileW(source, copy, FALSE)) continue;
            ::RegSetValueExW(key_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(copy.GetString()),
                             static_cast<DWORD>((copy.GetLength() + 1) * sizeof(wchar_t)));
            made_.push_back({name, copy});
        }
    }
    ~ExtraPlugins() {
        for (const auto& m : made_) {
            if (key_) ::RegDeleteValueW(key_.get(), m.first);
            ::DeleteFileW(m.second);
        }
    }
    size_t Count() const { return made_.size(); }

private:
    base::UniqueHKey key_;
    std::vector<std::pair<CStringW, CStringW>> made_;
};

size_t InstalledPlugins() {
    base::UniqueHKey key;
    DWORD values = 0;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPluginsKey, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
        ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                           nullptr, nullptr);
    }
    return values;
}

void PrintRow(const char* what, double ms, double floor) {
    if (floor > 0 && ms > 0) {
        std::printf("  %-44s %9.1f ms   floor %8.1f ms   ratio %6.1f\n", what, ms, floor, ms / floor);
    } else {
        std::printf("  %-44s %9.1f ms\n", what, ms);
    }
}

void Figure(const char* name, double ms) {
    if (ms > 0) std::printf("BENCH window.%s %.2f ms\n", name, ms);
}

// Waits, up to ten seconds, until no settings-service host runs, as after a person closed the window
// and the host outlived its last client.
void WaitForHostsToEnd() {
    for (int round = 0; round < 20; ++round) {
        base::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry = {sizeof(entry)};
        base::UniqueHandle host;
        for (BOOL more = snapshot && ::Process32FirstW(snapshot.get(), &entry); more && !host;
             more = ::Process32NextW(snapshot.get(), &entry)) {
            if (_wcsicmp(entry.szExeFile, L"SettoryHost.exe") == 0) {
                host.reset(::OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
            }
        }
        if (!host) return;
        ::WaitForSingleObject(host.get(), 500);
    }
}

void StartUp(int runs) {
    // A window of that caption already open would be found at once and make the figures meaningless.
    if (::FindWindowW(nullptr, L"Ostrel Settings")) {
        std::printf("Start-up: a settings window is open already in this prefix; close it and run again\n");
        return;
    }
    CStringW floorCommand = L"\"" + Folder() + L"\\floor_dialog.exe\"";
    ColdWarm floor = Starts(runs, [&] { return TimeToWindow(floorCommand, L"Ostrel bench floor", CStringW()); });
    CStringW program = CStringW(L"\"") + kProgram + L"\"";
    CStringW halt = program + L" /halt";
    std::printf("Start-up to the settings window (%d runs each; warm = median after the first)\n", runs);
    ColdWarm installed = Starts(runs, [&] { return TimeToWindow(program, L"Ostrel Settings", halt); });
    char label[96];
    snprintf(label, sizeof(label), "%zu plug-ins installed, cold", InstalledPlugins());
    PrintRow(label, installed.cold, floor.cold);
    snprintf(label, sizeof(label), "%zu plug-ins installed, warm", InstalledPlugins());
    PrintRow(label, installed.warm, floor.warm);
    Figure("floor-cold", floor.cold);
    Figure("floor-warm", floor.warm);
    snprintf(label, sizeof(label), "startup-cold.%zu", InstalledPlugins());
    Figure(label, installed.cold);
    snprintf(label, sizeof(label), "startup-warm.%zu", InstalledPlugins());
    Figure(label, installed.warm);
    // After the program's runs, so that its first start stays the first to start the service's host.
    CStringW fairCommand = floorCommand + L" --fair";
    auto fairWarm = [&](const ColdWarm& program) {
        ColdWarm fair = Starts(runs, [&] { return TimeToWindow(fairCommand, L"Ostrel bench floor", CStringW()); });
        snprintf(label, sizeof(label), "%zu plug-ins, warm, against the fair floor", InstalledPlugins());
        PrintRow(label, program.warm, fair.warm);
        snprintf(label, sizeof(label), "floor-fair-warm.%zu", InstalledPlugins());
        Figure(label, fair.warm);
    };
    fairWarm(installed);
    // A start that finds no host running, against the fair floor that starts the host as well; both
    // once the host of the runs before has ended, unlike the first start of all, which is also the
    // prefix's first.
    WaitForHostsToEnd();
    double coldAgain = TimeToWindow(program, L"Ostrel Settings", halt);
    WaitForHostsToEnd();
    double fairCold = TimeToWindow(fairCommand + L" --start-host", L"Ostrel bench floor", CStringW());
    snprintf(label, sizeof(label), "%zu plug-ins, no host, against the fair floor", InstalledPlugins());
    PrintRow(label, coldAgain, fairCold);
    snprintf(label, sizeof(label), "startup-cold-again.%zu", InstalledPlugins());
    Figure(label, coldAgain);
    snprintf(label, sizeof(label), "floor-fair-cold.%zu", InstalledPlugins());
    Figure(label, fairCold);
    // Enough steps between the installed few and fifty to tell linear growth from worse.
    const int installedCount = static_cast<int>(InstalledPlugins());
    for (int total : {10, 25, 50}) {
        if (total <= installedCount) continue;
        ExtraPlugins extra(total - installedCount);
        ColdWarm more = Starts(runs, [&] { return TimeToWindow(program, L"Ostrel Settings", halt); });
        snprintf(label, sizeof(label), "%zu plug-ins, cold", InstalledPlugins());
        PrintRow(label, more.cold, floor.cold);
        snprintf(label, sizeof(label), "%zu plug-ins, warm", InstalledPlugins());
        PrintRow(label, more.warm, floor.warm);
        snprintf(label, sizeof(label), "startup-cold.%zu", InstalledPlugins());
        Figure(label, more.cold);
        snprintf(label, sizeof(label), "startup-warm.%zu", InstalledPlugins());
        Figure(label, more.warm);
        fairWarm(more);
    }
}

// The settings window in this process over the installed plug-ins.
// The other process of the propagation measurement: sets airplane mode as a writer outside the page
// would (the sample's stand-in device file and the stored setting), then signals the applied event.
int WriteAirplane(int on) {
    base::ComInit com(COINIT_APARTMENTTHREADED);
    wchar_t folder[MAX_PATH] = {};
    ::ExpandEnvironmentStringsW(L"%ProgramData%\\Quor Corporation\\Ostrel\\SampleDevices\\airplane", folder, MAX_PATH);
    base::UniqueFile file(::CreateFileW(folder, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return 2;
    char text[2] = {static_cast<char>('0' + (on ? 1 : 0)), 0};
    DWORD written = 0;
    ::WriteFile(file.get(), text, 1, &written, nullptr);
    file.reset();
    base::ComPtr<ISettory> settory;
    if (FAILED(::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_INPROC_SERVER, IID_ISettory, settory.PutVoid()))) {
        return 3;
    }
    settory->SetCurrentValueEx(kWirelessClass, kAirplaneSetting, on ? L"1" : L"0");
    HRESULT hr = settory->UpdateCurrentSetting();
    base::UniqueHandle applied(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kAppliedEvent));
    if (applied) ::SetEvent(applied.get());
    return hr == S_OK ? 0 : 4;
}

// From the writer's save to the open page showing it: the page learns of it through the setting's
// change event and waits 500 ms before it reloads, so that is the floor.
template <typename ItemOf>
void Propagation(COSLMainDlg& dialog, const std::vector<CPluginRegisteredApplication*>& pages, ItemOf itemOf,
                 int rounds) {
    CPluginRegisteredApplication* wireless = nullptr;
    for (CPluginRegisteredApplication* page : pages) {
        if (page->m_strClassId.CompareNoCase(kWirelessClass) == 0) wireless = page;
    }
    HTREEITEM item = wireless ? itemOf(wireless->m_strName) : nullptr;
    if (!item) {
        std::printf("Propagation: the wireless sample page is not installed\n");
        return;
    }
    TreeView_SelectItem(dialog.Tree(), item);
    HWND checkbox = nullptr;
    Pump([&] { return dialog.PageView() && (checkbox = ::GetDlgItem(*dialog.PageView(), kAirplaneControl)) != nullptr; },
         kTimeout);
    if (!checkbox) return;
    // The page registers for the setting's change event once it is shown.
    Pump([] { return false; }, 1000);
    base::UniqueHandle applied(::CreateEventW(nullptr, FALSE, FALSE, kAppliedEvent));
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::vector<double> times;
    int missed = 0;
    for (int r = 0; r < rounds * 2; ++r) {
        int target = ::SendMessageW(checkbox, BM_GETCHECK, 0, 0) == BST_CHECKED ? 0 : 1;
        CStringW command;
        command.Format(L"\"%s\" --write-airplane %d", self, target);
        STARTUPINFOW startup = {sizeof(startup)};
        PROCESS_INFORMATION info = {};
        if (!::CreateProcessW(nullptr, command.GetBuffer(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info)) {
            break;
        }
        base::UniqueHandle process(info.hProcess);
        base::UniqueHandle thread(info.hThread);
        double savedAt = 0;
        Pump([&] {
            if (::WaitForSingleObject(applied.get(), 0) != WAIT_OBJECT_0) return false;
            savedAt = NowMs();
            return true;
        }, kTimeout);
        bool shown = savedAt > 0 && Pump([&] {
            return ::SendMessageW(checkbox, BM_GETCHECK, 0, 0) == (target ? BST_CHECKED : BST_UNCHECKED);
        }, 5000);
        if (shown) {
            times.push_back(NowMs() - savedAt);
        } else {
            ++missed;
        }
        ::WaitForSingleObject(process.get(), kTimeout);
    }
    std::sort(times.begin(), times.end());
    std::printf("Change saved by another process to the open wireless page (%zu changes, %d not shown)\n",
                times.size(), missed);
    // The change event is signalled inside the writer's update, before its save returns, so these
    // start a little after the page's wait did.
    std::printf("  (timed from the writer's UpdateCurrentSetting returning)\n");
    PrintRow("median, update returned to the control showing it", times.empty() ? -1 : times[times.size() / 2], 500);
    PrintRow("worst", times.empty() ? -1 : times.back(), 500);
    PrintRow("median beyond the 500 ms settling wait", times.empty() ? -1 : times[times.size() / 2] - 500, -1);
    Figure("propagation", times.empty() ? -1 : times[times.size() / 2]);
}

// Counts the calls this process makes through COM proxies, each a round trip to the process that
// answers it. Registered once for the process; it never goes away.
class ProxyCallCounter : public IChannelHook {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IChannelHook ? static_cast<IChannelHook*>(this) : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    void STDMETHODCALLTYPE ClientGetSize(REFGUID, REFIID, ULONG* size) override {
        ::InterlockedIncrement(&calls_);
        *size = 0;
    }
    void STDMETHODCALLTYPE ClientFillBuffer(REFGUID, REFIID, ULONG* size, void*) override { *size = 0; }
    void STDMETHODCALLTYPE ClientNotify(REFGUID, REFIID, ULONG, void*, DWORD, HRESULT) override {}
    void STDMETHODCALLTYPE ServerNotify(REFGUID, REFIID, ULONG, void*, DWORD) override {}
    void STDMETHODCALLTYPE ServerGetSize(REFGUID, REFIID, HRESULT, ULONG* size) override { *size = 0; }
    void STDMETHODCALLTYPE ServerFillBuffer(REFGUID, REFIID, ULONG* size, void*, HRESULT) override { *size = 0; }

    static ProxyCallCounter* Registered() {
        static ProxyCallCounter* counter = [] {
            static ProxyCallCounter made;
            const GUID extension = {0x6b1f3c2a, 0x58d4, 0x4e7b, {0x9a, 0x21, 0x3c, 0x7e, 0x44, 0x0d, 0x91, 0x5f}};
            return SUCCEEDED(::CoRegisterChannelHook(extension, &made)) ? &made : nullptr;
        }();
        return counter;
    }
    LONG Calls() const { return calls_; }

private:
    volatile LONG calls_ = 0;
};

// The platform's own cost of what the page switches asked of the settings service: as many durable
// saves of the all-users settings file with bare MSXML (beside it, so the service never sees it
// change) and as many empty calls through the service's proxy to its host. Milliseconds for all of
// them; -1 when they cannot be made.
double ServiceFloorMs(long saves, long calls) {
    wchar_t path[MAX_PATH] = {};
    ::ExpandEnvironmentStringsW(L"%ALLUSERSPROFILE%\\Quor Corporation\\Ostrel\\CurrentSettingProfileData.xml", path,
                                MAX_PATH);
    bench::BareDocument document;
    base::ComPtr<ISettory> settory;
    if ((saves > 0 && !document.Load(path)) ||
        FAILED(::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_LOCAL_SERVER, IID_ISettory, settory.PutVoid()))) {
        return -1;
    }
    UINT count = 0;
    // The switches' connection to the host was made before they were timed; so is this one.
    settory->GetTypeInfoCount(&count);
    const std::wstring floorPath = std::wstring(path) + L".floor";
    bool saved = true;
    double start = NowMs();
    for (long i = 0; i < saves && saved; ++i) saved = document.SaveDurably(floorPath);
    for (long i = 0; i < calls; ++i) settory->GetTypeInfoCount(&count);
    double elapsed = NowMs() - start;
    ::DeleteFileW(floorPath.c_str());
    return saved ? elapsed : -1;
}

// The installed program's resource module, made the current one; invalid (and said so) when missing.
base::UniqueModule UseInstalledResources(const char* what) {
    base::UniqueModule resources = base::LoadLocalisedModule(L"C:\\Program Files\\Quor\\Ostrel", L"Ostrel.exe.mui");
    if (!resources.valid()) {
        std::printf("%s: the installed resource module is missing; run tools/run.sh first\n", what);
    } else {
        base::SetResourceModule(resources.get());
    }
    return resources;
}

void PageSwitchAndApply(int rounds) {
    base::UniqueModule resources = UseInstalledResources("Page switch");
    if (!resources.valid()) return;
    CMessageDispatchWnd owner;
    if (!owner.Create()) return;
    owner.Catalogue().CompleteAll();
    std::vector<CPluginRegisteredApplication*> pages;
    owner.Catalogue().Walk([&](const CCatalogue::Entries& entries) {
        for (CRegisteredApplication* e : entries) {
            if (e->GetEntryType() == ENTRY_PLUGIN_PAGE && e->IsVisible()) {
                pages.push_back(static_cast<CPluginRegisteredApplication*>(e));
            }
        }
    });
    if (pages.size() < 2) {
        std::printf("Page switch: fewer than two sample pages are installed\n");
        return;
    }
    auto dialog = std::make_unique<COSLMainDlg>();
    dialog->m_pOwner = &owner;
    if (!dialog->Create(IDD_OSL_MAIN_DIALOG, ::GetDesktopWindow())) return;
    dialog->ShowWindow(SW_SHOW);
    auto title = [&] {
        wchar_t text[128] = {};
        ::GetDlgItemTextW(*dialog, IDC_TITLE, text, 128);
        return CStringW(text);
    };
    Pump([&] { return !title().IsEmpty(); }, kTimeout);
    auto itemOf = [&](const CStringW& name) -> HTREEITEM {
        HWND tree = dialog->Tree();
        for (HTREEITEM c = TreeView_GetRoot(tree); c; c = TreeView_GetNextSibling(tree, c)) {
            for (HTREEITEM i = TreeView_GetChild(tree, c); i; i = TreeView_GetNextSibling(tree, i)) {
                if (ostrel::TreeItemText(tree, i) == name) return i;
            }
        }
        return nullptr;
    };

    // What the switches ask of the settings service: its saves of the settings files (counted by
    // every process that saves one) and this process's calls through COM proxies.
    base::CNamedCounter saveCount(L"Global\\CurrentSettingSaveCount");
    ProxyCallCounter* callCount = ProxyCallCounter::Registered();
    const LONG savesBefore = saveCount.Current();
    const LONG callsBefore = callCount ? callCount->Calls() : 0;
    double switching = 0;
    int switches = 0;
    for (int r = 0; r < rounds; ++r) {
        for (CPluginRegisteredApplication* page : pages) {
            HTREEITEM item = itemOf(page->m_strName);
            if (!item || title() == page->m_strName) continue;
            double start = NowMs();
            TreeView_SelectItem(dialog->Tree(), item);
            if (!Pump([&] { return title() == page->m_strName && dialog->PageView(); }, kTimeout)) continue;
            switching += NowMs() - start;
            ++switches;
        }
    }
    const long savesMade = saveCount.Current() - savesBefore;
    const long callsMade = callCount ? callCount->Calls() - callsBefore : -1;
    // The floor: the same templates made as bare dialogs from the plug-ins' modules and shown.
    double bare = 0;
    int bareCount = 0;
    for (int r = 0; r < rounds; ++r) {
        for (CPluginRegisteredApplication* page : pages) {
            double start = NowMs();
            HWND view = ::CreateDialogParamW(page->m_hModule, MAKEINTRESOURCEW(page->m_nIDD), *dialog,
                                             [](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR { return m == WM_INITDIALOG; }, 0);
            if (!view) continue;
            ::ShowWindow(view, SW_SHOW);
            ::UpdateWindow(view);
            bare += NowMs() - start;
            ++bareCount;
            ::DestroyWindow(view);
        }
    }
    // For the fair floor, a switch's own platform work as well: the old dialog destroyed, and the
    // four redraw switches the page hosting makes (the window's own pair around the whole switch,
    // the view's pair around the page's initialisation), on the same window with the same children.
    double hosted = 0;
    int hostedCount = 0;
    HWND previous = nullptr;
    for (int r = 0; r < rounds; ++r) {
        for (CPluginRegisteredApplication* page : pages) {
            double start = NowMs();
            ::SendMessageW(*dialog, WM_SETREDRAW, FALSE, 0);
            if (previous) ::DestroyWindow(previous);
            previous = ::CreateDialogParamW(page->m_hModule, MAKEINTRESOURCEW(page->m_nIDD), *dialog,
                                            [](HWND view, UINT m, WPARAM, LPARAM) -> INT_PTR {
                                                if (m != WM_INITDIALOG) return FALSE;
                                                ::SendMessageW(::GetParent(view), WM_SETREDRAW, TRUE, 0);
                                                ::SendMessageW(::GetParent(view), WM_SETREDRAW, FALSE, 0);
                                                return TRUE;
                                            }, 0);
            ::SendMessageW(*dialog, WM_SETREDRAW, TRUE, 0);
            if (!previous) continue;
            ::ShowWindow(previous, SW_SHOW);
            ::UpdateWindow(previous);
            hosted += NowMs() - start;
            ++hostedCount;
        }
    }
    if (previous) ::DestroyWindow(previous);
    ::RedrawWindow(*dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::printf("Settings window over %zu installed pages (%d rounds)\n", pages.size(), rounds);
    std::printf("  (a switch includes the window's own 100 ms wait before it shows the new page)\n");
    PrintRow("page switch", switches ? switching / switches : -1, bareCount ? bare / bareCount : -1);
    PrintRow("page switch less the 100 ms wait", switches ? switching / switches - 100 : -1,
             bareCount ? bare / bareCount : -1);
    Figure("page-switch", switches ? switching / switches : -1);
    Figure("page-switch-floor", bareCount ? bare / bareCount : -1);
    // The fair floor adds what is the platform's in what a switch asks of the service.
    double service = switches && bareCount && saveCount.Available() && callsMade >= 0 ? ServiceFloorMs(savesMade, callsMade) : -1;
    double fair = service >= 0 && hostedCount ? hosted / hostedCount + service / switches : -1;
    if (fair > 0) {
        std::printf("  (a switch: %.1f saves of the settings files, %.1f calls to the settings service;\n"
                    "   the bare dialogs with the old one destroyed and the four redraw switches %.1f ms)\n",
                    static_cast<double>(savesMade) / switches, static_cast<double>(callsMade) / switches,
                    hosted / hostedCount);
    }
    PrintRow("less the wait, against the fair floor", switches ? switching / switches - 100 : -1, fair);
    Figure("page-switch-floor-fair", fair);

    // Apply of the page shown last, with one changed control.
    double applying = 0;
    int applies = 0;
    for (int r = 0; r < rounds; ++r) {
        CTabDialog* view = dialog->PageView();
        if (!view) break;
        HWND control = nullptr;
        for (HWND c = ::GetWindow(*view, GW_CHILD); c && !control; c = ::GetWindow(c, GW_HWNDNEXT)) {
            wchar_t cls[32] = {};
            ::GetClassNameW(c, cls, 32);
            LONG style = ::GetWindowLongW(c, GWL_STYLE) & 0xF;
            if (!wcscmp(cls, L"Button") && (style == BS_AUTOCHECKBOX || style == BS_AUTORADIOBUTTON)) control = c;
        }
        if (!control) break;
        ::SendMessageW(control, BM_CLICK, 0, 0);
        double start = NowMs();
        dialog->Apply();
        applying += NowMs() - start;
        ++applies;
    }
    PrintRow("apply of one changed control", applies ? applying / applies : -1, -1);
    Figure("apply", applies ? applying / applies : -1);
    Propagation(*dialog, pages, itemOf, rounds);
    dialog->CloseDialog();
}

// Typing a word into the search box letter by letter, then taking it back: each keystroke is timed
// from the box's new text to the tree painted with what it narrowed to.
void SearchKeystrokesWith(const char* label, int rounds) {
    CMessageDispatchWnd owner;
    if (!owner.Create()) return;
    owner.Catalogue().CompleteAll();
    auto dialog = std::make_unique<COSLMainDlg>();
    dialog->m_pOwner = &owner;
    if (!dialog->Create(IDD_OSL_MAIN_DIALOG, ::GetDesktopWindow())) return;
    dialog->ShowWindow(SW_SHOW);
    Pump([] { return false; }, 300);
    double start = NowMs();
    size_t entries = dialog->PrepareSearch();
    double indexing = NowMs() - start;
    HWND box = dialog->SearchBox();
    HWND tree = dialog->Tree();
    std::vector<double> times;
    const CStringW words[] = {L"backlight", L"close the lid", L"zzq"};
    for (int r = 0; r < rounds; ++r) {
        for (const CStringW& word : words) {
            for (int length = 1; length <= word.GetLength() * 2; ++length) {
                int shown = length <= word.GetLength() ? length : word.GetLength() * 2 - length;
                CStringW text = word.Left(shown);
                double keystroke = NowMs();
                ::SetWindowTextW(box, text);
                ::UpdateWindow(tree);
                times.push_back(NowMs() - keystroke);
            }
        }
    }
    std::sort(times.begin(), times.end());
    // The matching alone, without the tree, for the prefixes typed above.
    std::vector<double> matching;
    {
        ostrel::CSearchIndex index;
        owner.Catalogue().Walk([&](const CCatalogue::Entries& all) {
            for (CRegisteredApplication* e : all) index.Add(e, ostrel::CSearchIndex::TextsOf(e, L"Category"));
        });
        for (const CStringW& word : words) {
            for (int length = 1; length <= word.GetLength(); ++length) {
                double at = NowMs();
                index.Find(word.Left(length));
                matching.push_back(NowMs() - at);
            }
        }
        std::sort(matching.begin(), matching.end());
    }
    size_t plugins = InstalledPlugins();
    std::printf("Search box over %zu entries from %zu plug-ins (%s; %zu keystrokes, matching %s)\n", entries, plugins,
                label, times.size(),
                ostrel::CTextMatcher().GetMode() == ostrel::CTextMatcher::Mode::Linguistic
                    ? "the system's linguistic search"
                    : "folded texts");
    PrintRow("reading what is searched, once", indexing, -1);
    PrintRow("keystroke to painted tree, median", times.empty() ? -1 : times[times.size() / 2], -1);
    PrintRow("keystroke to painted tree, worst", times.empty() ? -1 : times.back(), -1);
    PrintRow("matching alone, median", matching.empty() ? -1 : matching[matching.size() / 2], -1);
    char name[64];
    snprintf(name, sizeof(name), "search-keystroke.%zu", plugins);
    Figure(name, times.empty() ? -1 : times[times.size() / 2]);
    snprintf(name, sizeof(name), "search-keystroke-worst.%zu", plugins);
    Figure(name, times.empty() ? -1 : times.back());
    snprintf(name, sizeof(name), "search-index.%zu", plugins);
    Figure(name, indexing);
    dialog->CloseDialog();
}

void SearchKeystrokes(int rounds) {
    base::UniqueModule resources = UseInstalledResources("Search");
    if (!resources.valid()) return;
    SearchKeystrokesWith("installed", rounds);
    const int installed = static_cast<int>(InstalledPlugins());
    if (installed >= 50) return;
    // Copies of all three samples, so the fifty carry pages with tabs, lists and declared words.
    ExtraPlugins extra(50 - installed, {L"MinimalPlugin.dll", L"OstrelDisplayKeyboard.dll", L"OstrelPowerWireless.dll"});
    SearchKeystrokesWith("installed and copies of the samples", rounds);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = 5;
    int rounds = 5;
    bool startUp = true, pages = true, search = true;
    if (argc == 3 && !wcscmp(argv[1], L"--write-airplane")) return WriteAirplane(_wtoi(argv[2]));
    if (argc == 3 && !wcscmp(argv[1], L"--memory")) return bench::MemoryOverPageSwitches(kProgram, _wtoi(argv[2])) ? 0 : 1;
    for (int i = 1; i < argc; ++i) {
        if (!wcscmp(argv[i], L"--runs") && i + 1 < argc) runs = _wtoi(argv[++i]);
        if (!wcscmp(argv[i], L"--rounds") && i + 1 < argc) rounds = _wtoi(argv[++i]);
        if (!wcscmp(argv[i], L"--start-up-only")) pages = search = false;
        if (!wcscmp(argv[i], L"--pages-only")) startUp = search = false;
        if (!wcscmp(argv[i], L"--search-only")) startUp = pages = false;
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR gdiplus = 0;
    Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    if (startUp) StartUp(runs);
    if (pages) PageSwitchAndApply(rounds);
    if (search) SearchKeystrokes(rounds);
    Gdiplus::GdiplusShutdown(gdiplus);
    return 0;
}
