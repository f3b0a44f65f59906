// Fuzz targets over the files the settings service reads from disk. Each input is written to the
// place the service reads it from, in a data folder of the fuzzer's own, and read through the same
// calls the service makes; after each one the outcome must be a defined one, not merely no crash.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "base/com_ptr.h"
#include "settory/app_data.h"
#include "settory/model_config.h"
#include "settory/settings_store.h"
#include "settory/xml_parser.h"

#include "fuzz_target.h"

namespace fuzz {
namespace {

constexpr const wchar_t* kClassA = L"A0000000-0000-4000-8000-00000000000A";

const char kDefaults[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<DefaultSetting>
  <Class ClassID="A0000000-0000-4000-8000-00000000000A">
    <Item SettingID="1" bAllUser="1" bEvent="1"><SettingData>10</SettingData></Item>
    <Item SettingID="2" bAllUser="0"><SettingData>hello</SettingData></Item>
  </Class>
</DefaultSetting>
)";

CStringW ExeFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    CStringW folder(path);
    return folder.Left(folder.ReverseFind(L'\\'));
}

bool WriteBytes(const CStringW& path, const Bytes& bytes) {
    base::UniqueFile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && (bytes.empty() || (::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                                  nullptr) &&
                                      written == bytes.size()));
}

bool ReadBytes(const CStringW& path, Bytes* bytes) {
    base::UniqueFile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size)) return false;
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes->empty() ||
           (::ReadFile(file.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) &&
            read == bytes->size());
}

void RemoveTree(const CStringW& path) {
    WIN32_FIND_DATAW data;
    base::UniqueFind find(::FindFirstFileW(path + L"\\*", &data));
    if (find) {
        do {
            CStringW name(data.cFileName);
            if (name == L"." || name == L"..") continue;
            CStringW child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                ::SetFileAttributesW(child, FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(child);
            }
        } while (::FindNextFileW(find.get(), &data));
    }
    find.reset();
    ::RemoveDirectoryW(path);
}

std::vector<CStringW> Matching(const CStringW& folder, const wchar_t* pattern) {
    std::vector<CStringW> out;
    WIN32_FIND_DATAW data;
    base::UniqueFind find(::FindFirstFileW(folder + pattern, &data));
    if (find) {
        do {
            out.push_back(folder + data.cFileName);
        } while (::FindNextFileW(find.get(), &data));
    }
    return out;
}

// ALLUSERSPROFILE and APPDATA point into a temporary folder for the whole run, with the schema files
// installed where the service looks for them.
class DataFolder {
public:
    static DataFolder& Get() {
        static DataFolder* folder = new DataFolder();
        return *folder;
    }
    static bool Made() { return made_; }

    const CStringW& Root() const { return root_; }
    CStringW Product() const { return root_ + L"\\all\\Quor Corporation\\Ostrel\\"; }

private:
    DataFolder() {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        root_.Format(L"%sostrel-fuzz-%lu", temp, ::GetCurrentProcessId());
        CStringW all = root_ + L"\\all";
        CStringW user = root_ + L"\\user";
        ::SHCreateDirectoryExW(nullptr, Product() + L"Default", nullptr);
        ::SHCreateDirectoryExW(nullptr, Product() + L"Config", nullptr);
        ::SHCreateDirectoryExW(nullptr, Product() + L"Schema files", nullptr);
        ::SHCreateDirectoryExW(nullptr, user, nullptr);
        ::SetEnvironmentVariableW(L"ALLUSERSPROFILE", all);
        ::SetEnvironmentVariableW(L"APPDATA", user);
        for (const wchar_t* schema :
             {L"DefaultSetting.xsd", L"CurrentSetting.xsd", L"ModelConfig.xsd", L"OSLSetting.xsd"}) {
            CStringW to = Product() + L"Schema files\\" + schema;
            if (!::CopyFileW(ExeFolder() + L"\\Schema files\\" + schema, to, FALSE)) {
                std::fprintf(stderr, "schema %ls is missing beside the fuzzer\n", schema);
                std::exit(2);
            }
        }
        made_ = true;
    }
    CStringW root_;
    static bool made_;
};
bool DataFolder::made_ = false;

void PutStandardDefaults() {
    DataFolder& d = DataFolder::Get();
    for (const CStringW& file : Matching(d.Product() + L"Default\\", L"*")) ::DeleteFileW(file);
    WriteBytes(d.Product() + L"Default\\DefaultSetting.xml", Narrow(kDefaults));
}

// Whether the parser with the schema accepts the file: the test the stores make before indexing.
bool ParserAccepts(const CStringW& path, const CStringW& schema) {
    settory::CXMLParser parser;
    if (parser.Initialise() != settory::kXmlOk) return false;
    (void)parser.SetSchema(schema);
    return parser.Load(path) == settory::kXmlOk;
}

bool ValueText(int result, base::Variant& value, CStringW* text) {
    if (result != settory::kOk) return false;
    *text = V_VT(value.Get()) == VT_BSTR && V_BSTR(value.Get()) ? CStringW(V_BSTR(value.Get())) : CStringW();
    return true;
}

// A value through one of the service's read operations, as text.
CStringW ReadText(int (*read)(const wchar_t*, int, VARIANT*), const wchar_t* classId, int settingId, int* result) {
    base::Variant value;
    V_VT(value.Get()) = VT_BSTR;
    V_BSTR(value.Get()) = nullptr;
    *result = read(classId, settingId, value.Get());
    CStringW text;
    ValueText(*result, value, &text);
    return text;
}

CStringW CurrentText(const wchar_t* classId, int settingId, int* result) {
    return ReadText(settory::service::GetCurrentValue, classId, settingId, result);
}

CStringW DefaultText(const wchar_t* classId, int settingId, int* result) {
    return ReadText(settory::service::GetDefaultValue, classId, settingId, result);
}

int WriteValue(const wchar_t* classId, int settingId, const wchar_t* text) {
    settory::PendingList pending;
    settory::service::QueueWrite(pending, classId, settingId, text);
    return settory::service::UpdateCurrentSetting(pending);
}

// The all-users current-settings file: read through the service, then a save. A file that loads keeps
// answering after the save, and the saved file loads again; one that does not is kept aside byte for
// byte before the save and the defaults answer for it.
void RunCurrent(const Bytes& input) {
    DataFolder& d = DataFolder::Get();
    PutStandardDefaults();
    CStringW file = settory::AllUsersFilePath();
    for (const CStringW& old : Matching(d.Product(), L"CurrentSettingProfileData.xml*")) ::DeleteFileW(old);
    Require(WriteBytes(file, input), "the input could not be written");
    bool readable = ParserAccepts(file, settory::CurrentSchemaPath());

    settory::service::ResetStores();
    int result = 0;
    CStringW before = CurrentText(kClassA, 1, &result);
    Require(result == settory::kOk, "a current value did not answer");
    Require(readable || before == L"10", "an unreadable file did not leave the default answering");
    Require(WriteValue(kClassA, 1, L"written by the fuzzer") == settory::kOk, "the save failed");

    std::vector<CStringW> aside = Matching(d.Product(), L"CurrentSettingProfileData.xml.unreadable*");
    if (readable) {
        Require(aside.empty(), "a readable file was kept aside");
    } else {
        Require(aside.size() == 1, "an unreadable file was not kept aside");
        Bytes kept;
        Require(ReadBytes(aside[0], &kept) && kept == input, "the file kept aside differs from the original");
    }
    Require(ParserAccepts(file, settory::CurrentSchemaPath()), "the saved file does not load again");

    settory::service::ResetStores();
    CStringW after = CurrentText(kClassA, 1, &result);
    Require(result == settory::kOk, "a current value did not answer after the save");
    Require(readable || after == L"written by the fuzzer", "the value written over an unreadable file was lost");
    Require(DefaultText(kClassA, 1, &result) == L"10" && result == settory::kOk, "the defaults stopped answering");
    settory::service::ResetStores();
}

// A default-settings file: the store loads it whole or refuses it, and the service answers by that.
void RunDefaults(const Bytes& input) {
    DataFolder& d = DataFolder::Get();
    for (const CStringW& file : Matching(d.Product() + L"Default\\", L"*")) ::DeleteFileW(file);
    CStringW file = d.Product() + L"Default\\DefaultSetting.xml";
    Require(WriteBytes(file, input), "the input could not be written");
    for (const CStringW& old : Matching(d.Product(), L"CurrentSettingProfileData.xml*")) ::DeleteFileW(old);

    int loaded = 0;
    {
        settory::CDefaultSetting store;
        loaded = store.LoadAll();
        Require(loaded == settory::kLoaded || loaded == settory::kFileFailed, "an undefined load result");
        Require(loaded == (ParserAccepts(file, settory::DefaultSchemaPath()) ? settory::kLoaded : settory::kFileFailed),
                "the store and the parser disagree about the file");
    }
    settory::service::ResetStores();
    int result = 0;
    DefaultText(kClassA, 1, &result);
    if (loaded == settory::kLoaded) {
        Require(result == settory::kOk || result == settory::kUnknownSetting, "a loaded file did not answer");
        CurrentText(kClassA, 2, &result);
        Require(result == settory::kOk || result == settory::kUnknownSetting || result == settory::kBadClassId,
                "a loaded file gave an undefined current result");
        WriteValue(kClassA, 1, L"x");
    } else {
        Require(result == settory::kFailed, "a refused file did not fail the read");
    }
    settory::service::ResetStores();
}

// An application registration file, as the registration object reads each one.
void RunRegistration(const Bytes& input) {
    DataFolder& d = DataFolder::Get();
    CStringW file = d.Product() + L"fuzz.xml";
    Require(WriteBytes(file, input), "the input could not be written");
    settory::COSLAppData app;
    int result = app.LoadFile(file, settory::RegistrationSchemaPath());
    Require(result == 0 || result == 1, "an undefined load result");
    if (result == 0) {
        Require(ParserAccepts(file, settory::RegistrationSchemaPath()), "a file the schema refuses was loaded");
        for (const CStringW* path : {&app.m_strAppPath, &app.m_strFolder, &app.m_strHelpPath, &app.m_strCheckPath,
                                     &app.m_strIconPath}) {
            settory::PathNamesSomething(*path);
        }
    }
}

// A model-configuration file, through the store and ICModelConfig::IsLoad.
void RunModelConfig(const Bytes& input) {
    DataFolder& d = DataFolder::Get();
    CStringW file = d.Product() + L"Config\\ModelConfig.xml";
    Require(WriteBytes(file, input), "the input could not be written");
    bool accepted = ParserAccepts(file, settory::ModelConfigSchemaPath());
    {
        settory::CModelConfigSingle store;
        int loaded = store.LoadAll();
        Require(loaded == (accepted ? 100 : 101), "the store and the parser disagree about the file");
        if (loaded == 100) store.IsListedFor(kClassA, 0);
    }
    settory::ResetModelConfig();
    int flag = -1;
    int result = settory::service::IsLoad(kClassA, &flag);
    Require(result == 0, "IsLoad gave an undefined result");
    Require(accepted ? (flag == 0 || flag == 1) : flag == -1, "IsLoad changed the flag for a refused file");
    settory::ResetModelConfig();
}

Bytes Deep(const char* root, const char* element, int depth) {
    std::string text = std::string("<?xml version=\"1.0\"?><") + root + ">";
    for (int i = 0; i < depth; ++i) text += std::string("<") + element + ">";
    return Narrow(text.c_str(), text.size());
}

Bytes Utf16(const char* text, bool bigEndian) {
    Bytes out = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
    for (const char* p = text; *p; ++p) {
        if (bigEndian) out.push_back(0);
        out.push_back(static_cast<uint8_t>(*p));
        if (!bigEndian) out.push_back(0);
    }
    return out;
}

// Seeds every settings document shares: declarations, entities, encodings and nesting.
std::vector<Bytes> HostileSeeds(const char* root) {
    std::string r(root);
    std::vector<Bytes> seeds;
    auto add = [&](const std::string& text) { seeds.push_back(Narrow(text.c_str(), text.size())); };
    add("<?xml version=\"1.0\"?><!DOCTYPE " + r + " [<!ENTITY x SYSTEM \"file:///C:/windows/win.ini\">]><" + r +
        ">&x;</" + r + ">");
    add("<?xml version=\"1.0\"?><!DOCTYPE " + r +
        " [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c "
        "\"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><" +
        r + ">&c;&c;&c;</" + r + ">");
    add("<?xml version=\"1.0\"?><" + r + " xmlns:xi=\"http://www.w3.org/2001/XInclude\"><xi:include href=\"C:/windows/win.ini\" parse=\"text\"/></" + r + ">");
    add("<?xml version=\"1.0\"?><" + r + " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xsi:noNamespaceSchemaLocation=\"file:///C:/nowhere.xsd\"/>");
    add("<?xml version=\"1.0\"?><SomethingElse/>");
    add("<?xml version=\"1.0\" encoding=\"UTF-8\"?><" + r + ">\xff\xfe\xc3</" + r + ">");
    add("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><" + r + ">\xe9</" + r + ">");
    add("<?xml version=\"1.0\" encoding=\"no-such-encoding\"?><" + r + "/>");
    add("<?xml version=\"1.0\" encoding=\"UTF-16\"?><" + r + "/>");
    add("\xef\xbb\xbf<?xml version=\"1.0\"?><" + r + "/>");
    add("<" + r + "><![CDATA[ ]]>&#0;&#xD800;</" + r + ">");
    add("");
    seeds.push_back(Utf16(("<?xml version=\"1.0\" encoding=\"UTF-16\"?><" + r + "/>").c_str(), false));
    seeds.push_back(Utf16(("<?xml version=\"1.0\"?><!DOCTYPE " + r + " [<!ENTITY x SYSTEM \"file:///C:/windows/win.ini\">]><" +
                           r + ">&x;</" + r + ">").c_str(),
                          true));
    // Entities that multiply, in an encoding a byte search for the declaration would not see.
    seeds.push_back(Utf16(("<?xml version=\"1.0\"?><!DOCTYPE " + r +
                           " [<!ENTITY a \"aaaaaaaaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c "
                           "\"&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;\">]><" +
                           r + ">&d;&d;&d;&d;</" + r + ">").c_str(),
                          true));
    seeds.push_back(Deep(root, "Class", 3000));
    return seeds;
}

std::vector<Bytes> XmlTokens(std::initializer_list<const char*> own) {
    std::vector<Bytes> tokens;
    for (const char* t : {"<", ">", "</", "/>", "\"", "&amp;", "&#0;", "&#xFFFF;", "<![CDATA[", "]]>", "<!--", "-->",
                          "<!DOCTYPE x [<!ENTITY e SYSTEM \"file:///C:/windows/win.ini\">]>", "&e;", "<?xml version=\"1.0\"?>",
                          "encoding=\"UTF-16\"", "\xef\xbb\xbf", "\xff\xfe", "xmlns=\"urn:x\"", " MachineID=\"0\"",
                          "-2147483649", "99999999999999999999"}) {
        tokens.push_back(Narrow(t));
    }
    for (const char* t : own) tokens.push_back(Narrow(t));
    return tokens;
}

}  // namespace

void AddSettoryTargets(std::vector<Target>& targets) {
    const char* cls = "<Class ClassID=\"A0000000-0000-4000-8000-00000000000A\">";
    std::vector<Bytes> current = HostileSeeds("CurrentSetting");
    for (const std::string& text : {
             std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><CurrentSetting MachineID=\"0\">") + cls +
                 "<Item SettingID=\"1\" bAllUser=\"1\" bEvent=\"0\"><SettingData>12</SettingData></Item></Class>"
                 "</CurrentSetting>",
             // The same class and setting twice: the first one answers.
             std::string("<CurrentSetting>") + cls + "<Item SettingID=\"1\"><SettingData>1</SettingData></Item>"
                 "<Item SettingID=\"1\"><SettingData>2</SettingData></Item></Class>" + cls +
                 "<Item SettingID=\"01\"><SettingData MachineID=\"7\">3</SettingData></Item></Class></CurrentSetting>",
             std::string("<CurrentSetting MachineID=\"0\"/>"),
         }) {
        current.push_back(Narrow(text.c_str(), text.size()));
    }
    targets.push_back({"current", current,
                       XmlTokens({cls, "</Class>", "<Item SettingID=\"1\" bAllUser=\"1\">", "</Item>", "<SettingData>",
                                  "</SettingData>", "<CurrentSetting>", "</CurrentSetting>"}),
                       64 * 1024, RunCurrent, 200});

    std::vector<Bytes> defaults = HostileSeeds("DefaultSetting");
    defaults.push_back(Narrow(kDefaults));
    {
        std::string dup = std::string("<DefaultSetting>") + cls +
                          "<Item SettingID=\"1\" bAllUser=\"1\"><SettingData>1</SettingData></Item></Class>" + cls +
                          "<Item SettingID=\"1\" bAllUser=\"0\" bEvent=\"1\"><SettingData>2</SettingData></Item>"
                          "<MachineID>0</MachineID></Class></DefaultSetting>";
        defaults.push_back(Narrow(dup.c_str(), dup.size()));
    }
    targets.push_back({"defaults", defaults,
                       XmlTokens({cls, "</Class>", "<Item SettingID=\"1\" bAllUser=\"1\" bEvent=\"1\">", "</Item>",
                                  "<SettingData>", "</SettingData>", "<MachineID>0</MachineID>"}),
                       64 * 1024, RunDefaults, 3000});

    std::vector<Bytes> registrations = HostileSeeds("OSLSetting");
    for (const char* text : {
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><OSLSetting><AppName><String Type=\"EN-US\">Tool</String>"
             "<String Type=\"DE-DE\">Werkzeug</String></AppName><Description StringPath=\"user32.dll, 5\"/>"
             "<AppPath>%SystemRoot%\\notepad.exe</AppPath><AppOption>/x</AppOption><Folder>C:\\</Folder>"
             "<IconPath Check=\"1-2-3-4\">C:\\x.ico</IconPath><IconIndex>-1</IconIndex><Category>3</Category>"
             "<AppHide>0</AppHide><Help StringPath=\"kernel32.dll,99999\"><HelpOption1>1</HelpOption1></Help>"
             "<AppCheck><CheckPath>HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\SystemRoot"
             "</CheckPath><CheckFunc>Check</CheckFunc><Option1>4294967296</Option1></AppCheck></OSLSetting>",
             "<OSLSetting><AppPath>HKEY_CURRENT_USER\\\\</AppPath><AppName StringPath=\",\"/></OSLSetting>",
             "<OSLSetting><AppPath>%</AppPath><AppName StringPath=\"C:\\windows\\system32\\shell32.dll,-1\"/>"
             "</OSLSetting>",
         }) {
        registrations.push_back(Narrow(text));
    }
    targets.push_back({"registration", registrations,
                       XmlTokens({"<AppPath>", "</AppPath>", " StringPath=\"user32.dll, 7\"", " Check=\"0-0-0-0\"",
                                  "<String Type=\"EN-US\">", "</String>", "HKEY_LOCAL_MACHINE\\", "%SystemRoot%",
                                  "%%%%%%%%", "<Help>", "</Help>", "<AppCheck>", "</AppCheck>"}),
                       64 * 1024, RunRegistration, 5000});

    std::vector<Bytes> models = HostileSeeds("ModelConfig");
    for (const std::string& text : {
             std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><ModelConfig>") + cls +
                 "<MachineID>0</MachineID><MachineID>7</MachineID></Class></ModelConfig>",
             std::string("<ModelConfig>") + cls + "</Class>" + cls + "<MachineID>-0</MachineID></Class></ModelConfig>",
         }) {
        models.push_back(Narrow(text.c_str(), text.size()));
    }
    targets.push_back({"modelconfig", models,
                       XmlTokens({cls, "</Class>", "<MachineID>", "</MachineID>", "<ModelConfig>", "</ModelConfig>"}),
                       64 * 1024, RunModelConfig, 3000});
}

void RemoveSettoryFolders() {
    if (!DataFolder::Made()) return;
    settory::service::ResetStores();
    RemoveTree(DataFolder::Get().Root());
}

}  // namespace fuzz
