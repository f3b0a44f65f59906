#include "settory/settory_fixture.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <vector>

namespace settorytest {

const char kStandardDefaults[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<DefaultSetting>
  <Class ClassID="A0000000-0000-4000-8000-00000000000A">
    <Item SettingID="1" bAllUser="1" bEvent="0"><SettingData>10</SettingData></Item>
    <Item SettingID="2" bAllUser="0"><SettingData>hello</SettingData></Item>
    <Item SettingID="3" bAllUser="1" bEvent="1"><SettingData>5</SettingData></Item>
    <Item SettingID="05" bAllUser="1"><SettingData>55</SettingData></Item>
    <Item SettingID="6" bAllUser="1"><SettingData MachineID="7">70</SettingData></Item>
    <Item SettingID="7" bAllUser="1"><SettingData MachineID="7">seven</SettingData><SettingData MachineID="0">zero</SettingData><SettingData>plain</SettingData></Item>
    <Item SettingID="8" bAllUser="0"><SettingData>2.5</SettingData></Item>
    <Item SettingID="9" bAllUser="1"><SettingData>9default</SettingData></Item>
  </Class>
  <Class ClassID="B0000000-0000-4000-8000-00000000000B">
    <MachineID>0</MachineID>
    <Item SettingID="1" bAllUser="0"><SettingData>b1</SettingData></Item>
  </Class>
</DefaultSetting>
)";

const char kPolicyDefaults[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<DefaultSetting>
  <Class ClassID="C0000000-0000-4000-8000-00000000000C">
    <Item SettingID="1" bAllUser="1" bEvent="0"><SettingData>10</SettingData></Item>
    <Item SettingID="2" bAllUser="0" bEvent="0"><SettingData>hello</SettingData></Item>
  </Class>
</DefaultSetting>
)";

std::string CurrentXml(const std::string& classes) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CurrentSetting MachineID=\"0\">" + classes +
           "</CurrentSetting>\n";
}

DataFolders::DataFolders()
    : all_(root_.Path() + L"\\all"),
      app_(root_.Path() + L"\\user"),
      allEnv_(L"ALLUSERSPROFILE", all_),
      appEnv_(L"APPDATA", app_) {
    ::SHCreateDirectoryExW(nullptr, DefaultFolder(), nullptr);
    ::SHCreateDirectoryExW(nullptr, SchemaFolder(), nullptr);
    ::CreateDirectoryW(app_, nullptr);
    for (const wchar_t* schema : {L"DefaultSetting.xsd", L"CurrentSetting.xsd", L"ModelConfig.xsd", L"SettingsExport.xsd"}) {
        ::CopyFileW(testsupport::BinFolder() + L"\\Schema files\\" + schema, SchemaFolder() + schema, FALSE);
    }
    WriteDefault(L"DefaultSetting.xml", kStandardDefaults);
}

void DataFolders::WriteDefault(const wchar_t* name, const std::string& xml) const {
    testsupport::WriteTextFile(DefaultFolder() + name, xml);
}

void DataFolders::WriteAllUsers(const std::string& xml) const { testsupport::WriteTextFile(AllUsersFile(), xml); }

namespace {

constexpr const wchar_t kSharedDlls[] = L"Software\\Quor Corporation\\Shared Info\\Shared Dlls";
constexpr const wchar_t kQorUtilsKey[] = L"Software\\Quor Corporation\\Shared Info\\QorUtils";

template <typename Saved>
void SaveValue(const wchar_t* key, const wchar_t* name, Saved* saved) {
    DWORD size = 0;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_ANY | RRF_NOEXPAND, &saved->type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return;
    }
    saved->data.resize(size);
    saved->present = ::RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_ANY | RRF_NOEXPAND, &saved->type,
                                    saved->data.empty() ? nullptr : &saved->data[0], &size) == ERROR_SUCCESS;
}

template <typename Saved>
void RestoreValue(const wchar_t* key, const wchar_t* name, const Saved& saved) {
    base::UniqueHKey hkey;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, hkey.put(), nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    if (saved.present) {
        ::RegSetValueExW(hkey.get(), name, 0, saved.type, reinterpret_cast<const BYTE*>(saved.data.data()),
                         static_cast<DWORD>(saved.data.size()));
    } else {
        ::RegDeleteValueW(hkey.get(), name);
    }
}

}  // namespace

MachineIdScope::MachineIdScope(long machineId, const wchar_t* library) {
    SaveValue(kSharedDlls, L"QorUtils.dll", &path_);
    SaveValue(kQorUtilsKey, L"MachineID", &id_);
    CStringW path = testsupport::BinFile(library);
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSharedDlls, L"QorUtils.dll", REG_SZ, path.GetString(),
                      static_cast<DWORD>((path.GetLength() + 1) * sizeof(wchar_t)));
    if (machineId >= 0) {
        DWORD id = static_cast<DWORD>(machineId);
        ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kQorUtilsKey, L"MachineID", REG_DWORD, &id, sizeof(id));
    } else {
        ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kQorUtilsKey, L"MachineID");
    }
}

MachineIdScope::~MachineIdScope() {
    RestoreValue(kSharedDlls, L"QorUtils.dll", path_);
    RestoreValue(kQorUtilsKey, L"MachineID", id_);
}

int CountFiles(const CStringW& folder, const wchar_t* pattern) {
    WIN32_FIND_DATAW data;
    base::UniqueFind find(::FindFirstFileW(folder + pattern, &data));
    int count = 0;
    if (find) {
        do {
            ++count;
        } while (::FindNextFileW(find.get(), &data));
    }
    return count;
}

namespace {

std::vector<DWORD> ProcessIds(const wchar_t* exeName) {
    std::vector<DWORD> ids;
    base::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

}  // namespace

int HostProcesses() { return static_cast<int>(ProcessIds(L"SettoryHost.exe").size()); }

int KillProcessesNamed(const wchar_t* exeName) {
    int killed = 0;
    for (DWORD id : ProcessIds(exeName)) {
        base::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (!process || !::TerminateProcess(process.get(), 1)) continue;
        ::WaitForSingleObject(process.get(), 5000);
        ++killed;
    }
    return killed;
}

int KillHostProcesses() { return KillProcessesNamed(L"SettoryHost.exe"); }

}  // namespace settorytest
