// settory.exe: the settings service for people and scripts. The commands, options and exit codes
// are what "settory --help" prints (usage.cpp); this file parses the command line and runs them.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "base/handles.h"
#include "settory/cli/admx.h"
#include "settory/cli/backup.h"
#include "settory/cli/catalogue.h"
#include "settory/cli/page_names.h"
#include "settory/cli/service_values.h"
#include "settory/cli/usage.h"
#include "settory/cli/xml_text.h"
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

using settorycli::ParseSettingId;
using settorycli::XmlEscape;

void Print(FILE* stream, const std::wstring& text) {
    fputs(settorycli::Utf8(text).c_str(), stream);
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
    bool xml = false;
    int count = -1;
};

bool Parse(int argc, wchar_t** argv, Arguments* args) {
    for (int i = 1; i < argc; ++i) {
        std::wstring word = argv[i];
        if (word == L"--inproc") {
            args->inproc = true;
        } else if (word == L"--xml") {
            args->xml = true;
        } else if (word == L"--help" || word == L"-h" || word == L"/?") {
            args->command = L"help";
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

int CheckNames(const std::wstring& classId, const std::wstring& settingText, int* settingId) {
    if (!settory::IsWellFormedClassId(classId.c_str())) return Explain(2, classId, 0);
    if (!ParseSettingId(settingText, settingId)) {
        return Fail(kUsage, L"setting id \"" + settingText + L"\" is not a decimal integer");
    }
    return kDone;
}

// Script-readable output of get and list: one Setting element per setting.
class XmlOutput {
public:
    explicit XmlOutput(bool on) : on_(on) {
        if (on_) Print(stdout, L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Settings>");
    }
    ~XmlOutput() {
        if (on_) Print(stdout, L"</Settings>");
    }
    void Setting(const std::wstring& classId, const std::wstring& page, int id, const wchar_t* defaults,
                 const wchar_t* current) {
        std::wstring line = L"  <Setting ClassID=\"" + XmlEscape(classId) + L"\"";
        if (!page.empty()) line += L" Page=\"" + XmlEscape(page) + L"\"";
        line += L" SettingID=\"" + std::to_wstring(id) + L"\"";
        if (defaults) line += L" Default=\"" + XmlEscape(defaults) + L"\"";
        if (current) line += L" Current=\"" + XmlEscape(current) + L"\"";
        Print(stdout, line + L"/>");
    }

private:
    bool on_;
};

std::wstring PageOf(const std::map<std::wstring, std::wstring>& pages, const std::wstring& classId) {
    auto found = pages.find(classId);
    return found == pages.end() ? std::wstring() : found->second;
}

class Cli {
public:
    explicit Cli(base::ComPtr<ISettory2> settory) : settory_(std::move(settory)) {}

    int Get(const std::vector<std::wstring>& words, bool xml) {
        if (words.size() != 2) return Usage(L"get");
        int id = 0;
        if (int bad = CheckNames(words[0], words[1], &id)) return bad;
        wchar_t value[SETTORY_VALUE_CAPACITY] = {};
        HRESULT r = Current(words[0], id, value);
        if (r != 0) return Explain(r, words[0], id);
        // The plain form stays the bare value: scripts read it as it is.
        if (!xml) {
            Print(stdout, value + Locked(words[0], id));
            return kDone;
        }
        XmlOutput(true).Setting(words[0], PageOf(settorycli::CataloguePageNames(), words[0]), id, nullptr, value);
        return kDone;
    }

    int Set(const std::vector<std::wstring>& words) {
        if (words.size() != 3) return Usage(L"set");
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
        if (words.empty() || words.size() > 2) return Usage(L"defaults");
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

    int List(const std::vector<std::wstring>& words, bool xml) {
        if (words.size() > 1) return Usage(L"list");
        if (words.size() == 1 && !settory::IsWellFormedClassId(words[0].c_str())) return Explain(2, words[0], 0);
        auto names = settorycli::ListDefaultSettings();
        if (names.empty()) return Explain(3, L"", 0);
        auto pages = settorycli::CataloguePageNames();
        XmlOutput output(xml);
        for (const auto& name : names) {
            if (!words.empty() && name.classId != words[0]) continue;
            wchar_t defaults[SETTORY_VALUE_CAPACITY] = {};
            wchar_t current[SETTORY_VALUE_CAPACITY] = {};
            // A setting defined only for other machine models is not one of this machine's.
            if (Default(name.classId, name.settingId, defaults) == 4) continue;
            HRESULT r = Current(name.classId, name.settingId, current);
            if (r == 9) return Explain(r, name.classId, name.settingId);
            if (xml) {
                output.Setting(name.classId, PageOf(pages, name.classId), name.settingId, defaults,
                               r == 0 ? current : nullptr);
                continue;
            }
            Print(stdout, name.classId + L"\t" + PageOf(pages, name.classId) + L"\t" + std::to_wstring(name.settingId) +
                              L"\t" + defaults + L"\t" + (r == 0 ? std::wstring(current) : std::wstring(L"?")) +
                              Locked(name.classId, name.settingId));
        }
        return kDone;
    }

    int Export(const std::vector<std::wstring>& words) {
        if (words.size() != 1) return Usage(L"export");
        return Report(settorycli::ExportSettings(settory_.Get(), words[0]));
    }

    int Import(const std::vector<std::wstring>& words) {
        if (words.size() != 1) return Usage(L"import");
        return Report(settorycli::ImportSettings(settory_.Get(), words[0]));
    }

    int Watch(const std::vector<std::wstring>& words, int count);

private:
    std::wstring Locked(const std::wstring& classId, int id) {
        std::wstring text = settorycli::LockText(settorycli::LockOf(settory_.Get(), classId, id));
        return text.empty() ? text : L"\t" + text;
    }

    static int Usage(const wchar_t* command) { return Fail(kUsage, settorycli::Synopsis(command)); }

    // The service's results keep their meaning and message; the commands' own codes speak for themselves.
    static int Report(int result) { return result == 0 || result >= kUsage ? result : Explain(result, L"", 0); }

    HRESULT Current(const std::wstring& classId, int id, wchar_t* value) {
        return Copy(settorycli::ReadCurrent(settory_.Get(), classId, id, &text_), value);
    }
    HRESULT Default(const std::wstring& classId, int id, wchar_t* value) {
        return Copy(settorycli::ReadDefault(settory_.Get(), classId, id, &text_), value);
    }
    HRESULT Copy(HRESULT r, wchar_t* value) {
        if (r != 0) return r;
        wcsncpy(value, text_.c_str(), SETTORY_VALUE_CAPACITY - 1);
        value[SETTORY_VALUE_CAPACITY - 1] = 0;
        return 0;
    }

    std::wstring text_;

    base::ComPtr<ISettory2> settory_;
};

struct Watched {
    std::wstring classId;
    int settingId;
    base::UniqueHandle event;
};

int Cli::Watch(const std::vector<std::wstring>& words, int count) {
    if (words.size() % 2 != 0) return Usage(L"watch");
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
    if (!Parse(argc, argv, &args)) return Fail(kUsage, settorycli::Synopsis(L""));
    if (args.command == L"help") {
        if (args.words.empty()) {
            fputs(settorycli::Utf8(settorycli::WholeUsage()).c_str(), stdout);
            return kDone;
        }
        std::wstring one = settorycli::CommandUsage(args.words[0]);
        if (one.empty()) return Fail(kUsage, L"unknown command \"" + args.words[0] + L"\"; settory --help lists them");
        fputs(settorycli::Utf8(one).c_str(), stdout);
        return kDone;
    }
    base::ComInit com(COINIT_APARTMENTTHREADED);
    if (!com.Ok()) return Fail(kUnavailable, L"COM could not be initialised");
    // The templates come from the files and the plug-ins; the service itself is not asked.
    if (args.command == L"admx") {
        if (args.words.size() != 1) return Fail(kUsage, settorycli::Synopsis(L"admx"));
        return settorycli::WritePolicyTemplates(args.words[0]);
    }
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
    if (args.command == L"get") return cli.Get(args.words, args.xml);
    if (args.command == L"set") return cli.Set(args.words);
    if (args.command == L"defaults") return cli.Defaults(args.words);
    if (args.command == L"list") return cli.List(args.words, args.xml);
    if (args.command == L"export") return cli.Export(args.words);
    if (args.command == L"import") return cli.Import(args.words);
    if (args.command == L"watch") return cli.Watch(args.words, args.count);
    return Fail(kUsage, L"unknown command \"" + args.command + L"\"; " + settorycli::Synopsis(L""));
}
