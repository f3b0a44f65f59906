// settory.exe: the settings service for people and scripts.
//
//   settory get <classId> <settingId>            the current value
//   settory set <classId> <settingId> <value>    stores a current value (UpdateCurrentSetting)
//   settory defaults <classId> [<settingId>]     the default value(s)
//   settory list [<classId>]                     every known setting: ids, default, current value
//   settory watch [<classId> <settingId>]... [--count <n>]
//                                                prints each change of the named settings and each
//                                                reload made by another process, as they happen
//
// Output lines end as text lines do on this system (CR LF); fields are separated by tabs.
// Options: --inproc loads the service into this process instead of using the shared server.
// Exit codes: 0 done, 1 failure, 2 malformed class id, 3 no default settings, 4 unknown setting,
// 9 settings busy (write mutex not obtained), 64 usage, 69 service not available, 77 the setting is
// locked by policy (set refused). A locked setting's value is followed by a tab and
// "locked by machine policy" or "locked by user policy" in get and list.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "base/handles.h"
#include "settory/cli/catalogue.h"
#include "settory/cli/locks.h"
#include "settory/values.h"

namespace {

enum Exit : int {
    kDone = 0,
    kFailure = 1,
    kBadClassId = 2,
    kNoDefaults = 3,
    kUnknownSetting = 4,
    kBusy = 9,
    kUsage = 64,
    kUnavailable = 69,
};

constexpr UINT kReloadMessage = WM_USER + 200;

void Print(FILE* stream, const std::wstring& text) {
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
    if (bytes > 1) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
    fputs(utf8.c_str(), stream);
    fputc('\n', stream);
    fflush(stream);
}

int Fail(int code, const std::wstring& message) {
    Print(stderr, L"settory: " + message);
    return code;
}

// The message for a service result about one setting; the exit code is the result itself.
int Explain(HRESULT result, const std::wstring& classId, int settingId) {
    std::wstring setting = classId + L" " + std::to_wstring(settingId);
    switch (result) {
    case 0: return kDone;
    case 2: return Fail(kBadClassId, L"malformed class id \"" + classId + L"\" (36 characters, dashes at 8, 13, 18, 23)");
    case 3: return Fail(kNoDefaults, L"no default settings are installed (DefaultSetting*.xml)");
    case 4: return Fail(kUnknownSetting, L"unknown setting " + setting);
    case 9: return Fail(kBusy, L"settings are busy: another process holds the write mutex; try again");
    default: return Fail(kFailure, L"the service could not complete the request for " + setting);
    }
}

struct Arguments {
    std::wstring command;
    std::vector<std::wstring> words;
    bool inproc = false;
    int count = -1;
};

bool Parse(int argc, wchar_t** argv, Arguments* args) {
    for (int i = 1; i < argc; ++i) {
        std::wstring word = argv[i];
        if (word == L"--inproc") {
            args->inproc = true;
        } else if (word == L"--count" && i + 1 < argc) {
            wchar_t* end = nullptr;
            long n = wcstol(argv[++i], &end, 10);
            if (*end || n <= 0) return false;
            args->count = static_cast<int>(n);
        } else if (args->command.empty()) {
            args->command = word;
        } else {
            args->words.push_back(word);
        }
    }
    return !args->command.empty();
}

// A setting id exactly as the service writes it: decimal, no sign for positive, no leading zero.
bool ParseSettingId(const std::wstring& text, int* id) {
    if (text.empty() || text.size() > 11) return false;
    wchar_t* end = nullptr;
    long long value = wcstoll(text.c_str(), &end, 10);
    if (*end || value < INT_MIN || value > INT_MAX) return false;
    if (std::to_wstring(value) != text) return false;
    *id = static_cast<int>(value);
    return true;
}

int CheckNames(const std::wstring& classId, const std::wstring& settingText, int* settingId) {
    if (!settory::IsWellFormedClassId(classId.c_str())) return Explain(2, classId, 0);
    if (!ParseSettingId(settingText, settingId)) {
        return Fail(kUsage, L"setting id \"" + settingText + L"\" is not a decimal integer");
    }
    return kDone;
}

class Cli {
public:
    explicit Cli(base::ComPtr<ISettory2> settory) : settory_(std::move(settory)) {}

    int Get(const std::vector<std::wstring>& words) {
        if (words.size() != 2) return Usage();
        int id = 0;
        if (int bad = CheckNames(words[0], words[1], &id)) return bad;
        wchar_t value[SETTORY_VALUE_CAPACITY] = {};
        HRESULT r = Current(words[0], id, value);
        if (r != 0) return Explain(r, words[0], id);
        Print(stdout, value + Locked(words[0], id));
        return kDone;
    }

    int Set(const std::vector<std::wstring>& words) {
        if (words.size() != 3) return Usage();
        int id = 0;
        if (int bad = CheckNames(words[0], words[1], &id)) return bad;
        if (words[2].size() >= SETTORY_VALUE_CAPACITY) {
            return Fail(kUsage, L"value longer than " + std::to_wstring(SETTORY_VALUE_CAPACITY - 1) + L" characters");
        }
        // A write to an unknown setting would be dropped without a word; it is refused here instead.
        wchar_t value[SETTORY_VALUE_CAPACITY] = {};
        HRESULT r = Default(words[0], id, value);
        if (r != 0) return Explain(r, words[0], id);
        if (int lock = settorycli::LockOf(settory_.Get(), words[0], id)) {
            return Fail(settorycli::kLockedExit, settorycli::RefusedMessage(words[0], id, lock));
        }
        settory_->SetCurrentValueEx(words[0].c_str(), id, words[2].c_str());
        return Explain(settory_->UpdateCurrentSetting(), words[0], id);
    }

    int Defaults(const std::vector<std::wstring>& words) {
        if (words.empty() || words.size() > 2) return Usage();
        if (!settory::IsWellFormedClassId(words[0].c_str())) return Explain(2, words[0], 0);
        if (words.size() == 2) {
            int id = 0;
            if (int bad = CheckNames(words[0], words[1], &id)) return bad;
            wchar_t value[SETTORY_VALUE_CAPACITY] = {};
            HRESULT r = Default(words[0], id, value);
            if (r != 0) return Explain(r, words[0], id);
            Print(stdout, value);
            return kDone;
        }
        bool any = false;
        for (const auto& name : settorycli::ListDefaultSettings()) {
            if (name.classId != words[0]) continue;
            wchar_t value[SETTORY_VALUE_CAPACITY] = {};
            HRESULT r = Default(name.classId, name.settingId, value);
            if (r == 4) continue;  // defined only for other machine models
            if (r != 0) return Explain(r, name.classId, name.settingId);
            Print(stdout, std::to_wstring(name.settingId) + L"\t" + value);
            any = true;
        }
        return any ? kDone : Fail(kUnknownSetting, L"no settings of class " + words[0]);
    }

    int List(const std::vector<std::wstring>& words) {
        if (words.size() > 1) return Usage();
        if (words.size() == 1 && !settory::IsWellFormedClassId(words[0].c_str())) return Explain(2, words[0], 0);
        auto names = settorycli::ListDefaultSettings();
        if (names.empty()) return Explain(3, L"", 0);
        for (const auto& name : names) {
            if (!words.empty() && name.classId != words[0]) continue;
            wchar_t defaults[SETTORY_VALUE_CAPACITY] = {};
            wchar_t current[SETTORY_VALUE_CAPACITY] = {};
            // A setting defined only for other machine models is not one of this machine's.
            if (Default(name.classId, name.settingId, defaults) == 4) continue;
            HRESULT r = Current(name.classId, name.settingId, current);
            if (r == 9) return Explain(r, name.classId, name.settingId);
            Print(stdout, name.classId + L"\t" + std::to_wstring(name.settingId) + L"\t" + defaults + L"\t" +
                              (r == 0 ? std::wstring(current) : std::wstring(L"?")) +
                              Locked(name.classId, name.settingId));
        }
        return kDone;
    }

    int Watch(const std::vector<std::wstring>& words, int count);

private:
    std::wstring Locked(const std::wstring& classId, int id) {
        std::wstring text = settorycli::LockText(settorycli::LockOf(settory_.Get(), classId, id));
        return text.empty() ? text : L"\t" + text;
    }

    static int Usage() { return Fail(kUsage, L"usage: settory get|set|defaults|list|watch ... (see the header of settory_cli.cpp)"); }

    // The plain methods with a string VARIANT: the Ex methods answer 1 for every failure, these tell
    // the failures apart.
    HRESULT Current(const std::wstring& classId, int id, wchar_t* value) {
        return Read(&ISettory::GetCurrentValue, classId, id, value);
    }
    HRESULT Default(const std::wstring& classId, int id, wchar_t* value) {
        return Read(&ISettory::GetDefaultValue, classId, id, value);
    }
    HRESULT Read(HRESULT (STDMETHODCALLTYPE ISettory::*method)(LPCWSTR, int, VARIANT*), const std::wstring& classId,
                 int id, wchar_t* value) {
        base::Variant text;
        V_VT(text.Get()) = VT_BSTR;
        V_BSTR(text.Get()) = nullptr;
        HRESULT r = (settory_.Get()->*method)(classId.c_str(), id, text.Get());
        if (r != 0) return r;
        const wchar_t* read = V_VT(text.Get()) == VT_BSTR && V_BSTR(text.Get()) ? V_BSTR(text.Get()) : L"";
        wcsncpy(value, read, SETTORY_VALUE_CAPACITY - 1);
        value[SETTORY_VALUE_CAPACITY - 1] = 0;
        return 0;
    }

    base::ComPtr<ISettory2> settory_;
};

struct Watched {
    std::wstring classId;
    int settingId;
    base::UniqueHandle event;
};

int Cli::Watch(const std::vector<std::wstring>& words, int count) {
    if (words.size() % 2 != 0) return Usage();
    std::vector<Watched> watched;
    for (size_t i = 0; i < words.size(); i += 2) {
        int id = 0;
        if (int bad = CheckNames(words[i], words[i + 1], &id)) return bad;
        HRESULT r = settory_->RegisterSettingChangeEvent(words[i].c_str(), id);
        // 1 for an all-users setting already marked: the mark is there, which is what counts.
        if (r != 0 && r != 1) return Explain(r, words[i], id);
        std::wstring name = L"Global\\" + words[i] + L"," + std::to_wstring(id);
        base::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
        if (!event) return Fail(kFailure, L"cannot open the change event " + name);
        watched.push_back(Watched{words[i], id, std::move(event)});
    }
    // The marks live in the files: saved now, other processes signal from their next write on.
    HRESULT saved = settory_->UpdateCurrentSetting();
    if (saved != 0) return Explain(saved, L"", 0);

    HWND window = ::CreateWindowExW(0, L"STATIC", L"settory watch", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                    nullptr);
    if (!window) return Fail(kFailure, L"cannot create the window for reload messages");
    settory_->RegisterWnd(reinterpret_cast<ULONG_PTR>(window));
    Print(stdout, L"watching");

    std::vector<HANDLE> handles;
    for (auto& w : watched) handles.push_back(w.event.get());
    int seen = 0;
    while (count < 0 || seen < count) {
        DWORD n = static_cast<DWORD>(handles.size());
        DWORD wait = ::MsgWaitForMultipleObjectsEx(n, handles.data(), INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wait < WAIT_OBJECT_0 + n) {
            Watched& w = watched[wait - WAIT_OBJECT_0];
            ::ResetEvent(w.event.get());
            // The writer signals while it still holds the files; the reload waits for its save.
            settory_->Reload();
            wchar_t value[SETTORY_VALUE_CAPACITY] = {};
            HRESULT r = Current(w.classId, w.settingId, value);
            Print(stdout, L"changed\t" + w.classId + L"\t" + std::to_wstring(w.settingId) + L"\t" +
                              (r == 0 ? std::wstring(value) : L"?"));
            ++seen;
        } else if (wait == WAIT_OBJECT_0 + n) {
            MSG msg;
            while ((count < 0 || seen < count) && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.hwnd == window && msg.message == kReloadMessage) {
                    Print(stdout, L"reloaded");
                    ++seen;
                } else {
                    ::DispatchMessageW(&msg);
                }
            }
        } else {
            break;
        }
    }
    settory_->UnRegisterWnd(reinterpret_cast<ULONG_PTR>(window));
    ::DestroyWindow(window);
    return kDone;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Arguments args;
    if (!Parse(argc, argv, &args)) {
        return Fail(kUsage, L"usage: settory get|set|defaults|list|watch ... [--inproc] [--count n]");
    }
    base::ComInit com(COINIT_APARTMENTTHREADED);
    if (!com.Ok()) return Fail(kUnavailable, L"COM could not be initialised");
    // watch needs a listener of its own: the shared server does not tell its own clients of its saves.
    bool inproc = args.inproc || args.command == L"watch";
    base::ComPtr<ISettory2> settory;
    HRESULT hr = E_FAIL;
    // A host process that is just ending (its last client left a moment ago) can refuse the
    // activation; a new one is started on a later try.
    for (int attempt = 0; attempt < 6; ++attempt) {
        hr = ::CoCreateInstance(CLSID_CSettory, nullptr, inproc ? CLSCTX_INPROC_SERVER : CLSCTX_LOCAL_SERVER,
                                IID_ISettory2, settory.PutVoid());
        if (SUCCEEDED(hr) || inproc) break;
        ::Sleep(500);
    }
    if (FAILED(hr)) return Fail(kUnavailable, L"the settings service is not available (is Settory.dll registered?)");
    Cli cli(settory);
    if (args.command == L"get") return cli.Get(args.words);
    if (args.command == L"set") return cli.Set(args.words);
    if (args.command == L"defaults") return cli.Defaults(args.words);
    if (args.command == L"list") return cli.List(args.words);
    if (args.command == L"watch") return cli.Watch(args.words, args.count);
    return Fail(kUsage, L"unknown command \"" + args.command + L"\"; one of get, set, defaults, list, watch");
}
