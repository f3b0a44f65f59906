// The floors of the start-up benchmark.
// Without arguments: the least a Win32 program does to show one dialog.
// With --fair: the least a program does that must show what the settings window shows at start-up,
// with the platform's own calls only: the settings window's template from the installed resources,
// the settings service's classes connected twice (the program and the plug-in framework each hold
// them) as the binding demands, every registered plug-in DLL loaded, every registration file loaded
// and validated with bare MSXML, and a row in the tree for each of them. None of the program's own
// code runs: no catalogue, no plug-in factory, no service method beyond the activation.
// With --fair --start-host as well: first the service's host started and waited for with the
// platform's calls, the way a start-up that finds no host running must (an activation that starts
// the host itself waits a whole second under Wine).
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "base/handles.h"
#include "base/plugin_list.h"
#include "base/resource_module.h"
#include "base/service_host.h"
#include "bench/bare_msxml.h"
#include "resource.h"

namespace {
constexpr wchar_t kCaption[] = L"Ostrel bench floor";
constexpr wchar_t kProgramFolder[] = L"C:\\Program Files\\Quor\\Ostrel";
constexpr wchar_t kPluginsKey[] = L"SOFTWARE\\Quor Corporation\\Ostrel\\Plugins";

std::vector<std::wstring> g_rows;

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
        ::DestroyWindow(dialog);
        ::PostQuitMessage(0);
        return TRUE;
    }
    if (message != WM_INITDIALOG) return FALSE;
    ::SetWindowTextW(dialog, kCaption);
    if (HWND tree = ::GetDlgItem(dialog, IDC_TREE)) {
        for (std::wstring& row : g_rows) {
            TVINSERTSTRUCTW insert = {};
            insert.hParent = TVI_ROOT;
            insert.hInsertAfter = TVI_SORT;
            insert.item.mask = TVIF_TEXT;
            insert.item.pszText = &row[0];
            TreeView_InsertItem(tree, &insert);
        }
    }
    return TRUE;
}

// Both holders' classes, as the program and the framework each create them at start-up. The
// interfaces are kept until the process ends, as the holders keep theirs.
void ConnectServiceTwice(std::vector<base::ComPtr<IUnknown>>* kept) {
    for (int holder = 0; holder < 2; ++holder) {
        base::ComPtr<IUnknown> settory, modelConfig, applications;
        ::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_LOCAL_SERVER, IID_ISettory, settory.PutVoid());
        ::CoCreateInstance(CLSID_CCModelConfig, nullptr, CLSCTX_LOCAL_SERVER, IID_ICModelConfig,
                           modelConfig.PutVoid());
        ::CoCreateInstance(CLSID_COSLRegApplication, nullptr, CLSCTX_INPROC_SERVER, IID_IOSLRegApplication,
                           applications.PutVoid());
        kept->push_back(settory);
        kept->push_back(modelConfig);
        kept->push_back(applications);
    }
}

// The registered local-server command with -Embedding, detached, then the host's ready event.
void StartServiceHost() {
    base::UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, base::kServiceHostReadyEvent));
    wchar_t clsid[64] = {};
    ::StringFromGUID2(CLSID_CSettory, clsid, ARRAYSIZE(clsid));
    std::wstring key = std::wstring(L"CLSID\\") + clsid + L"\\LocalServer32";
    wchar_t command[MAX_PATH + 32] = {};
    DWORD bytes = sizeof(command) - sizeof(wchar_t);
    if (!ready || ::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, command, &bytes) !=
                      ERROR_SUCCESS) {
        return;
    }
    wcscat_s(command, L" -Embedding");
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                          &started)) {
        return;
    }
    base::UniqueHandle thread(started.hThread);
    base::UniqueHandle process(started.hProcess);
    HANDLE both[] = {ready.get(), process.get()};
    ::WaitForMultipleObjects(2, both, FALSE, 5000);
}

void LoadPlugins(std::vector<base::UniqueModule>* modules) {
    base::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPluginsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    for (const CStringW& path : base::PluginPathsIn(key.get())) {
        if (HMODULE module = ::LoadLibraryW(path)) {
            modules->emplace_back(module);
            g_rows.push_back(::PathFindFileNameW(path));
        }
    }
}

void ReadRegistrationFiles() {
    wchar_t folder[MAX_PATH] = {};
    ::ExpandEnvironmentStringsW(L"%ALLUSERSPROFILE%\\Quor Corporation\\Ostrel\\", folder, MAX_PATH);
    const std::wstring schema = std::wstring(folder) + L"Schema files\\OSLSetting.xsd";
    WIN32_FIND_DATAW data;
    base::UniqueFind find(::FindFirstFileW((std::wstring(folder) + L"*.xml").c_str(), &data));
    if (!find) return;
    do {
        bench::BareDocument document;
        if (document.Load(std::wstring(folder) + data.cFileName) && document.Validate(schema)) {
            g_rows.push_back(data.cFileName);
        }
    } while (::FindNextFileW(find.get(), &data));
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    const bool fair = commandLine && wcsstr(commandLine, L"--fair");
    HINSTANCE templates = instance;
    int templateId = 1;
    base::UniqueModule resources;
    base::ComInit com(COINIT_MULTITHREADED);
    std::vector<base::ComPtr<IUnknown>> service;
    std::vector<base::UniqueModule> plugins;
    if (fair) {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
        ::InitCommonControlsEx(&controls);
        resources = base::LoadLocalisedModule(kProgramFolder, L"Ostrel.exe.mui");
        if (!resources) return 2;
        templates = resources.get();
        templateId = IDD_OSL_MAIN_DIALOG;
        if (wcsstr(commandLine, L"--start-host")) StartServiceHost();
        ConnectServiceTwice(&service);
        LoadPlugins(&plugins);
        ReadRegistrationFiles();
    }
    HWND dialog = ::CreateDialogParamW(templates, MAKEINTRESOURCEW(templateId), nullptr, Proc, 0);
    if (!dialog) return 1;
    ::ShowWindow(dialog, SW_SHOW);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(dialog, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}
