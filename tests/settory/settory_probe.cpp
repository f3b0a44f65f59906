// A second process for the settings-service tests: it holds the write mutex, writes and reads values
// through Settory in process or through the local server, or writes in a loop until it is killed.
// The exit code is the ISettory result, or 100 and above when the process could not get that far.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    if (argc < 2) return 100;
    std::wstring command = argv[1];
    if (command == L"hold-mutex" && argc == 4) return HoldMutex(argv[2], argv[3]);

    base::ComInit com(COINIT_APARTMENTTHREADED);
    if (!com.Ok()) return 103;

    if (command == L"writer-loop" && argc == 6) {
        // writer-loop <classId> <settingId> <first value> <ready event>
        base::ComPtr<ISettory> settory;
        if (FAILED(::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_INPROC_SERVER, IID_ISettory,
                                      settory.PutVoid()))) {
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
