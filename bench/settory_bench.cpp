// Prints what the settings service costs next to the plain system call that does comparable work.
// Nothing is asserted; run it by hand or through bench/run.sh (see README, "Benchmarks"). Lines that
// begin with "BENCH " carry the same figures for the script to collect.
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
#include "bench/bare_msxml.h"
#include "settory/settings_store.h"

namespace {

double NowUs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

template <typename F>
double PerCallUs(int calls, F f) {
    double start = NowUs();
    for (int i = 0; i < calls; ++i) f(i);
    return (NowUs() - start) / calls;
}

// The median of single calls, for the slow ones that run only a few times: one disk flush stalled
// by another process's writes would otherwise decide the mean.
template <typename F>
double MedianUs(int calls, F f) {
    std::vector<double> times;
    for (int i = 0; i < calls; ++i) {
        double start = NowUs();
        f(i);
        times.push_back(NowUs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::wstring ClassId(int n) {
    wchar_t text[40];
    swprintf(text, 40, L"C%07d-0000-4000-8000-000000000000", n);
    return text;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    base::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadBytes(const std::wstring& path) {
    base::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (file && ::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read) bytes.append(buffer, read);
    return bytes;
}

// N settings in classes of ten, all for all users, in the default file and in the current file.
void WriteData(const std::wstring& product, int settings) {
    std::string defaults = "<DefaultSetting>", current = "<CurrentSetting MachineID=\"0\">";
    for (int c = 0; c < settings / 10; ++c) {
        std::wstring id = ClassId(c);
        std::string cls = "<Class ClassID=\"" + std::string(id.begin(), id.end()) + "\">";
        defaults += cls;
        current += cls;
        for (int i = 1; i <= 10; ++i) {
            std::string item = "<Item SettingID=\"" + std::to_string(i) + "\" bAllUser=\"1\" bEvent=\"0\"><SettingData>";
            defaults += item + "1</SettingData></Item>";
            current += item + "2</SettingData></Item>";
        }
        defaults += "</Class>";
        current += "</Class>";
    }
    WriteBytes(product + L"Default\\DefaultSetting.xml", defaults + "</DefaultSetting>");
    WriteBytes(product + L"CurrentSettingProfileData.xml", current + "</CurrentSetting>");
}

void Row(const char* what, double us, double floorUs) {
    std::printf("  %-44s %12.1f us   floor %10.2f us   ratio %8.1f\n", what, us, floorUs, us / floorUs);
}

void Figure(const std::string& name, double us) { std::printf("BENCH settory.%s %.2f us\n", name.c_str(), us); }

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int wmain() {
    base::ComInit com(COINIT_APARTMENTTHREADED);
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring root = std::wstring(temp) + L"settory-bench-" + std::to_wstring(::GetCurrentProcessId());
    std::wstring product = root + L"\\all\\Quor Corporation\\Ostrel\\";
    ::SHCreateDirectoryExW(nullptr, (product + L"Default").c_str(), nullptr);
    ::SHCreateDirectoryExW(nullptr, (product + L"Schema files").c_str(), nullptr);
    ::SHCreateDirectoryExW(nullptr, (root + L"\\user").c_str(), nullptr);
    ::SetEnvironmentVariableW(L"ALLUSERSPROFILE", (root + L"\\all").c_str());
    ::SetEnvironmentVariableW(L"APPDATA", (root + L"\\user").c_str());
    wchar_t bin[MAX_PATH];
    ::GetModuleFileNameW(nullptr, bin, MAX_PATH);
    ::PathRemoveFileSpecW(bin);
    for (const wchar_t* schema : {L"DefaultSetting.xsd", L"CurrentSetting.xsd"}) {
        ::CopyFileW((std::wstring(bin) + L"\\Schema files\\" + schema).c_str(),
                    (product + L"Schema files\\" + schema).c_str(), FALSE);
    }

    // Floor for a read: one registry value of comparable size.
    base::UniqueHKey key;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\OstrelBench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr);
    ::RegSetValueExW(key.get(), L"v", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"2"), 4);
    double registryUs = PerCallUs(20000, [](int) {
        wchar_t data[16];
        DWORD size = sizeof(data);
        ::RegGetValueW(HKEY_CURRENT_USER, L"Software\\OstrelBench", L"v", RRF_RT_REG_SZ, nullptr, data, &size);
    });
    key.reset();
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\OstrelBench");

    std::printf("Settory benchmark (times per call; floor = the plain system call doing comparable work)\n");
    std::printf("RegGetValueW floor: %.2f us\n\n", registryUs);
    Figure("registry-floor", registryUs);
    std::printf("Store, called directly (no COM):\n");
    for (int settings : {100, 1000, 10000}) {
        WriteData(product, settings);
        settory::service::ResetStores();
        std::printf(" %d settings:\n", settings);
        std::wstring all = product + L"CurrentSettingProfileData.xml";
        std::string bytes = ReadBytes(all);
        double readFloor = PerCallUs(20, [&](int) { ReadBytes(all); });
        double loadUs = MedianUs(3, [](int) {
            settory::service::ResetStores();
            base::Variant v;
            V_VT(v.Get()) = VT_I4;
            settory::service::GetCurrentValue(ClassId(0).c_str(), 1, v.Get());
        });
        Row("store load (defaults + all-users file)", loadUs, readFloor);
        // What a first load cannot avoid: parsing both files and checking each against its schema,
        // the schemas compiled afresh as they are in a process that has not loaded before.
        std::wstring defaultsFile = product + L"Default\\DefaultSetting.xml";
        double loadFloor = MedianUs(3, [&](int) {
            bench::BareDocument defaultsDoc, currentDoc;
            if (!defaultsDoc.Load(defaultsFile) || !defaultsDoc.Validate(product + L"Schema files\\DefaultSetting.xsd") ||
                !currentDoc.Load(all) || !currentDoc.Validate(product + L"Schema files\\CurrentSetting.xsd")) {
                std::printf("  (bare MSXML load or validation failed)\n");
            }
        });
        Row("store load (floor: MSXML load + validation)", loadUs, loadFloor);
        std::string count = std::to_string(settings);
        Figure("load." + count, loadUs);
        Figure("load-floor." + count, loadFloor);
        double getUs = PerCallUs(2000, [&](int i) {
            base::Variant v;
            V_VT(v.Get()) = VT_I4;
            settory::service::GetCurrentValue(ClassId((i * 7919) % (settings / 10)).c_str(), 1 + i % 10, v.Get());
        });
        Row("GetCurrentValue (lookup + write mutex)", getUs, registryUs);
        Figure("get-direct." + count, getUs);
        std::wstring copy = all + L".bench";
        double writeFloor = PerCallUs(20, [&](int) {
            WriteBytes(copy, bytes);
            ::MoveFileExW(copy.c_str(), (all + L".floor").c_str(), MOVEFILE_REPLACE_EXISTING);
        });
        ::DeleteFileW((all + L".floor").c_str());
        int updates = settings >= 10000 ? 7 : 20;
        double updateUs = MedianUs(updates, [&](int i) {
            settory::PendingList pending;
            settory::service::QueueWrite(pending, ClassId(0).c_str(), 1, std::to_wstring(100 + i).c_str());
            settory::service::UpdateCurrentSetting(pending);
        });
        Row("UpdateCurrentSetting (one change, save)", updateUs, writeFloor);
        // The same documents the update wrote (all-users and, where the store made it, per-user),
        // each saved by MSXML alone the way the store must to survive a crash: temporary file,
        // flush, rename over. Saved beside the store's files so the store never sees them change.
        std::vector<std::wstring> documents = {all};
        std::wstring perUser = root + L"\\user\\Quor Corporation\\Ostrel\\CurrentSettingProfileData.xml";
        if (Exists(perUser)) documents.push_back(perUser);
        std::vector<bench::BareDocument> bare(documents.size());
        for (size_t d = 0; d < documents.size(); ++d) {
            if (!bare[d].Load(documents[d])) std::printf("  (bare MSXML could not load a saved document)\n");
        }
        double saveFloor = MedianUs(updates, [&](int) {
            for (size_t d = 0; d < documents.size(); ++d) {
                if (!bare[d].SaveDurably(documents[d] + L".floor")) std::printf("  (bare MSXML save failed)\n");
            }
        });
        for (const std::wstring& document : documents) ::DeleteFileW((document + L".floor").c_str());
        char label[64];
        snprintf(label, sizeof(label), "update (floor: MSXML durable save, %zu file%s)", documents.size(),
                 documents.size() == 1 ? "" : "s");
        Row(label, updateUs, saveFloor);
        Figure("update." + count, updateUs);
        Figure("update-floor." + count, saveFloor);
    }
    settory::service::ResetStores();

    WriteData(product, 1000);
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::printf("\nThrough COM, 1000 settings:\n");
    struct Mode {
        const char* name;
        DWORD context;
        int calls;
    } modes[] = {{"GetCurrentValue in process", CLSCTX_INPROC_SERVER, 2000},
                 {"GetCurrentValue through the local server", CLSCTX_LOCAL_SERVER, 500}};
    for (const Mode& mode : modes) {
        base::ComPtr<ISettory> settory;
        HRESULT hr = ::CoCreateInstance(CLSID_CSettory, nullptr, mode.context, IID_ISettory, settory.PutVoid());
        if (FAILED(hr)) {
            std::printf("  %-44s not available (0x%08lx; is Settory registered?)\n", mode.name, hr);
            continue;
        }
        base::Variant warm;
        V_VT(warm.Get()) = VT_I4;
        settory->GetCurrentValue(ClassId(0).c_str(), 1, warm.Get());
        double us = PerCallUs(mode.calls, [&](int i) {
            base::Variant v;
            V_VT(v.Get()) = VT_I4;
            settory->GetCurrentValue(ClassId(i % 100).c_str(), 1 + i % 10, v.Get());
        });
        Row(mode.name, us, registryUs);
        const bool local = mode.context == CLSCTX_LOCAL_SERVER;
        Figure(local ? "get-server" : "get-inproc", us);
        if (!local) continue;
        // The floor of a call through the local server: the cheapest method the same proxy carries to
        // the same host object, which touches no store (IDispatch::GetTypeInfoCount answers a
        // constant). It pays the marshalling, the RPC round trip and the host's message loop, as
        // every GetCurrentValue does, and nothing else.
        double emptyUs = PerCallUs(mode.calls, [&](int) {
            UINT count = 0;
            settory->GetTypeInfoCount(&count);
        });
        Row("the same (floor: empty call, same proxy)", us, emptyUs);
        Figure("empty-call-server", emptyUs);
    }
    settory::service::ResetStores();
    std::fflush(stdout);
    return 0;
}
