// A second process for the settings-service tests: it holds the write mutex, writes and reads values
// through Settory in process or through the local server, writes in a loop until it is killed, or
// listens for reloads with a registered window.
// The exit code is the ISettory result, or 100 and above when the process could not get that far.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "base/handles.h"

namespace {

DWORD Context(const wchar_t* name) {
    return wcscmp(name, L"local") == 0 ? CLSCTX_LOCAL_SERVER : CLSCTX_INPROC_SERVER;
}

base::UniqueHandle OpenNamedEvent(const wchar_t* name) {
    return base::UniqueHandle(::OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, name));
}

bool WriteFileText(const wchar_t* path, const wchar_t* text) {
    base::UniqueFile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes > 0 ? bytes - 1 : 0), '\0');
    if (bytes > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], bytes, nullptr, nullptr);
    DWORD written = 0;
    return ::WriteFile(file.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) != 0;
}

int HoldMutex(const wchar_t* ready, const wchar_t* release) {
    base::UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, L"Global\\CurrentSettingWrite_Mutex"));
    if (!mutex || ::WaitForSingleObject(mutex.get(), 10000) != WAIT_OBJECT_0) return 101;
    base::UniqueHandle readyEvent = OpenNamedEvent(ready);
    base::UniqueHandle releaseEvent = OpenNamedEvent(release);
    if (!readyEvent || !releaseEvent) return 102;
    ::SetEvent(readyEvent.get());
    ::WaitForSingleObject(releaseEvent.get(), 60000);
    ::ReleaseMutex(mutex.get());
    return 0;
}

// listen <ready event> <stop event> <report file> <registrations>[,<unregistrations>] <classId> <settingId>
// Registers one window that many times with RegisterWnd (and unregisters it that many times), reads
// the setting once (which starts the service's reload listener), then pumps messages until the stop
// event. After each reload message the report file holds "<messages> <current value>".
int Listen(wchar_t** argv) {
    base::ComPtr<ISettory2> settory;
    if (FAILED(::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_INPROC_SERVER, IID_ISettory2, settory.PutVoid()))) {
        return 105;
    }
    base::UniqueHandle ready = OpenNamedEvent(argv[2]);
    base::UniqueHandle stop = OpenNamedEvent(argv[3]);
    if (!ready || !stop) return 106;
    const wchar_t* report = argv[4];
    int registrations = _wtoi(argv[5]);
    const wchar_t* comma = wcschr(argv[5], L',');
    int unregistrations = comma ? _wtoi(comma + 1) : 0;
    const wchar_t* classId = argv[6];
    int setting = _wtoi(argv[7]);

    HWND window = ::CreateWindowExW(0, L"STATIC", L"probe", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!window) return 108;
    for (int i = 0; i < registrations; ++i) settory->RegisterWnd(reinterpret_cast<ULONG_PTR>(window));
    for (int i = 0; i < unregistrations; ++i) settory->UnRegisterWnd(reinterpret_cast<ULONG_PTR>(window));
    wchar_t value[SETTORY_VALUE_CAPACITY] = {};
    settory->GetCurrentValueEx(classId, setting, value);
    ::SetEvent(ready.get());

    int messages = 0;
    HANDLE stopHandle = stop.get();
    for (;;) {
        // Input already queued counts too: a message posted while the last one was handled is not "new".
        DWORD wait = ::MsgWaitForMultipleObjectsEx(1, &stopHandle, 60000, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wait != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == window && msg.message == WM_USER + 200) {
                ++messages;
                value[0] = 0;
                settory->GetCurrentValueEx(classId, setting, value);
                std::wstring line = std::to_wstring(messages) + L" " + value;
                // Replaced in one rename, so the test never reads half a report; the rename fails
                // while the test has the old report open, so it is tried again.
                std::wstring temporary = std::wstring(report) + L".tmp";
                if (WriteFileText(temporary.c_str(), line.c_str())) {
                    for (int attempt = 0; attempt < 500; ++attempt) {
                        if (::MoveFileExW(temporary.c_str(), report, MOVEFILE_REPLACE_EXISTING)) break;
                        ::Sleep(2);
                    }
                }
                continue;
            }
            ::DispatchMessageW(&msg);
        }
    }
    ::DestroyWindow(window);
    return 0;
}

// unload <settory.dll> <classId> <settingId>: loads the DLL itself, reads once (which starts its reload
// listener), lets go of the object and unloads the DLL again.
int LoadReadUnload(wchar_t** argv) {
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    HMODULE dll = ::LoadLibraryW(argv[2]);
    if (!dll) return 109;
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(::GetProcAddress(dll, "DllGetClassObject"));
    if (!getClassObject) return 110;
    {
        base::ComPtr<IClassFactory> factory;
        base::ComPtr<ISettory> settory;
        if (FAILED(getClassObject(CLSID_CSettory, IID_IClassFactory, factory.PutVoid())) ||
            FAILED(factory->CreateInstance(nullptr, IID_ISettory, settory.PutVoid()))) {
            return 111;
        }
        wchar_t value[SETTORY_VALUE_CAPACITY] = {};
        settory->GetCurrentValueEx(argv[3], _wtoi(argv[4]), value);
    }
    return ::FreeLibrary(dll) ? 0 : 112;
}

// writer-many <inproc|local> <classId> <tag> <count> <start event> <done event> <first setting id>
// Waits for the start event, then makes <count> changes: each sets the writer's own all-users setting
// (first id + tag), its own per-user setting (first id + 20 + tag) and the two shared ones (first id +
// 40 all-users, + 41 per-user) to "<tag>:<n>" and updates. A failed call is tried again a few times;
// exit code 0 when every change was saved, otherwise the failing result.
int WriteMany(wchar_t** argv) {
    base::ComPtr<ISettory> settory;
    if (FAILED(::CoCreateInstance(CLSID_CSettory, nullptr, Context(argv[2]), IID_ISettory, settory.PutVoid()))) {
        return 105;
    }
    const wchar_t* classId = argv[3];
    int tag = _wtoi(argv[4]);
    int count = _wtoi(argv[5]);
    base::UniqueHandle start = OpenNamedEvent(argv[6]);
    base::UniqueHandle done = OpenNamedEvent(argv[7]);
    int first = _wtoi(argv[8]);
    if (!start || !done) return 106;
    if (::WaitForSingleObject(start.get(), 60000) != WAIT_OBJECT_0) return 113;
    const int ids[] = {first + tag, first + 20 + tag, first + 40, first + 41};
    for (int n = 0; n < count; ++n) {
        std::wstring text = std::to_wstring(tag) + L":" + std::to_wstring(n);
        HRESULT hr = E_FAIL;
        for (int attempt = 0; attempt < 5 && hr != S_OK; ++attempt) {
            hr = S_OK;
            for (int id : ids) {
                HRESULT set = settory->SetCurrentValueEx(classId, id, text.c_str());
                if (set != S_OK) hr = set;
            }
            if (hr == S_OK) hr = settory->UpdateCurrentSetting();
        }
        if (hr != S_OK) return static_cast<int>(hr);
    }
    ::SetEvent(done.get());
    return 0;
}

// reader-loop <classId> <writers> <stop event> <report file> <first setting id> <inproc|local>
// Reloads and reads every writer's all-users and per-user setting until the stop event. Each value
// must be its writer's "<tag>:<n>" (or the default) with n never going back. The report file gets
// "<rounds> <violations>" and the first bad value seen; the exit code is the number of violations.
int ReadLoop(wchar_t** argv) {
    base::ComPtr<ISettory> settory;
    if (FAILED(::CoCreateInstance(CLSID_CSettory, nullptr, Context(argv[7]), IID_ISettory, settory.PutVoid()))) {
        return 105;
    }
    const wchar_t* classId = argv[2];
    int writers = _wtoi(argv[3]);
    base::UniqueHandle stop = OpenNamedEvent(argv[4]);
    const wchar_t* report = argv[5];
    int first = _wtoi(argv[6]);
    if (!stop || writers <= 0 || writers > 20) return 106;
    std::vector<int> lastSeen(static_cast<size_t>(writers) * 2, -1);
    int rounds = 0;
    int violations = 0;
    std::wstring firstBad;
    while (::WaitForSingleObject(stop.get(), 0) == WAIT_TIMEOUT) {
        settory->Reload();
        for (int tag = 0; tag < writers; ++tag) {
            for (int scope = 0; scope < 2; ++scope) {
                wchar_t value[SETTORY_VALUE_CAPACITY] = {};
                if (settory->GetCurrentValueEx(classId, first + scope * 20 + tag, value) != S_OK) continue;
                if (wcscmp(value, L"default") == 0) continue;
                const wchar_t* colon = wcschr(value, L':');
                int& last = lastSeen[static_cast<size_t>(tag * 2 + scope)];
                int n = colon ? _wtoi(colon + 1) : -1;
                if (!colon || _wtoi(value) != tag || n < last) {
                    if (firstBad.empty()) firstBad = value;
                    ++violations;
                    continue;
                }
                last = n;
            }
        }
        ++rounds;
    }
    std::wstring line = std::to_wstring(rounds) + L" " + std::to_wstring(violations) + L" " + firstBad;
    WriteFileText(report, line.c_str());
    return violations;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    if (argc < 2) return 100;
    std::wstring command = argv[1];
    if (command == L"hold-mutex" && argc == 4) return HoldMutex(argv[2], argv[3]);

    base::ComInit com(COINIT_APARTMENTTHREADED);
    if (!com.Ok()) return 103;

    if (command == L"listen" && argc == 8) return Listen(argv);
    if (command == L"unload" && argc == 5) return LoadReadUnload(argv);

    if (command == L"writer-many" && argc == 9) return WriteMany(argv);
    if (command == L"reader-loop" && argc == 8) return ReadLoop(argv);

    if (command == L"writer-loop" && (argc == 6 || argc == 7)) {
        // writer-loop <classId> <settingId> <first value> <ready event> [inproc|local]
        base::ComPtr<ISettory> settory;
        if (FAILED(::CoCreateInstance(CLSID_CSettory, nullptr, argc == 7 ? Context(argv[6]) : CLSCTX_INPROC_SERVER,
                                      IID_ISettory, settory.PutVoid()))) {
            return 104;
        }
        base::UniqueHandle ready = OpenNamedEvent(argv[5]);
        int setting = _wtoi(argv[3]);
        for (long long value = _wtoi64(argv[4]);; ++value) {
            std::wstring text = std::to_wstring(value);
            settory->SetCurrentValueEx(argv[2], setting, text.c_str());
            if (settory->UpdateCurrentSetting() == S_OK && ready) ::SetEvent(ready.get());
        }
    }

    if ((command == L"write" || command == L"read" || command == L"hold") && argc >= 5) {
        // write <inproc|local> <classId> <settingId> <text>
        // read  <inproc|local> <classId> <settingId> <output file>
        // hold  <inproc|local> <ready event> <release event>: keeps an object alive until released
        base::ComPtr<ISettory> settory;
        if (FAILED(::CoCreateInstance(CLSID_CSettory, nullptr, Context(argv[2]), IID_ISettory, settory.PutVoid()))) {
            return 105;
        }
        if (command == L"hold") {
            base::UniqueHandle ready = OpenNamedEvent(argv[3]);
            base::UniqueHandle release = OpenNamedEvent(argv[4]);
            if (!ready || !release) return 106;
            ::SetEvent(ready.get());
            ::WaitForSingleObject(release.get(), 60000);
            return 0;
        }
        if (argc != 6) return 100;
        int setting = _wtoi(argv[4]);
        if (command == L"write") {
            HRESULT hr = settory->SetCurrentValueEx(argv[3], setting, argv[5]);
            if (hr != S_OK) return static_cast<int>(hr);
            return static_cast<int>(settory->UpdateCurrentSetting());
        }
        wchar_t buffer[SETTORY_VALUE_CAPACITY] = {};
        HRESULT hr = settory->GetCurrentValueEx(argv[3], setting, buffer);
        if (hr == S_OK && !WriteFileText(argv[5], buffer)) return 107;
        return static_cast<int>(hr);
    }
    return 100;
}
