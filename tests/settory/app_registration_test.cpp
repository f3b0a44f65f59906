// Application registration files: the reader (path texts, localised texts, validation) directly, and
// COSLRegApplication through CoCreateInstance over real files in a temporary data folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "settory/app_data.h"
#include "settory/settory_fixture.h"

using namespace settorytest;
using settory::COSLAppData;
using testsupport::BinFile;

namespace {

std::string Narrow(const CStringW& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
    return out;
}

std::string Registration(const std::string& children) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<OSLSetting>" + children + "</OSLSetting>\n";
}

// Registration files in a data folder with the registration schema installed beside the others.
class RegistrationFolder {
public:
    RegistrationFolder() {
        ::CopyFileW(testsupport::BinFolder() + L"\\Schema files\\OSLSetting.xsd",
                    data.SchemaFolder() + L"OSLSetting.xsd", FALSE);
        // Something that exists, for the paths the service hands out only when they do.
        program = data.ProductFolder() + L"tool.exe";
        testsupport::WriteTextFile(program, "MZ");
    }
    CStringW Write(const wchar_t* name, const std::string& xml) const {
        CStringW path = data.ProductFolder() + name;
        testsupport::WriteTextFile(path, xml);
        return path;
    }
    CStringW Schema() const { return data.SchemaFolder() + L"OSLSetting.xsd"; }
    std::string ProgramElement() const { return "<AppPath>" + Narrow(program) + "</AppPath>"; }

    DataFolders data;
    CStringW program;
};

void SetValue(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
}

TEST(PathText, CheckString_FoldsCodeUnitsIntoFourLanes) {
    struct {
        const wchar_t* text;
        const wchar_t* check;
    } cases[] = {
        {L"", L"0-0-0-0"},
        {L"A", L"65-0-0-0"},
        {L"ABCDE", L"4-66-67-68"},  // 'A' ^ 'E' in the first lane
        {L"\xFFFF\xFFFF\xFFFF\xFFFF\xFFFF", L"0-65535-65535-65535"},
    };
    for (const auto& c : cases) EXPECT_EQ(CStringW(c.check), settory::PathCheckString(c.text)) << c.check;
}

TEST(PathText, Resolve_RegistryEnvironmentAndPlainTexts) {
    testsupport::ScratchKey key;
    testsupport::ScopedEnv var(L"OSTREL_TEST_DIR", L"C:\\Tools");
    const wchar_t sz[] = L"C:\\Plain\\tool.exe";
    const wchar_t expand[] = L"%OSTREL_TEST_DIR%\\x.dll";
    const wchar_t multi[] = L"one\0two\0";
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    DWORD number = 7;
    SetValue(key.Get(), L"Sz", REG_SZ, sz, sizeof(sz));
    SetValue(key.Get(), L"Expand", REG_EXPAND_SZ, expand, sizeof(expand));
    SetValue(key.Get(), L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
    SetValue(key.Get(), L"Bare", REG_SZ, unterminated, sizeof(unterminated));
    SetValue(key.Get(), L"Number", REG_DWORD, &number, sizeof(number));
    std::wstring big(3000, L'x');
    SetValue(key.Get(), L"Big", REG_SZ, big.c_str(), static_cast<DWORD>((big.size() + 1) * 2));
    CStringW ref = L"HKEY_CURRENT_USER\\" + key.SubkeyPath() + L"\\";

    std::wstring longVar(1100, L'y');
    testsupport::ScopedEnv tooLong(L"OSTREL_TEST_LONG", longVar.c_str());
    struct {
        CStringW text;
        CStringW resolved;
    } cases[] = {
        {ref + L"Sz", sz},
        {ref + L"Expand", L"C:\\Tools\\x.dll"},
        {ref + L"Multi", L"one\ntwo"},
        {ref + L"Bare", L"abc"},
        {ref + L"Number", L""},
        {ref + L"Missing", L""},
        {ref + L"Big", L""},  // larger than the 2048-byte buffer
        {L"HKEY_NOWHERE\\Software\\Value", L""},
        {L"HKEY_CURRENT_USER", L""},
        {L"%OSTREL_TEST_DIR%\\a.exe", L"C:\\Tools\\a.exe"},
        {L"%OSTREL_TEST_LONG%", L""},
        {L"%OSTREL_NOT_SET%\\a", L"%OSTREL_NOT_SET%\\a"},
        {L"C:\\Fixed\\%OSTREL_TEST_DIR%", L"C:\\Fixed\\%OSTREL_TEST_DIR%"},  // only a leading "%" expands
        {L"hkey_current_user\\x\\y", L"hkey_current_user\\x\\y"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.resolved, settory::ResolvePathText(c.text)) << c.text;
}

TEST(LanguageName, ComesFromTheLanguageWithTraditionalChineseReadAsHongKong) {
    EXPECT_EQ(0, settory::UiLanguageNameFor(0x0404).CompareNoCase(L"ZH-HK"));
    EXPECT_EQ(0, settory::UiLanguageNameFor(0x0C04).CompareNoCase(L"ZH-HK"));
    EXPECT_EQ(0, settory::UiLanguageNameFor(0x0407).CompareNoCase(L"DE-DE"));
    EXPECT_EQ(0, settory::UiLanguageNameFor(0x0804).CompareNoCase(L"ZH-CN"));
    EXPECT_FALSE(settory::UiLanguageName().IsEmpty());
}

class RegistrationFile : public testing::Test {
protected:
    int Load(const std::string& xml, const wchar_t* language = L"de-DE") {
        holder = std::make_unique<COSLAppData>();
        holder->SetLanguageName(language);
        app = holder.get();
        return holder->LoadFile(folder.Write(L"app.xml", xml), folder.Schema());
    }
    RegistrationFolder folder;
    std::unique_ptr<COSLAppData> holder;
    COSLAppData* app = nullptr;
};

TEST_F(RegistrationFile, CompleteFileFillsEveryField) {
    testsupport::ScopedEnv var(L"OSTREL_TEST_DIR", folder.data.ProductFolder());
    ASSERT_EQ(0, Load(Registration(
                     "<AppName><String Type=\"EN-US\">Tool</String></AppName>"
                     "<Description><String Type=\"EN-US\">Line one\nLine two</String></Description>" +
                     folder.ProgramElement() +
                     "<AppOption>/quiet</AppOption><Folder>%OSTREL_TEST_DIR%</Folder>"
                     "<IconPath>%OSTREL_TEST_DIR%icon.ico</IconPath><IconIndex>-5</IconIndex>"
                     "<Category>255</Category><AppHide>2</AppHide>"
                     "<Help><String Type=\"EN-US\">tool.chm</String><HelpOption1>1</HelpOption1>"
                     "<HelpOption2>42</HelpOption2></Help>"
                     "<AppCheck><CheckPath>%OSTREL_TEST_DIR%probe.dll</CheckPath><CheckFunc>Probe</CheckFunc>"
                     "<Option1>3</Option1><Option2>4</Option2></AppCheck>")));
    EXPECT_EQ(CStringW(L"Tool"), app->m_strName);
    EXPECT_EQ(CStringW(L"Line one\nLine two"), app->m_strDescription);
    EXPECT_EQ(folder.program, app->m_strAppPath);
    EXPECT_EQ(CStringW(L"/quiet"), app->m_strOption);
    EXPECT_EQ(folder.data.ProductFolder(), app->m_strFolder);
    EXPECT_EQ(folder.data.ProductFolder() + L"icon.ico", app->m_strIconPath);
    EXPECT_EQ(static_cast<ULONG>(-5), app->m_ulIconIndex);
    EXPECT_EQ(255u, app->m_ulCategory);
    EXPECT_EQ(2u, app->m_ulHide);
    EXPECT_EQ(CStringW(L"tool.chm"), app->m_strHelpPath);
    EXPECT_EQ(1u, app->m_ulHelpOption1);
    EXPECT_EQ(42u, app->m_ulHelpOption2);
    EXPECT_EQ(folder.data.ProductFolder() + L"probe.dll", app->m_strCheckPath);
    EXPECT_EQ(CStringW(L"Probe"), app->m_strCheckFunc);
    EXPECT_EQ(3u, app->m_ulCheckOption1);
    EXPECT_EQ(4u, app->m_ulCheckOption2);
}

TEST_F(RegistrationFile, FilesThatFailToValidateOrLackTheirProgramAreRefused) {
    std::string path = folder.ProgramElement();
    struct {
        const char* why;
        std::string xml;
    } cases[] = {
        {"not well formed", Registration(path + "<AppName>")},
        {"empty", ""},
        {"another document", CurrentXml("")},
        {"unknown element", Registration(path + "<Bogus/>")},
        {"element twice", Registration(path + "<Category>1</Category><Category>2</Category>")},
        {"language child without Type", Registration(path + "<AppName><String>x</String></AppName>")},
        {"no AppPath", Registration("<Category>1</Category>")},
        {"empty AppPath", Registration("<AppPath></AppPath>")},
        {"AppPath failing its check", Registration("<AppPath Check=\"1-2-3-4\">" + Narrow(folder.program) +
                                                   "</AppPath>")},
        {"document type declaration",
         "<?xml version=\"1.0\"?><!DOCTYPE OSLSetting [<!ENTITY e \"x\">]><OSLSetting>" + path + "</OSLSetting>"},
    };
    for (const auto& c : cases) EXPECT_EQ(1, Load(c.xml)) << c.why;

    COSLAppData noSchema;
    EXPECT_EQ(1, noSchema.LoadFile(folder.Write(L"good.xml", Registration(path)),
                                   folder.data.SchemaFolder() + L"Missing.xsd"));
    EXPECT_EQ(0, Load(Registration(path))) << "the same file with its schema";
}

TEST_F(RegistrationFile, CheckAttribute_LetsTheTextResolveOnlyWhenItMatches) {
    testsupport::ScopedEnv var(L"OSTREL_TEST_DIR", L"C:\\Resolved");
    CStringW text = L"%OSTREL_TEST_DIR%\\work";
    std::string check = Narrow(settory::PathCheckString(text));
    std::string program = Narrow(folder.program);
    struct {
        std::string attribute;
        const wchar_t* folderField;
    } cases[] = {
        {"", L"C:\\Resolved\\work"},
        {" Check=\"\"", L"C:\\Resolved\\work"},
        {" Check=\"" + check + "\"", L"C:\\Resolved\\work"},
        {" Check=\"0-0-0-0\"", L"%OSTREL_TEST_DIR%\\work"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(0, Load(Registration("<AppPath>" + program + "</AppPath><Folder" + c.attribute +
                                       ">%OSTREL_TEST_DIR%\\work</Folder>")))
            << c.attribute;
        EXPECT_EQ(CStringW(c.folderField), app->m_strFolder) << c.attribute;
    }
    CStringW programCheck = settory::PathCheckString(folder.program);
    EXPECT_EQ(0, Load(Registration("<AppPath Check=\"" + Narrow(programCheck) + "\">" + program + "</AppPath>")));
}

TEST_F(RegistrationFile, LanguageChildren_UserLanguageWinsWhereverItStands) {
    std::string path = folder.ProgramElement();
    struct {
        const char* children;
        const wchar_t* language;
        const wchar_t* name;
    } cases[] = {
        {"<String Type=\"EN-US\">English</String><String Type=\"DE-DE\">Deutsch</String>", L"de-DE", L"Deutsch"},
        {"<String Type=\"DE-DE\">Deutsch</String><String Type=\"EN-US\">English</String>", L"de-DE", L"Deutsch"},
        {"<String Type=\"de-de\">Deutsch</String>", L"DE-DE", L"Deutsch"},
        {"<String Type=\"FR-FR\">Francais</String><String Type=\"EN-US\">English</String>", L"de-DE", L"English"},
        {"<String Type=\"FR-FR\">Francais</String>", L"de-DE", L""},
        {"", L"de-DE", L""},
        {"<String Type=\"ZH-TW\">tw</String><String Type=\"ZH-HK\">hk</String>", L"ZH-HK", L"hk"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(0, Load(Registration("<AppName>" + std::string(c.children) + "</AppName>" + path), c.language))
            << c.children;
        EXPECT_EQ(CStringW(c.name), app->m_strName) << c.children;
    }
}

TEST_F(RegistrationFile, StringPath_ReadsTheStringTableOfTheModule) {
    std::string module = Narrow(BinFile(L"EntryResources.dll"));
    std::string path = folder.ProgramElement();
    struct {
        std::string attribute;
        const wchar_t* name;
    } cases[] = {
        {module + ",5", L"Display tools"},
        {"  " + module + " ,  7 ", L"Adjusts the screen\nand the keyboard light"},
        {module + ",6", L""},   // no such string in the block
        {module + ",4000", L""},  // no such block
        {module + ",-5", L""},
        {module + ",x", L""},
        {module, L""},
        {Narrow(folder.data.ProductFolder()) + "missing.dll,5", L""},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(0, Load(Registration("<AppName StringPath=\"" + c.attribute +
                                       "\"><String Type=\"DE-DE\">ignored</String></AppName>" + path)))
            << c.attribute;
        EXPECT_EQ(CStringW(c.name), app->m_strName) << c.attribute;
    }
}

// A module's string table is outside data as much as the file naming it: counts that run past the
// resource give an empty text, and the strings before them are still read.
TEST_F(RegistrationFile, StringPath_TableCountsPastTheResourceGiveNothing) {
    std::string module = Narrow(BinFile(L"LyingStrings.dll"));
    std::string path = folder.ProgramElement();
    struct {
        const char* id;
        const wchar_t* name;
    } cases[] = {
        {"16", L""},  // claims 32767 characters
        {"17", L""},  // behind it
        {"32", L"AB"},
        {"33", L""},  // claims five, one left
        {"34", L""},
        {"47", L""},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(0, Load(Registration("<AppName StringPath=\"" + module + "," + c.id + "\"/>" + path))) << c.id;
        EXPECT_EQ(CStringW(c.name), app->m_strName) << c.id;
    }
}

TEST_F(RegistrationFile, Numbers_ReadAsTheirLeadingDecimal) {
    std::string path = folder.ProgramElement();
    struct {
        const char* text;
        ULONG value;
    } cases[] = {{"12", 12}, {"  7", 7}, {"-1", 0xFFFFFFFF}, {"abc", 0}, {"", 0}, {"3x", 3}};
    for (const auto& c : cases) {
        ASSERT_EQ(0, Load(Registration(path + "<Category>" + c.text + "</Category>"))) << c.text;
        EXPECT_EQ(c.value, app->m_ulCategory) << c.text;
    }
}

// The object through COM, in this thread's single-threaded apartment.
class RegApplicationCom : public testing::Test {
protected:
    static void SetUpTestSuite() {
        testsupport::ChildProcess regsvr(L"regsvr32.exe /s \"" + BinFile(L"Settory.dll") + L"\"");
        DWORD code = 1;
        ASSERT_TRUE(regsvr.WaitExit(60000, &code));
        ASSERT_EQ(0u, code);
    }
    void SetUp() override { ASSERT_TRUE(com_.Ok()); }
    base::ComPtr<IOSLRegApplication> Create() {
        base::ComPtr<IOSLRegApplication> apps;
        EXPECT_EQ(S_OK, ::CoCreateInstance(CLSID_COSLRegApplication, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IOSLRegApplication, apps.PutVoid()));
        return apps;
    }
    // Every name GetNextAppData hands out until it fails.
    static std::vector<CStringW> Walk(IOSLRegApplication* apps) {
        std::vector<CStringW> names;
        for (;;) {
            base::Bstr name;
            HRESULT hr = apps->GetNextAppData(name.Put());
            EXPECT_NE(nullptr, name.Get());
            if (hr != S_OK) break;
            names.emplace_back(name.CStr());
        }
        return names;
    }

    base::ComInit com_{COINIT_APARTMENTTHREADED};
    RegistrationFolder folder;
};

TEST_F(RegApplicationCom, EmptyFolder_NothingToWalkAndNothingToRead) {
    auto apps = Create();
    ASSERT_TRUE(apps);
    EXPECT_EQ(HRESULT(1), apps->Init());
    EXPECT_TRUE(Walk(apps.Get()).empty());
    ULONG number = 0;
    base::Bstr text;
    EXPECT_EQ(HRESULT(1), apps->GetCategory(&number));
    EXPECT_EQ(0xFFFFFFFFu, number);
    EXPECT_EQ(HRESULT(1), apps->GetFuncName(text.Put()));
    EXPECT_STREQ(L"", text.CStr());
}

TEST_F(RegApplicationCom, WalksValidFilesOnlyAndHandsOutTheirFields) {
    CStringW good = folder.Write(L"good.xml",
                                 Registration("<AppName><String Type=\"EN-US\">Good</String></AppName>" +
                                              folder.ProgramElement() + "<Category>4</Category>"));
    CStringW noProgram = folder.Write(
        L"noprogram.xml", Registration("<AppPath>" + Narrow(folder.data.ProductFolder()) + "gone.exe</AppPath>"));
    folder.Write(L"broken.xml", "<OSLSetting>");
    folder.Write(L"other.xmlx", Registration(folder.ProgramElement()));
    folder.data.WriteAllUsers(CurrentXml(""));  // the current-settings file shares the folder

    auto apps = Create();
    ASSERT_TRUE(apps);
    ASSERT_EQ(HRESULT(0), apps->Init());
    std::vector<CStringW> names = Walk(apps.Get());
    ASSERT_EQ(2u, names.size());
    EXPECT_NE(names[0], names[1]);
    for (const CStringW& name : names) EXPECT_TRUE(name == good || name == noProgram) << Narrow(name);

    ASSERT_EQ(HRESULT(0), apps->MoveToFirstApp());
    for (size_t i = 0; i < names.size(); ++i) {
        base::Bstr name, path, desc, folderText, icon;
        ASSERT_EQ(S_OK, apps->GetNextAppData(name.Put()));
        ULONG category = 0, index = 0;
        EXPECT_EQ(HRESULT(0), apps->GetCategory(&category));
        EXPECT_EQ(HRESULT(0), apps->GetFuncDesc(desc.Put())) << "a missing description reads as empty";
        EXPECT_EQ(HRESULT(1), apps->GetWorkFolder(folderText.Put())) << "no folder given";
        EXPECT_EQ(HRESULT(0), apps->GetAppIcon(icon.Put(), &index));
        EXPECT_EQ(0u, index);
        if (good == name.CStr()) {
            EXPECT_EQ(HRESULT(0), apps->GetAppPath(path.Put()));
            EXPECT_EQ(folder.program, CStringW(path.CStr()));
            base::Bstr display;
            EXPECT_EQ(HRESULT(0), apps->GetFuncName(display.Put()));
            EXPECT_STREQ(L"Good", display.CStr());
            EXPECT_EQ(4u, category);
        } else {
            EXPECT_EQ(HRESULT(1), apps->GetAppPath(path.Put())) << "the program does not exist";
            EXPECT_STREQ(L"", path.CStr());
        }
    }
    base::Bstr end;
    EXPECT_EQ(HRESULT(1), apps->GetNextAppData(end.Put()));
    ULONG hide = 0;
    EXPECT_EQ(HRESULT(1), apps->GetAppHide(&hide)) << "a failed move drops the current application";
}

TEST_F(RegApplicationCom, SecondInitListsEveryFileTwice) {
    folder.Write(L"a.xml", Registration(folder.ProgramElement()));
    folder.Write(L"b.xml", Registration(folder.ProgramElement()));
    auto apps = Create();
    ASSERT_TRUE(apps);
    EXPECT_EQ(HRESULT(0), apps->Init());
    EXPECT_EQ(HRESULT(0), apps->Init());
    EXPECT_EQ(4u, Walk(apps.Get()).size());
    EXPECT_TRUE(Walk(apps.Get()).empty());
    apps->MoveToFirstApp();
    EXPECT_EQ(4u, Walk(apps.Get()).size());
}

TEST_F(RegApplicationCom, MissingSchemaRefusesEveryFile) {
    folder.Write(L"a.xml", Registration(folder.ProgramElement()));
    ::DeleteFileW(folder.Schema());
    auto apps = Create();
    ASSERT_TRUE(apps);
    EXPECT_EQ(HRESULT(0), apps->Init());
    EXPECT_TRUE(Walk(apps.Get()).empty());
}

}  // namespace
