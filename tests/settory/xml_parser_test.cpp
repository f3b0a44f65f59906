#include "settory/xml_parser.h"

#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "settory/settory_fixture.h"

using settory::CXMLParser;
using namespace settorytest;

namespace {

class XmlParserTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, parser.Initialise()); }
    CStringW Write(const wchar_t* name, const std::string& xml) {
        CStringW path = folder.File(name);
        testsupport::WriteTextFile(path, xml);
        return path;
    }
    DataFolders data;
    testsupport::TempFolder folder;
    CXMLParser parser;
};

TEST_F(XmlParserTest, SetSchema_KeepsEarlierPath_WhenNameOrFileIsWrong) {
    CStringW good = data.SchemaFolder() + L"CurrentSetting.xsd";
    EXPECT_EQ(0, parser.SetSchema(good));
    CStringW notXsd = Write(L"schema.xml", "<a/>");
    for (const CStringW& bad : {folder.File(L"missing.XSD"), notXsd, CStringW()}) {
        EXPECT_EQ(14, parser.SetSchema(bad)) << bad.GetString();
        EXPECT_EQ(good, parser.SchemaPath());
    }
    CStringW upper = Write(L"UPPER.XSD", "x");
    EXPECT_EQ(0, parser.SetSchema(upper));
}

TEST_F(XmlParserTest, Load_AnswersEachFailureWithItsCode) {
    CXMLParser fresh;
    EXPECT_EQ(1, fresh.Load(Write(L"a.xml", CurrentXml(""))));

    EXPECT_EQ(10, parser.Load(Write(L"noschema.xml", CurrentXml(""))));
    ASSERT_EQ(0, parser.SetSchema(data.SchemaFolder() + L"CurrentSetting.xsd"));
    EXPECT_EQ(3, parser.Load(folder.File(L"missing.xml")));
    EXPECT_EQ(3, parser.Load(Write(L"broken.xml", "<CurrentSetting><Class")));
    EXPECT_EQ(3, parser.Load(Write(L"empty.xml", "")));

    EXPECT_EQ(9, parser.Load(Write(L"invalid.xml", "<CurrentSetting><Bogus/></CurrentSetting>")));
    EXPECT_EQ(nullptr, parser.Root());
    base::ComPtr<IXMLDOMNode> child;
    EXPECT_NE(S_OK, parser.Document()->get_firstChild(child.Put())) << "nothing of an invalid file is kept";

    EXPECT_EQ(0, parser.Load(Write(L"good.xml", CurrentXml(""))));
    EXPECT_NE(nullptr, parser.Root());
}

TEST_F(XmlParserTest, Load_RefusesDocumentTypeDeclarations) {
    ASSERT_EQ(0, parser.SetSchema(data.SchemaFolder() + L"CurrentSetting.xsd"));
    CStringW secret = Write(L"secret.txt", "TOPSECRET");
    CStringW url(secret);
    url.Replace(L"\\", L"/");
    std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE CurrentSetting [<!ENTITY x SYSTEM \"file:///";
    for (int i = 0; i < url.GetLength(); ++i) xml.push_back(static_cast<char>(url[i]));
    xml += "\">]>\n<CurrentSetting><Class ClassID=\"A0000000-0000-4000-8000-00000000000A\"><Item SettingID=\"1\">"
           "<SettingData>&x;</SettingData></Item></Class></CurrentSetting>";
    EXPECT_EQ(3, parser.Load(Write(L"doctype.xml", xml)));
    EXPECT_EQ(3, parser.Load(Write(L"plain-doctype.xml", "<!DOCTYPE CurrentSetting><CurrentSetting/>")));
}

TEST_F(XmlParserTest, Save_CreatesMissingFolder_AndLeavesNoTemporaryFile) {
    ASSERT_TRUE(parser.CreateRoot(L"CurrentSetting"));
    auto cls = parser.CreateChildElement(parser.Root(), L"Class");
    ASSERT_TRUE(cls);
    ASSERT_TRUE(CXMLParser::SetAttribute(cls.Get(), L"ClassID", kClassA));
    CStringW target = folder.File(L"new\\saved.xml");
    ASSERT_EQ(0, parser.Save(target));
    EXPECT_TRUE(testsupport::FileExists(target));
    EXPECT_EQ(0, CountFiles(folder.File(L"new\\"), L"*.tmp"));
    std::string text = testsupport::ReadTextFile(target);
    EXPECT_NE(std::string::npos, text.find("encoding='UTF-8'")) << text;

    CXMLParser reader;
    ASSERT_EQ(0, reader.Initialise());
    ASSERT_EQ(0, reader.SetSchema(data.SchemaFolder() + L"CurrentSetting.xsd"));
    EXPECT_EQ(0, reader.Load(target));

    EXPECT_EQ(17, parser.Save(folder.File(L"two\\levels\\saved.xml")));
}

TEST_F(XmlParserTest, Save_FailsWithoutTouchingTarget_WhenTemporaryCannotBeWritten) {
    CStringW target = Write(L"keep.xml", CurrentXml("<!-- old -->"));
    ASSERT_TRUE(::CreateDirectoryW(target + L".tmp", nullptr));
    ASSERT_TRUE(parser.CreateRoot(L"CurrentSetting"));
    EXPECT_EQ(4, parser.Save(target));
    EXPECT_EQ(CurrentXml("<!-- old -->"), testsupport::ReadTextFile(target));
}

// Checked on the list that the save builds and sets, since this Wine accepts an access list on a
// file but does not keep it.
TEST_F(XmlParserTest, Save_GrantsUsersFullAccess_KeepingTheFilesOwnEntries) {
    ASSERT_TRUE(parser.CreateRoot(L"CurrentSetting"));
    CStringW target = folder.File(L"granted.xml");
    ASSERT_EQ(0, parser.Save(target));
    PACL current = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::GetNamedSecurityInfoW(target, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                                     nullptr, &current, nullptr, &descriptor));
    base::UniqueLocal owner(descriptor);
    base::UniqueLocal built = settory::UsersFullAccessDacl(current);
    ASSERT_TRUE(built);
    PACL dacl = static_cast<PACL>(built.get());
    PSID users = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"S-1-5-32-545", &users));
    base::UniqueLocal usersOwner(users);
    auto holds = [](PACL acl, const ACCESS_ALLOWED_ACE& wanted, BYTE flags) {
        for (DWORD i = 0; i < acl->AceCount; ++i) {
            ACCESS_ALLOWED_ACE* ace = nullptr;
            if (::GetAce(acl, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == wanted.Header.AceType &&
                (ace->Header.AceFlags & flags) == flags && ::EqualSid(&ace->SidStart, const_cast<DWORD*>(&wanted.SidStart)) &&
                (ace->Mask & wanted.Mask) == wanted.Mask) {
                return true;
            }
        }
        return false;
    };
    std::vector<BYTE> wanted(sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(users));
    auto* usersAce = reinterpret_cast<ACCESS_ALLOWED_ACE*>(wanted.data());
    usersAce->Header.AceType = ACCESS_ALLOWED_ACE_TYPE;
    usersAce->Mask = 0x1F01FF;
    ASSERT_TRUE(::CopySid(::GetLengthSid(users), &usersAce->SidStart, users));
    EXPECT_TRUE(holds(dacl, *usersAce, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) << "full access for Users";
    for (DWORD i = 0; current && i < current->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(::GetAce(current, i, reinterpret_cast<void**>(&ace)));
        if (!::EqualSid(&ace->SidStart, users)) {
            EXPECT_TRUE(holds(dacl, *ace, 0)) << "entry " << i << " kept";
        }
    }
}

// The shipped schemas: what the format allows loads, what it forbids does not.
TEST_F(XmlParserTest, Schemas_AcceptTheFormat_AndRejectWhatItForbids) {
    const std::string cls = "<Class ClassID=\"A0000000-0000-4000-8000-00000000000A\">";
    struct Case {
        const wchar_t* schema;
        std::string xml;
        int expected;
    } cases[] = {
        {L"DefaultSetting.xsd", kStandardDefaults, 0},
        {L"DefaultSetting.xsd", "<DefaultSetting/>", 0},
        {L"CurrentSetting.xsd", CurrentXml(cls + "<Item SettingID=\"4\" bAllUser=\"1\" bEvent=\"0\">\n\t"
                                                 "<SettingData MachineID=\"-3\">x</SettingData>"
                                                 "<SettingData></SettingData></Item></Class>"), 0},
        {L"DefaultSetting.xsd", CurrentXml(""), 9},
        {L"CurrentSetting.xsd", "<DefaultSetting/>", 9},
        {L"CurrentSetting.xsd", CurrentXml("<Class><Item SettingID=\"1\"><SettingData/></Item></Class>"), 9},
        {L"CurrentSetting.xsd", CurrentXml("<Class ClassID=\"{A0000000-0000-4000-8000-00000000000A}\"/>"), 9},
        {L"CurrentSetting.xsd", CurrentXml(cls + "<Item SettingID=\"1\"/></Class>"), 9},
        {L"CurrentSetting.xsd", CurrentXml(cls + "<Item><SettingData/></Item></Class>"), 9},
        {L"CurrentSetting.xsd", CurrentXml(cls + "<Item SettingID=\"x\"><SettingData/></Item></Class>"), 9},
        {L"CurrentSetting.xsd", CurrentXml(cls + "<Item SettingID=\"1\" bAllUser=\"2\"><SettingData/></Item></Class>"), 9},
        {L"CurrentSetting.xsd", CurrentXml(cls + "<Item SettingID=\"1\"><SettingData MachineID=\"m\"/></Item></Class>"), 9},
        {L"CurrentSetting.xsd", CurrentXml(cls + "<Other/></Class>"), 9},
    };
    int n = 0;
    for (const Case& c : cases) {
        ASSERT_EQ(0, parser.SetSchema(data.SchemaFolder() + c.schema));
        CStringW name;
        name.Format(L"case%d.xml", n++);
        EXPECT_EQ(c.expected, parser.Load(Write(name, c.xml))) << c.xml;
    }
}

}  // namespace
