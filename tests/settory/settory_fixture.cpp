#include "settory/settory_fixture.h"

#include <shlobj.h>

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
    for (const wchar_t* schema : {L"DefaultSetting.xsd", L"CurrentSetting.xsd"}) {
        ::CopyFileW(testsupport::BinFolder() + L"\\Schema files\\" + schema, SchemaFolder() + schema, FALSE);
    }
    WriteDefault(L"DefaultSetting.xml", kStandardDefaults);
}

void DataFolders::WriteDefault(const wchar_t* name, const std::string& xml) const {
    testsupport::WriteTextFile(DefaultFolder() + name, xml);
}

void DataFolders::WriteAllUsers(const std::string& xml) const { testsupport::WriteTextFile(AllUsersFile(), xml); }

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

}  // namespace settorytest
