// Mutation fuzzing of the parsers that read outside text: indirect strings, registry references,
// availability probes, probe locations, label wrapping, multi-string data, SMBIOS tables, the
// program's command line, and the settings service's files (current and default settings,
// application registrations, model configurations).
//
//   ostrel_fuzz.exe [--target NAME] [--iterations N] [--seed S] [--regressions FOLDER]
//
// Without --iterations each target runs its own default count (fewer for the targets that go through
// MSXML); --iterations sets the count of every target, for long runs by hand.
//
// Every input that ever crashed a parser or broke a target's promise is kept under
// regressions/<target>/ and replayed first. On a crash the input is written to
// fuzz-crash-<target>.bin in the working folder and the run fails; a broken promise writes
// fuzz-failure-<target>.bin.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/registry_reference.h"
#include "catalogue/indirect_string.h"
#include "catalogue/probe_location.h"
#include "core/command_line_info.h"
#include "common/open_request.h"
#include "fuzz_target.h"
#include "info/smbios_table.h"
#include "mutator.h"
#include "window/label_wrap.h"

namespace {

using fuzz::Bytes;
using fuzz::Require;
using fuzz::Target;

Bytes Wide(const wchar_t* text) { return fuzz::FromWide(text); }

std::vector<Bytes> WideList(std::initializer_list<const wchar_t*> texts) {
    std::vector<Bytes> out;
    for (const wchar_t* t : texts) out.push_back(Wide(t));
    return out;
}

CStringW Text(const Bytes& data) { return CStringW(fuzz::ToWide(data).c_str()); }

// An SMBIOS table: a BIOS structure, the system structure with its strings, the end structure.
Bytes SmbiosSeed() {
    Bytes t = {0, 0x12, 0, 0, 1, 2, 0, 0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const char bios[] = "Vendor\0Version\0";
    t.insert(t.end(), bios, bios + sizeof(bios));
    Bytes system = {1, 0x1B, 1, 0, 1, 2, 3, 4};
    system.resize(0x1B, 0);
    t.insert(t.end(), system.begin(), system.end());
    const char strings[] = "Maker\0Model\0V1.2\0Serial\0";
    t.insert(t.end(), strings, strings + sizeof(strings));
    Bytes end = {127, 4, 2, 0, 0, 0};
    t.insert(t.end(), end.begin(), end.end());
    return t;
}

// The program's parse of its command line, and the open request it makes of the class id: the id is
// the text after the last CLD: switch, carried whole when it fits the request and dropped otherwise.
void RunCommandLine(const Bytes& d) {
    CStringW line = L"Ostrel.exe " + Text(d);
    CCommandLineInfoCustom info;
    CWinApp::ParseCommandLine(info, line);

    // What the switches say, from the same split of the line into arguments.
    bool expectClass = false;
    CStringW expectId;
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(line, &argc);
    Require(argv != nullptr, "the command line did not split");
    for (int i = 1; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        if ((arg[0] == L'/' || arg[0] == L'-') && ::_wcsnicmp(arg + 1, L"CLD:", 4) == 0) {
            expectClass = true;
            expectId = arg + 5;
        }
    }
    ::LocalFree(argv);
    Require(info.m_nParams == argc - 1, "an argument was not seen");
    Require(!!info.m_bClassId == expectClass && (!expectClass || info.m_strClassId == expectId),
            "the class id is not the last CLD: switch's");

    ostrel::RequestPayload payload;
    ostrel::FillRequestPayload(payload, info.m_strClassId, info.m_bClassId);
    COPYDATASTRUCT data = {ostrel::REQ_OPEN_MAIN, ostrel::kRequestPayloadBytes, &payload};
    ULONG_PTR code = 99;
    CStringW carried;
    Require(ostrel::ReadOpenRequest(&data, &code, &carried) != FALSE, "the request was not read back");
    bool fits = info.m_bClassId && info.m_strClassId.GetLength() < ostrel::kRequestClassIdChars;
    Require(carried == (fits ? info.m_strClassId : CStringW()), "the class id was not carried whole or dropped");
}

std::vector<Target> Targets() {
    std::vector<Target> targets;
    targets.push_back({"indirect",
                       WideList({L"@C:\\nowhere\\strings.dll,-5", L"@@literal", L"plain text",
                                 L"@HKEY_LOCAL_MACHINE\\Software\\OstrelFuzz\\Module,-12", L"@,-", L"@x.dll,-99999999999"}),
                       WideList({L"@", L",", L"-", L"@@", L"HKEY_CURRENT_USER\\", L"%TEMP%", L"  ", L"0", L"-2147483648"}),
                       512, [](const Bytes& d) {
                           CStringW out;
                           ostrel::ResolveIndirectString(Text(d), &out);
                           long v = 0;
                           ostrel::ParseDecimal(Text(d), &v);
                       }});
    targets.push_back({"regref",
                       WideList({L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\ProductName",
                                 L"HKEY_CURRENT_USER\\Environment\\TEMP", L"HKEY_CLASSES_ROOT\\\\", L"HKEY_\\x"}),
                       WideList({L"\\", L"HKEY_USERS", L"HKEY_CURRENT_CONFIG", L"%", L"\\\\"}), 1024,
                       [](const Bytes& d) { base::ResolveRegistryReference(Text(d)); }});
    targets.push_back({"probe",
                       WideList({L"C:\\nowhere\\probe.dll, Check, 1, 2", L"probe.dll,Check,1", L",,,", L"a, b, 0x10, -3"}),
                       WideList({L",", L" ", L"-", L"99999999999999999999", L"0x"}), 512,
                       [](const Bytes& d) {
                           std::vector<CStringW> parts = ostrel::SplitTrimmed(Text(d));
                           for (const CStringW& p : parts) {
                               long v = 0;
                               ostrel::ParseDecimal(p, &v);
                           }
                       }});
    targets.push_back({"location",
                       WideList({L"C:\\Program Files\\Quor\\Ostrel\\probe.dll", L"C:\\windows\\system32\\x.dll",
                                 L"C:\\windows\\temp\\..\\x.dll", L"\\\\?\\C:\\windows\\x.dll", L"C:\\a.dll:stream"}),
                       WideList({L"\\", L"..", L".", L"*", L"?", L":", L"C:", L"\\\\", L"/"}), 1024,
                       [](const Bytes& d) { ostrel::IsTrustedProbeLocation(Text(d)); }});
    targets.push_back({"label",
                       WideList({L"Keyboard and Mouse", L"Supercalifragilisticexpialidocious", L"A B C", L""}),
                       WideList({L" ", L"  ", L"\n", L"\t", L"W"}), 600,
                       [](const Bytes& d) {
                           CStringW text = Text(d);
                           int width = d.empty() ? 1 : d[0] % 200;
                           ostrel::WrapLabel(text, width, [](const CStringW& t) { return 7 * t.GetLength(); });
                       }});
    targets.push_back({"multistring", WideList({L"one\0two\0\0", L"\0\0", L"x"}), WideList({L"\0", L"a"}), 512,
                       [](const Bytes& d) {
                           std::wstring text = fuzz::ToWide(d);
                           if (!text.empty()) base::MultiStringToLines(&text[0], text.size());
                       }});
    targets.push_back({"smbios", {SmbiosSeed(), Bytes{127, 4, 0, 0, 0, 0}, Bytes{1, 0xFF, 0, 0}},
                       {Bytes{0, 0}, Bytes{1, 0x1B}, Bytes{127, 4}, Bytes{0xFF}}, 4096, [](const Bytes& d) {
                           CStringW out;
                           ostrel::FindSmbiosSystemVersion(d.empty() ? nullptr : d.data(), d.size(), &out);
                       }});
    targets.push_back({"cmdline",
                       WideList({L"/halt -haltAll /Install -UnInstall /OSL -PMX /CLD:AAAAAAAA-0000-0000-0000-000000000002",
                                 L"\"/CLD:a b\" -cld: /CLD:\"\" \\\"x", L"/ - // -- /CLD:/CLD: garbage \"unterminated",
                                 L"-Embedding /Automation /pmx /osl /HALT"}),
                       WideList({L" ", L"/", L"-", L"\"", L"\\", L"/halt", L"-haltAll", L"/Install", L"/UnInstall",
                                 L"/OSL", L"/PMX", L"/CLD:", L"-cld:", L"AAAAAAAA-0000-0000-0000-000000000001",
                                 L"9999999999999999999999999999999999999999999999999999999999999999", L"\t", L"^",
                                 L"%", L"/Embedding"}),
                       4096, RunCommandLine});
    fuzz::AddSettoryTargets(targets);
    return targets;
}

// The input the current run works on, for the crash handler.
const Bytes* g_current = nullptr;
const char* g_target = "";

void WriteInput(const char* kind) {
    if (!g_current) return;
    std::string file = std::string("fuzz-") + kind + "-" + g_target + ".bin";
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(g_current->data()), static_cast<std::streamsize>(g_current->size()));
    std::fprintf(stderr, "input written to %s\n", file.c_str());
}

LONG CALLBACK OnCrash(EXCEPTION_POINTERS* info) {
    DWORD code = info->ExceptionRecord->ExceptionCode;
    // C++ exceptions and debugger notices are not crashes.
    if (code == 0xE06D7363 || code == 0x406D1388 || code < 0x80000000u) return EXCEPTION_CONTINUE_SEARCH;
    std::fprintf(stderr, "CRASH 0x%08lx in target %s\n", code, g_target);
    WriteInput("crash");
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

std::vector<Bytes> Regressions(const std::string& folder) {
    std::vector<Bytes> out;
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((folder + "\\*.bin").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
        std::ifstream in(folder + "\\" + found.cFileName, std::ios::binary);
        out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
    return out;
}

void RunOne(const Target& target, const Bytes& input) {
    g_current = &input;
    try {
        target.run(input);
    } catch (...) {
        // A parser may refuse its input by throwing; only crashes count.
    }
    g_current = nullptr;
}

}  // namespace

namespace fuzz {

void Require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "FAILED in target %s: %s\n", g_target, what);
    WriteInput("failure");
    std::fflush(stderr);
    RemoveSettoryFolders();
    std::exit(4);
}

Bytes Narrow(const char* text) { return Narrow(text, std::strlen(text)); }
Bytes Narrow(const char* text, size_t length) { return Bytes(text, text + length); }

}  // namespace fuzz

int main(int argc, char** argv) {
    std::string only;
    unsigned long long iterations = 0;  // each target's own count
    unsigned long long seed = 20261208;
    std::string regressionRoot = "fuzz-regressions";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--target")) only = argv[i + 1];
        if (!std::strcmp(argv[i], "--iterations")) iterations = std::strtoull(argv[i + 1], nullptr, 10);
        if (!std::strcmp(argv[i], "--seed")) seed = std::strtoull(argv[i + 1], nullptr, 10);
        if (!std::strcmp(argv[i], "--regressions")) regressionRoot = argv[i + 1];
    }
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    ::AddVectoredExceptionHandler(1, OnCrash);

    for (const Target& target : Targets()) {
        if (!only.empty() && only != target.name) continue;
        g_target = target.name;
        std::vector<Bytes> replay = Regressions(regressionRoot + "\\" + target.name);
        for (const Bytes& input : replay) RunOne(target, input);

        fuzz::Mutator mutator(seed ^ std::hash<std::string>()(target.name));
        // A pool that grows from the seeds with some of the mutants, so edits pile up over time.
        std::vector<Bytes> pool = target.seeds;
        unsigned long long count = iterations ? iterations : (target.iterations ? target.iterations : 20000);
        DWORD started = ::GetTickCount();
        for (unsigned long long n = 0; n < count; ++n) {
            const Bytes& parent = pool[mutator.Below(pool.size())];
            Bytes input = mutator.Mutate(parent, target.tokens, target.maxSize);
            RunOne(target, input);
            if (mutator.Below(8) == 0) {
                if (pool.size() < 256) {
                    pool.push_back(std::move(input));
                } else {
                    pool[target.seeds.size() + mutator.Below(pool.size() - target.seeds.size())] = std::move(input);
                }
            }
        }
        std::printf("%-12s %llu inputs, %zu regressions replayed, no crash (%lu ms)\n", target.name, count,
                    replay.size(), ::GetTickCount() - started);
        std::fflush(stdout);
    }
    fuzz::RemoveSettoryFolders();
    return 0;
}
