// settory.exe against the real service: its commands, what they print, and their error exits.
#include <gtest/gtest.h>

#include <cstdarg>

#include "Settory_h.h"
#include "settory/msxml_ids.h"
#include "settory/settings_store.h"
#include "settory/settory_fixture.h"

using namespace settorytest;
using testsupport::BinFile;

namespace {

DataFolders* g_data = nullptr;

// A registered plug-in page, so the commands can name a class by its page.
constexpr const wchar_t kPluginsKey[] = L"SOFTWARE\\Quor Corporation\\Ostrel\\Plugins";
constexpr const wchar_t kPluginValue[] = L"SettoryCliTestMinimal";
constexpr const wchar_t kMinimalClass[] = L"5A1B2C3D-4E5F-4061-8728-394A5B6C7D8E";
constexpr const char kMinimalDefaults[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<DefaultSetting><Class ClassID="5A1B2C3D-4E5F-4061-8728-394A5B6C7D8E">
  <Item SettingID="1" bAllUser="0"><SettingData>1</SettingData></Item>
</Class></DefaultSetting>
)";

class CliEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_data = new DataFolders();
        g_data->WriteDefault(L"DefaultSettingMinimal.xml", kMinimalDefaults);
        CStringW plugin = BinFile(L"MinimalPlugin.dll");
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kPluginsKey, kPluginValue, REG_SZ, plugin.GetString(),
                                                   (plugin.GetLength() + 1) * sizeof(wchar_t)));
        g_data->WriteDefault(L"DefaultSettingPolicy.xml", kPolicyDefaults);
        testsupport::ChildProcess regsvr(L"regsvr32.exe /s \"" + BinFile(L"Settory.dll") + L"\"");
        DWORD code = 1;
        ASSERT_TRUE(regsvr.WaitExit(60000, &code));
        ASSERT_EQ(0u, code);
    }
    void TearDown() override {
        ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kPluginsKey, kPluginValue);
        delete g_data;
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new CliEnvironment);

base::UniqueFile InheritableFile(const CStringW& path) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    return base::UniqueFile(::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// settory.exe with its output and errors in files.
class Cli {
public:
    explicit Cli(const CStringW& arguments) : out_(folder_.File(L"out.txt")), err_(folder_.File(L"err.txt")) {
        base::UniqueFile out = InheritableFile(out_);
        base::UniqueFile err = InheritableFile(err_);
        STARTUPINFOW startup = {sizeof(startup)};
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out.get();
        startup.hStdError = err.get();
        CStringW command = L"\"" + BinFile(L"settory.exe") + L"\" " + arguments;
        std::wstring buffer = command.Str();
        PROCESS_INFORMATION info = {};
        if (::CreateProcessW(nullptr, &buffer[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                             &info)) {
            process_.reset(info.hProcess);
            ::CloseHandle(info.hThread);
        }
    }
    ~Cli() {
        if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(process_.get(), 1);
    }
    // The exit code, or -1 when it did not end in time.
    int Wait(DWORD timeoutMs = 60000) {
        DWORD code = 0;
        if (!process_ || ::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0 ||
            !::GetExitCodeProcess(process_.get(), &code)) {
            return -1;
        }
        return static_cast<int>(code);
    }
    std::string Out() const { return testsupport::ReadTextFile(out_); }
    std::string Err() const { return testsupport::ReadTextFile(err_); }

private:
    testsupport::TempFolder folder_;
    CStringW out_;
    CStringW err_;
    base::UniqueHandle process_;
};

std::string Narrow(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

CliRun RunCli(const CStringW& arguments) {
    Cli cli(arguments);
    CliRun run;
    run.code = cli.Wait();
    run.out = cli.Out();
    run.err = cli.Err();
    return run;
}

CStringW Args(const wchar_t* format, ...) {
    wchar_t buffer[1024];
    va_list list;
    va_start(list, format);
    _vsnwprintf(buffer, ARRAYSIZE(buffer), format, list);
    va_end(list);
    buffer[ARRAYSIZE(buffer) - 1] = 0;
    return buffer;
}

TEST(SettoryCli, SetPersists_GetDefaultsAndListShowIt) {
    const std::string a = Narrow(kClassA);
    for (const wchar_t* mode : {L"", L" --inproc"}) {
        SCOPED_TRACE(Narrow(mode));
        CliRun set = RunCli(Args(L"set %s %d 77%s", kClassA, kAllUsersInt, mode));
        EXPECT_EQ(0, set.code) << set.err;
        EXPECT_NE(std::string::npos, testsupport::ReadTextFile(g_data->AllUsersFile()).find(">77<"))
            << "saved through UpdateCurrentSetting";
        CliRun get = RunCli(Args(L"get %s %d%s", kClassA, kAllUsersInt, mode));
        EXPECT_EQ(0, get.code) << get.err;
        EXPECT_EQ("77\r\n", get.out);
        CliRun one = RunCli(Args(L"defaults %s %d%s", kClassA, kPerUserText, mode));
        EXPECT_EQ(0, one.code);
        EXPECT_EQ("hello\r\n", one.out);
        CliRun all = RunCli(Args(L"defaults %s%s", kClassA, mode));
        EXPECT_EQ(0, all.code);
        EXPECT_NE(std::string::npos, all.out.find("1\t10\r\n")) << all.out;
        EXPECT_NE(std::string::npos, all.out.find("2\thello\r\n")) << all.out;
        EXPECT_EQ(std::string::npos, all.out.find("55")) << "\"05\" names no setting the service answers";
        CliRun list = RunCli(Args(L"list%s", mode));
        EXPECT_EQ(0, list.code);
        EXPECT_NE(std::string::npos, list.out.find(a + "\t\t1\t10\t77\r\n")) << list.out;
        EXPECT_NE(std::string::npos, list.out.find(Narrow(kClassB) + "\t\t1\tb1\t")) << list.out;
        EXPECT_NE(std::string::npos, list.out.find(Narrow(kMinimalClass) + "\tBattery indicator\t1\t1\t")) << list.out;
        EXPECT_EQ(std::string::npos, list.out.find(a + "\t\t6\t")) << "only for machine 7";
        CliRun xml = RunCli(Args(L"list --xml%s", mode));
        EXPECT_EQ(0, xml.code);
        EXPECT_NE(std::string::npos, xml.out.find("<Setting ClassID=\"" + a + "\" SettingID=\"1\" Default=\"10\" Current=\"77\"/>"))
            << xml.out;
        CliRun page = RunCli(Args(L"get %s 1 --xml%s", kMinimalClass, mode));
        EXPECT_NE(std::string::npos,
                  page.out.find("<Setting ClassID=\"" + Narrow(kMinimalClass) + "\" Page=\"Battery indicator\" SettingID=\"1\" Current=\"1\"/>"))
            << page.out;
        EXPECT_EQ(0u, page.out.rfind("<?xml", 0)) << "a whole document";
        RunCli(Args(L"set %s %d 10%s", kClassA, kAllUsersInt, mode));
    }
}

TEST(SettoryCli, ErrorsExitWithTheirCodeAndSaySo) {
    struct Case {
        CStringW arguments;
        int code;
        const char* message;
    } cases[] = {
        {Args(L"get {%s} 1", kClassA), 2, "malformed class id"},
        {Args(L"set A000-0000 1 x"), 2, "malformed class id"},
        {Args(L"get %s 4242", kClassA), 4, "unknown setting"},
        {Args(L"set %s 4242 x", kClassA), 4, "unknown setting"},
        {Args(L"defaults %s 4242", kClassA), 4, "unknown setting"},
        {Args(L"get %s 05", kClassA), 64, "not a decimal integer"},
        {Args(L"get %s", kClassA), 64, "usage: settory get CLASSID SETTINGID"},
        {L"frobnicate", 64, "unknown command"},
        {L"", 64, "usage"},
        {L"help frobnicate", 64, "unknown command"},
        {L"import", 64, "usage: settory import FILE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.arguments));
        CliRun run = RunCli(c.arguments);
        EXPECT_EQ(c.code, run.code);
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
        EXPECT_EQ("", run.out);
    }
    std::string before = testsupport::ReadTextFile(g_data->AllUsersFile());
    EXPECT_EQ(4, RunCli(Args(L"set %s 4242 x --inproc", kClassA)).code);
    EXPECT_EQ(before, testsupport::ReadTextFile(g_data->AllUsersFile())) << "nothing written";

    for (const wchar_t* name : {L"DefaultSetting.xml", L"DefaultSettingMinimal.xml", L"DefaultSettingPolicy.xml"}) {
        ASSERT_TRUE(::MoveFileW(g_data->DefaultFolder() + name, g_data->DefaultFolder() + name + L".off"));
    }
    CliRun none = RunCli(Args(L"get %s 1 --inproc", kClassA));
    for (const wchar_t* name : {L"DefaultSetting.xml", L"DefaultSettingMinimal.xml", L"DefaultSettingPolicy.xml"}) {
        ::MoveFileW(g_data->DefaultFolder() + name + L".off", g_data->DefaultFolder() + name);
    }
    EXPECT_EQ(3, none.code);
    EXPECT_NE(std::string::npos, none.err.find("no default settings")) << none.err;
}

TEST(SettoryCli, LockedSetting_ShowsAsLocked_AndSetIsRefusedWith77) {
    testsupport::ScopedPolicy policy(kPolicyClass);
    ASSERT_TRUE(policy.SetNumber(HKEY_LOCAL_MACHINE, kPolicyAllUsersInt, 40));
    const std::string c = Narrow(kPolicyClass);
    for (const wchar_t* mode : {L"", L" --inproc"}) {
        SCOPED_TRACE(Narrow(mode));
        CliRun get = RunCli(Args(L"get %s %d%s", kPolicyClass, kPolicyAllUsersInt, mode));
        EXPECT_EQ(0, get.code) << get.err;
        EXPECT_EQ("40\tlocked by machine policy\r\n", get.out);
        CliRun list = RunCli(Args(L"list %s%s", kPolicyClass, mode));
        EXPECT_NE(std::string::npos, list.out.find(c + "\t\t1\t10\t40\tlocked by machine policy\r\n")) << list.out;
        EXPECT_NE(std::string::npos, list.out.find(c + "\t\t2\thello\thello\r\n")) << list.out;
        std::string before = testsupport::ReadTextFile(g_data->AllUsersFile());
        CliRun set = RunCli(Args(L"set %s %d 5%s", kPolicyClass, kPolicyAllUsersInt, mode));
        EXPECT_EQ(77, set.code);
        EXPECT_NE(std::string::npos, set.err.find("locked by machine policy")) << set.err;
        EXPECT_EQ(before, testsupport::ReadTextFile(g_data->AllUsersFile())) << "nothing written";
    }
}

TEST(SettoryCli, BusyMutex_Exits9) {
    settory::WriteMutex held;
    ASSERT_TRUE(held.Obtained());
    CliRun run = RunCli(Args(L"set %s %d 5 --inproc", kClassA, kAllUsersInt));
    EXPECT_EQ(9, run.code);
    EXPECT_NE(std::string::npos, run.err.find("busy")) << run.err;
}

TEST(SettoryCli, Watch_PrintsEachChangeAndEachReload) {
    Cli watch(Args(L"watch %s %d --count 2", kClassA, kAllUsersInt));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return watch.Out().find("watching\r\n") != std::string::npos; }, 30000))
        << watch.Err();
    ASSERT_EQ(0, RunCli(Args(L"set %s %d 91 --inproc", kClassA, kAllUsersInt)).code);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return watch.Out().find("changed") != std::string::npos; }, 15000))
        << watch.Out();
    ASSERT_EQ(0, RunCli(Args(L"set %s %d 92 --inproc", kClassA, kEventListed)).code);
    EXPECT_EQ(0, watch.Wait(15000)) << watch.Out();
    EXPECT_EQ("watching\r\nchanged\t" + Narrow(kClassA) + "\t1\t91\r\nreloaded\r\n", watch.Out());
    RunCli(Args(L"set %s %d 10 --inproc", kClassA, kAllUsersInt));
}

}  // namespace

namespace {

TEST(SettoryCli, Help_PrintsEveryCommandWithAnExample) {
    CliRun whole = RunCli(L"--help");
    EXPECT_EQ(0, whole.code);
    for (const char* command : {"get", "set", "defaults", "list", "watch", "export", "import", "admx", "help"}) {
        EXPECT_NE(std::string::npos, whole.out.find(std::string("Example: settory ") + command)) << command;
    }
    EXPECT_NE(std::string::npos, whole.out.find("Exit codes")) << whole.out;
    EXPECT_EQ(std::string::npos, whole.out.find(".cpp")) << "no pointer into the sources";
    CliRun one = RunCli(L"help import");
    EXPECT_EQ(0, one.code);
    EXPECT_EQ(0u, one.out.find("settory import FILE")) << one.out;
    EXPECT_EQ(std::string::npos, one.out.find("settory export FILE"));
}

CStringW Temp(const testsupport::TempFolder& folder, const wchar_t* name) { return folder.Path() + L"\\" + name; }

TEST(SettoryCli, ExportThenImportOnACleanProfile_ReproducesTheValues) {
    testsupport::TempFolder folder;
    const CStringW backup = Temp(folder, L"backup.xml");
    ASSERT_EQ(0, RunCli(Args(L"set %s %d 5 --inproc", kClassA, kEventListed)).code);
    ASSERT_EQ(0, RunCli(Args(L"set %s %d 77 --inproc", kClassA, kAllUsersInt)).code);
    ASSERT_EQ(0, RunCli(Args(L"set %s %d \"a<b & c\" --inproc", kClassA, kPerUserText)).code);
    CliRun exported = RunCli(Args(L"export \"%s\" --inproc", backup.GetString()));
    ASSERT_EQ(0, exported.code) << exported.err;
    std::string file = testsupport::ReadTextFile(backup);
    EXPECT_NE(std::string::npos, file.find("<Setting SettingID=\"1\">77</Setting>")) << file;
    EXPECT_NE(std::string::npos, file.find("a&lt;b &amp; c")) << file;
    EXPECT_EQ(std::string::npos, file.find("SettingID=\"3\"")) << "values at their default are not exported";

    // A clean profile: no current values at all.
    ASSERT_TRUE(::DeleteFileW(g_data->AllUsersFile()));
    ASSERT_TRUE(::DeleteFileW(g_data->PerUserFile()));
    ASSERT_EQ("10\r\n", RunCli(Args(L"get %s %d --inproc", kClassA, kAllUsersInt)).out);
    CliRun imported = RunCli(Args(L"import \"%s\" --inproc", backup.GetString()));
    EXPECT_EQ(0, imported.code) << imported.err;
    EXPECT_NE(std::string::npos, imported.out.find("applied 2, skipped 0, refused 0")) << imported.out;
    EXPECT_EQ("77\r\n", RunCli(Args(L"get %s %d --inproc", kClassA, kAllUsersInt)).out);
    EXPECT_EQ("a<b & c\r\n", RunCli(Args(L"get %s %d --inproc", kClassA, kPerUserText)).out);

    // What this model does not know and what a setting cannot take are reported, the rest applied.
    ASSERT_TRUE(testsupport::WriteTextFile(backup, "<?xml version=\"1.0\"?><SettingsExport Version=\"1\">"
                                                   "<Class ClassID=\"" + Narrow(kClassA) + "\">"
                                                   "<Setting SettingID=\"4242\">1</Setting>"
                                                   "<Setting SettingID=\"1\">many</Setting>"
                                                   "<Setting SettingID=\"3\">6</Setting></Class></SettingsExport>"));
    CliRun mixed = RunCli(Args(L"import \"%s\" --inproc", backup.GetString()));
    EXPECT_EQ(0, mixed.code) << mixed.err;
    EXPECT_NE(std::string::npos, mixed.out.find("skipped\t" + Narrow(kClassA) + "\t4242\tunknown on this model"));
    EXPECT_NE(std::string::npos, mixed.out.find("refused\t" + Narrow(kClassA) + "\t1\t")) << mixed.out;
    EXPECT_NE(std::string::npos, mixed.out.find("applied 1, skipped 1, refused 1")) << mixed.out;
    EXPECT_EQ("77\r\n", RunCli(Args(L"get %s %d --inproc", kClassA, kAllUsersInt)).out);
    RunCli(Args(L"set %s %d 10 --inproc", kClassA, kAllUsersInt));
    RunCli(Args(L"set %s %d 5 --inproc", kClassA, kEventListed));
    RunCli(Args(L"set %s %d hello --inproc", kClassA, kPerUserText));
}

TEST(SettoryCli, BrokenOrHostileImport_ChangesNothing) {
    testsupport::TempFolder folder;
    ASSERT_EQ(0, RunCli(Args(L"set %s %d 31 --inproc", kClassA, kAllUsersInt)).code);
    const std::string a = Narrow(kClassA);
    const std::string good = "<Setting SettingID=\"1\">99</Setting>";
    struct Case {
        const char* what;
        std::string xml;
    } cases[] = {
        {"not XML", "<SettingsExport Version=\"1\"><Class"},
        {"another document", "<CurrentSetting MachineID=\"0\"><Class ClassID=\"" + a + "\"/></CurrentSetting>"},
        {"unknown version", "<SettingsExport Version=\"2\"><Class ClassID=\"" + a + "\">" + good + "</Class></SettingsExport>"},
        {"external entity",
         "<?xml version=\"1.0\"?><!DOCTYPE SettingsExport [<!ENTITY x SYSTEM \"file:///c:/windows/win.ini\">]>"
         "<SettingsExport Version=\"1\"><Class ClassID=\"" + a + "\">" + good + "<Setting SettingID=\"2\">&x;</Setting>"
         "</Class></SettingsExport>"},
        {"braced class id", "<SettingsExport Version=\"1\"><Class ClassID=\"{" + a.substr(0, 34) + "}\">" + good +
                                "</Class></SettingsExport>"},
        {"setting id with a leading zero", "<SettingsExport Version=\"1\"><Class ClassID=\"" + a + "\">" + good +
                                               "<Setting SettingID=\"03\">6</Setting></Class></SettingsExport>"},
        {"value too long", "<SettingsExport Version=\"1\"><Class ClassID=\"" + a + "\">" + good +
                               "<Setting SettingID=\"2\">" + std::string(300, 'x') + "</Setting></Class></SettingsExport>"},
        {"huge", "<SettingsExport Version=\"1\"><Class ClassID=\"" + a + "\">" + good + "<!--" +
                     std::string(5 * 1024 * 1024, ' ') + "--></Class></SettingsExport>"},
    };
    std::string allUsers = testsupport::ReadTextFile(g_data->AllUsersFile());
    std::string perUser = testsupport::ReadTextFile(g_data->PerUserFile());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CStringW path = Temp(folder, L"broken.xml");
        ASSERT_TRUE(testsupport::WriteTextFile(path, c.xml));
        CliRun run = RunCli(Args(L"import \"%s\" --inproc", path.GetString()));
        EXPECT_EQ(65, run.code) << run.out << run.err;
        EXPECT_NE(std::string::npos, run.err.find("nothing was changed")) << run.err;
        EXPECT_EQ(allUsers, testsupport::ReadTextFile(g_data->AllUsersFile()));
        EXPECT_EQ(perUser, testsupport::ReadTextFile(g_data->PerUserFile()));
    }
    RunCli(Args(L"set %s %d 10 --inproc", kClassA, kAllUsersInt));
}

// Validates a template file against the Group Policy template schema with MSXML 6; the reason when
// it does not validate.
std::string TemplateSchemaErrors(const CStringW& file) {
    base::ComPtr<IXMLDOMSchemaCollection2> schemas;
    if (FAILED(::CoCreateInstance(settory::kClsidXmlSchemaCache60, nullptr, CLSCTX_INPROC_SERVER,
                                  settory::kIidXmlDomSchemaCollection2, schemas.PutVoid()))) {
        return "no schema cache";
    }
    base::Bstr ns(L"http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions");
    base::Variant location;
    V_VT(location.Get()) = VT_BSTR;
    V_BSTR(location.Get()) = ::SysAllocString(L"PolicyDefinitionFiles.xsd");
    // Wine's schema cache resolves the schema's includes against the current folder, not against the
    // including file: loaded from its own folder, both agree.
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ::SetCurrentDirectoryW(testsupport::BinFolder() + L"\\admx-schema");
    HRESULT added = schemas->add(ns.Get(), *location.Get());
    ::SetCurrentDirectoryW(previous);
    if (FAILED(added)) return "the schema does not load: " + std::to_string(added);
    base::ComPtr<IXMLDOMDocument2> document;
    if (FAILED(::CoCreateInstance(settory::kClsidDomDocument60, nullptr, CLSCTX_INPROC_SERVER,
                                  settory::kIidXmlDomDocument2, document.PutVoid()))) {
        return "no DOM";
    }
    document->put_async(VARIANT_FALSE);
    VARIANT attach;
    V_VT(&attach) = VT_DISPATCH;
    V_DISPATCH(&attach) = schemas.Get();
    document->putref_schemas(attach);
    base::Variant source;
    V_VT(source.Get()) = VT_BSTR;
    V_BSTR(source.Get()) = ::SysAllocString(file);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (document->load(*source.Get(), &loaded) != S_OK || loaded != VARIANT_TRUE) return "not well-formed";
    // Wine validates on request only, and answers an invalid document with S_FALSE.
    base::ComPtr<IXMLDOMParseError> error;
    if (document->validate(error.Put()) == S_OK) return std::string();
    base::Bstr reason;
    if (error) error->get_reason(reason.Put());
    CStringW text = reason.Get() && *reason.Get() ? reason.Get() : L"not valid";
    return std::string(text.GetString(), text.GetString() + text.GetLength());
}

TEST(SettoryCli, Admx_WritesValidTemplatesWithAPolicyPerSettingOnTheServicesKey) {
    testsupport::TempFolder folder;
    CliRun run = RunCli(Args(L"admx \"%s\"", folder.Path().GetString()));
    ASSERT_EQ(0, run.code) << run.err;
    const CStringW admx = Temp(folder, L"Ostrel.admx");
    const CStringW adml = Temp(folder, L"en-US\\Ostrel.adml");
    base::ComInit com(COINIT_MULTITHREADED);
    EXPECT_EQ("", TemplateSchemaErrors(admx));
    EXPECT_EQ("", TemplateSchemaErrors(adml));

    std::string definitions = testsupport::ReadTextFile(admx);
    std::string strings = testsupport::ReadTextFile(adml);
    // The check itself can fail: a policy class the schema does not know.
    std::string broken = definitions;
    broken.replace(broken.find("class=\"Both\""), 12, "class=\"Fleet\"");
    ASSERT_TRUE(testsupport::WriteTextFile(Temp(folder, L"Broken.admx"), broken));
    EXPECT_NE("", TemplateSchemaErrors(Temp(folder, L"Broken.admx")));
    const std::string key = "key=\"SOFTWARE\\Policies\\Quor Corporation\\Ostrel\\" + Narrow(kClassA) + "\"";
    // An element fitting each default: a number ("10"), a text ("hello"), a check box ("1").
    for (const std::string& expected :
         {key, std::string("<decimal id=\"Value\" valueName=\"1\" required=\"true\" minValue=\"0\" maxValue=\"2147483647\"/>"),
          std::string("<text id=\"Value\" valueName=\"2\""), std::string("<boolean id=\"Value\" valueName=\"1\">")}) {
        EXPECT_NE(std::string::npos, definitions.find(expected)) << expected;
    }
    EXPECT_EQ(std::string::npos, definitions.find("valueName=\"05\"")) << "no setting the service cannot be asked for";
    EXPECT_NE(std::string::npos, strings.find(">Battery indicator</string>")) << "the page names its category";
    EXPECT_NE(std::string::npos, strings.find(">Battery indicator: setting 1</string>"));

}

// A decimal policy of the template applied as Group Policy applies it (a REG_DWORD under the key and
// value name the template declares, checked above) is what the service answers, in every process.
TEST(SettoryCli, AdmxPolicyAppliedAsGroupPolicyDoes_IsWhatTheServiceAnswers) {
    const CStringW policyKey = CStringW(L"SOFTWARE\\Policies\\Quor Corporation\\Ostrel\\") + kClassA;
    DWORD number = 33;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, policyKey, L"1", REG_DWORD, &number, sizeof(number)));
    CliRun get = RunCli(Args(L"get %s %d --inproc", kClassA, kAllUsersInt));
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\Quor Corporation");
    EXPECT_EQ("33\tlocked by machine policy\r\n", get.out) << get.err;
}

}  // namespace
