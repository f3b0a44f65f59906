// XML-registered applications end to end: real registration files in a temporary data folder, the
// real settings service in process, entries appended to a real catalogue.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "catalogue/start_location.h"
#include "catalogue/xml_registered_application.h"
#include "common/administrator.h"
#include "xmlapps_fixture.h"

namespace {

using namespace xmlappstest;

BOOL Administrator(BOOL* answer) {
    *answer = TRUE;
    return TRUE;
}
BOOL StandardUser(BOOL* answer) {
    *answer = FALSE;
    return TRUE;
}
BOOL CheckFails(BOOL*) { return FALSE; }

class XmlApplications : public RegistrationTest {
protected:
    void SetUp() override {
        RegistrationTest::SetUp();
        previous_ = ostrel::SetAdministratorCheck(Administrator);
    }
    void TearDown() override { ostrel::SetAdministratorCheck(previous_); }
    ostrel::AdministratorCheck previous_ = nullptr;
};

TEST_F(XmlApplications, CompleteFileBecomesAnEntry) {
    std::string bin = Narrow(testsupport::BinFolder());
    CStringW help = folder.Write(L"tool.chm", "help");
    CStringW file = folder.Write(
        L"tool.xml",
        Registration(Name("Tool") + "<Description><String Type=\"EN-US\">first\\nsecond\nthird</String></Description>" +
                     folder.ProgramElement() + "<AppOption>/quiet</AppOption><Folder>" + bin +
                     "</Folder><IconPath>" + bin + "\\EntryResources.dll</IconPath><IconIndex>-5</IconIndex>"
                     "<Category>3</Category><Help><String Type=\"EN-US\">" + Narrow(help) +
                     "</String><HelpOption1>1</HelpOption1><HelpOption2>42</HelpOption2></Help>"));
    std::vector<CXMLRegisteredApplication*> entries = Enumerate();
    ASSERT_EQ(1u, entries.size());
    CXMLRegisteredApplication& e = *entries[0];
    EXPECT_EQ(file, e.m_strKey);
    EXPECT_EQ(CStringW(L"Tool"), e.m_strName);
    EXPECT_EQ(folder.program, e.m_strAppPath);
    EXPECT_EQ(CStringW(L"/quiet"), e.m_strAppOption);
    EXPECT_EQ(testsupport::BinFolder(), e.m_strFolder);
    EXPECT_EQ(3u, e.m_nCategory);
    EXPECT_EQ(CStringW(L"first\r\nsecond\r\nthird"), e.m_strDescription);
    EXPECT_EQ(CStringW(L"second\r"), e.GetDescriptionLine(1));
    EXPECT_EQ(-5, e.m_nIconIndex);
    EXPECT_EQ(help, e.m_strHelpPath);
    EXPECT_EQ(1u, e.m_nHelpOption1);
    EXPECT_EQ(42u, e.m_nHelpOption2);
    EXPECT_EQ(ENTRY_XML_APP, e.GetEntryType());
    EXPECT_EQ(2, e.GetPriority());
    HICON icon = e.LoadAppIcon(32);
    EXPECT_NE(nullptr, icon) << "icon group 5 of the resource module";
    if (icon) ::DestroyIcon(icon);
}

TEST_F(XmlApplications, CategoryIconAndHelpDefaults) {
    folder.Write(L"a.xml", Registration(Name("A") + folder.ProgramElement() +
                                        "<Category>255</Category><Help><HelpOption1>3</HelpOption1></Help>"));
    std::vector<CXMLRegisteredApplication*> entries = Enumerate();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(14u, entries[0]->m_nCategory) << "255 is listed under 14";
    EXPECT_EQ(folder.program, entries[0]->m_strIconPath) << "no icon path: the program's own icon";
    EXPECT_EQ(0u, entries[0]->m_nHelpOption1) << "a help file that does not exist brings no options";
}

TEST_F(XmlApplications, HideModeForAdministratorAndStandardUser) {
    folder.Write(L"hidden.xml", Registration(Name("Hidden") + folder.ProgramElement() + "<AppHide>1</AppHide>"));
    folder.Write(L"admin.xml", Registration(Name("AdminOnly") + folder.ProgramElement() + "<AppHide>2</AppHide>"));
    folder.Write(L"other.xml", Registration(Name("Other") + folder.ProgramElement() + "<AppHide>3</AppHide>"));
    struct {
        ostrel::AdministratorCheck check;
        std::vector<std::string> listed;
    } cases[] = {
        {Administrator, {"AdminOnly", "Other"}},
        {StandardUser, {"Other"}},
        {CheckFails, {"AdminOnly", "Other"}},
    };
    for (const auto& c : cases) {
        ostrel::SetAdministratorCheck(c.check);
        EXPECT_EQ(c.listed, Names(Enumerate()));
    }
}

TEST_F(XmlApplications, FailingFilesAndProgramsRemoveOnlyTheirEntry) {
    folder.Write(L"good.xml", Registration(Name("Good") + folder.ProgramElement()));
    folder.Write(L"broken.xml", Registration(Name("Broken") + folder.ProgramElement()).substr(0, 60));
    folder.Write(L"invalid.xml", Registration(Name("Invalid") + folder.ProgramElement() + "<Unknown/>"));
    folder.Write(L"gone.xml", Registration(Name("Gone") + "<AppPath>" + Narrow(folder.data) + "\\gone.exe</AppPath>"));
    folder.Write(L"badcheck.xml",
                 Registration(Name("BadCheck") + "<AppPath Check=\"1-1-1-1\">" + Narrow(folder.program) + "</AppPath>"));
    folder.Write(L"probe.xml", Registration(Name("NoModule") + folder.ProgramElement() +
                                            "<AppCheck><CheckFunc>ProbeSum</CheckFunc></AppCheck>"));
    EXPECT_EQ((std::vector<std::string>{"Good", "NoModule"}), Names(Enumerate()));
}

TEST_F(XmlApplications, ProgramsAndHelpNamedByAFileStartOnlyFromFoldersUsersCannotWrite) {
    CStringW bin = testsupport::BinFolder();
    CStringW installed = testsupport::BinFile(L"EntryResources.dll");
    struct {
        const wchar_t* name;
        CStringW program;
        CStringW workFolder;
        CStringW refused;  // the path the user is shown, empty when the program starts
    } cases[] = {
        {L"Planted", folder.program, L"", folder.program},
        {L"Installed", installed, L"", L""},
        {L"InstalledInItsFolder", installed, bin + L"\\", L""},
        {L"InstalledInAPlantedFolder", installed, folder.data, folder.data},
    };
    for (const auto& c : cases) {
        std::string workFolder = c.workFolder.IsEmpty() ? "" : "<Folder>" + Narrow(c.workFolder) + "</Folder>";
        folder.Write(CStringW(c.name) + L".xml",
                     Registration(Name(Narrow(c.name)) + "<AppPath>" + Narrow(c.program) + "</AppPath>" + workFolder));
    }
    std::vector<CXMLRegisteredApplication*> entries = Enumerate();
    ASSERT_EQ(std::size(cases), entries.size());
    for (const auto& c : cases) {
        for (CXMLRegisteredApplication* e : entries) {
            if (e->m_strName != c.name) continue;
            CStringW refusal = ostrel::LaunchRefusal(*e);
            EXPECT_EQ(c.refused.IsEmpty(), refusal.IsEmpty()) << Narrow(c.name);
            EXPECT_GE(refusal.Find(c.refused), 0) << Narrow(c.name);
        }
    }
    // Help files are judged where they will be opened from.
    EXPECT_FALSE(ostrel::HelpRefusal(*entries[0], folder.data + L"\\tool.chm").IsEmpty());
    EXPECT_TRUE(ostrel::HelpRefusal(*entries[0], bin + L"\\tool.chm::/start.htm").IsEmpty());
    EXPECT_FALSE(ostrel::HelpRefusal(*entries[0], folder.data + L"\\tool.chm::/start.htm").IsEmpty());
    // An application an administrator registered in HKEY_LOCAL_MACHINE starts from anywhere.
    CRegisteredApplication registry;
    registry.m_strAppPath = folder.program;
    EXPECT_TRUE(ostrel::LaunchRefusal(registry).IsEmpty());
    EXPECT_TRUE(ostrel::HelpRefusal(registry, folder.data + L"\\tool.chm").IsEmpty());
}

TEST_F(XmlApplications, NothingToEnumerate_NoEntries) {
    EXPECT_TRUE(Enumerate().empty()) << "empty folder: Init fails";
    CCatalogue catalogue;
    AppendXmlRegisteredApplications(catalogue, nullptr);
    EXPECT_EQ(0u, catalogue.Count());

    folder.Write(L"broken.xml", "<OSLSetting>");
    EXPECT_TRUE(Enumerate().empty()) << "GetNextAppData fails at once";
}

}  // namespace
