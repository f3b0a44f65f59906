#include <gtest/gtest.h>

#include <vector>

#include "base/handles.h"
#include "catalogue/registered_application.h"
#include "catalogue/registry_values.h"
#include "common/administrator.h"
#include "support/fixtures.h"

namespace {

using testsupport::BinFile;

BOOL Administrator(BOOL* answer) {
    *answer = TRUE;
    return TRUE;
}
BOOL StandardUser(BOOL* answer) {
    *answer = FALSE;
    return TRUE;
}
BOOL CheckFails(BOOL*) { return FALSE; }

void SetString(HKEY key, const wchar_t* name, const CStringW& value, DWORD type = REG_SZ) {
    ::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.GetString()),
                     static_cast<DWORD>((value.GetLength() + 1) * sizeof(wchar_t)));
}
void SetRaw(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
}
void SetDword(HKEY key, const wchar_t* name, DWORD value) { SetRaw(key, name, REG_DWORD, &value, sizeof(value)); }

// The colour at the centre of an icon drawn at size x size on black.
COLORREF CentreColour(HICON icon, int size) {
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    base::UniqueDc dc(::CreateCompatibleDC(nullptr));
    base::UniqueGdiObject bitmap(::CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    HGDIOBJ old = ::SelectObject(dc.get(), bitmap.get());
    ::DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    DWORD pixel = static_cast<DWORD*>(bits)[(size / 2) * size + size / 2];
    ::SelectObject(dc.get(), old);
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

class RegisteredApplications : public testing::Test {
protected:
    void SetUp() override {
        ostrel::SetProductKeyForTests(HKEY_CURRENT_USER, scratch_.SubkeyPath());
        previousCheck_ = ostrel::SetAdministratorCheck(Administrator);
    }
    void TearDown() override {
        ostrel::SetProductKeyForTests(nullptr, nullptr);
        ostrel::SetAdministratorCheck(previousCheck_);
    }

    // A subkey with the three required values; tests add or remove what they look at.
    HKEY App(const wchar_t* name) {
        HKEY key = nullptr;
        ::RegCreateKeyExW(scratch_.Get(), name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        keys_.emplace_back(key);
        SetString(key, L"AppName", L"Tool");
        SetString(key, L"AppPath", L"\"C:\\Program Files\\Tool\\tool.exe\"");
        SetDword(key, L"Category", 3);
        return key;
    }
    int Read(const wchar_t* name, CRegisteredApplication* entry = nullptr) {
        CRegisteredApplication local;
        return (entry ? entry : &local)->ReadFromRegistry(name);
    }

    testsupport::ScratchKey scratch_;
    std::vector<base::UniqueHKey> keys_;
    ostrel::AdministratorCheck previousCheck_ = nullptr;
};

TEST_F(RegisteredApplications, CompleteSubkeyFillsTheEntry) {
    HKEY key = App(L"Tool");
    SetString(key, L"AppOption", L"/quiet");
    SetString(key, L"Folder", L"C:\\Work");
    SetString(key, L"HelpPath", L"tool.chm");
    SetDword(key, L"HelpOption1", 1);
    SetDword(key, L"HelpOption2", 42);
    SetDword(key, L"IconIndex", static_cast<DWORD>(-3));
    CRegisteredApplication entry;
    ASSERT_EQ(1, entry.ReadFromRegistry(L"Tool"));
    EXPECT_STREQ(L"Tool", entry.m_strKey);
    EXPECT_STREQ(L"Tool", entry.m_strName);
    EXPECT_STREQ(L"/quiet", entry.m_strAppOption);
    EXPECT_STREQ(L"C:\\Work", entry.m_strFolder);
    EXPECT_EQ(3u, entry.m_nCategory);
    EXPECT_EQ(-3, entry.m_nIconIndex);
    EXPECT_EQ(1u, entry.m_nHelpOption1);
    EXPECT_EQ(42u, entry.m_nHelpOption2);
    // An empty or missing icon path means the application's own icon.
    EXPECT_STREQ(entry.m_strAppPath, entry.m_strIconPath);
    EXPECT_EQ(ENTRY_REGISTRY_APP, entry.GetEntryType());
    EXPECT_EQ(2, entry.GetPriority());
}

TEST_F(RegisteredApplications, MissingRequiredValuesDiscardTheEntry) {
    for (const wchar_t* value : {L"AppName", L"AppPath", L"Category"}) {
        HKEY key = App(value);
        ::RegDeleteValueW(key, value);
        EXPECT_EQ(0, Read(value)) << value;
    }
    EXPECT_EQ(0, Read(L"NoSuchKey"));
}

TEST_F(RegisteredApplications, HideModeAgainstAdministratorAndStandardUser) {
    SetDword(App(L"Hidden"), L"AppHide", 1);
    SetDword(App(L"AdminOnly"), L"AppHide", 2);
    SetDword(App(L"Other"), L"AppHide", 3);
    struct {
        ostrel::AdministratorCheck check;
        int hidden, adminOnly, other;
    } cases[] = {{Administrator, 0, 1, 1}, {StandardUser, 0, 0, 1}, {CheckFails, 0, 1, 1}};
    for (const auto& c : cases) {
        ostrel::SetAdministratorCheck(c.check);
        EXPECT_EQ(c.hidden, Read(L"Hidden"));
        EXPECT_EQ(c.adminOnly, Read(L"AdminOnly"));
        EXPECT_EQ(c.other, Read(L"Other"));
    }
    // Visibility applies the same rule when the tree is built.
    ostrel::SetAdministratorCheck(Administrator);
    CRegisteredApplication entry;
    ASSERT_EQ(1, entry.ReadFromRegistry(L"AdminOnly"));
    EXPECT_TRUE(entry.IsVisible());
    ostrel::SetAdministratorCheck(StandardUser);
    EXPECT_FALSE(entry.IsVisible());
}

TEST_F(RegisteredApplications, AvailabilityProbeDecidesByItsResult) {
    CStringW library = BinFile(L"ProbeLibrary.dll");
    CStringW hostile = BinFile(L"TestPlugin_hostile.dll");
    struct {
        const wchar_t* name;
        CStringW probe;  // empty: AppCheck without AppCheckFunc
        int listed;
    } cases[] = {
        {L"NoFunc", L"", 1},
        {L"ThreeParts", library + L", ProbeSum, 1", 1},
        {L"FourPartsZero", library + L",ProbeSum,2,-2", 0},
        {L"FourPartsNonZero", library + L" , ProbeSum , 2 , 5 ", 1},
        {L"TwoParts", library + L",ProbeSum", 0},
        {L"FiveParts", library + L",ProbeSum,1,2,3", 0},
        {L"ReturnsZero", library + L",ProbeNever,1", 0},
        {L"NoFunction", library + L",NoSuchExport,1", 0},
        {L"NoModule", L"C:\\nowhere\\missing.dll,ProbeSum,1", 0},
        {L"Throws", hostile + L",HostileProbe,1", 0},
    };
    for (const auto& c : cases) {
        HKEY key = App(c.name);
        SetDword(key, L"AppCheck", 1);
        if (!c.probe.IsEmpty()) SetString(key, L"AppCheckFunc", c.probe);
        EXPECT_EQ(c.listed, Read(c.name)) << c.name;
    }
    HKEY key = App(L"CheckOff");
    SetDword(key, L"AppCheck", 0);
    SetString(key, L"AppCheckFunc", library + L",ProbeNever,1");
    EXPECT_EQ(1, Read(L"CheckOff"));
}

TEST_F(RegisteredApplications, IndirectNamesResolveFromModulesAndReferences) {
    CStringW module = BinFile(L"EntryResources.dll");
    HKEY paths = App(L"Paths");
    SetString(paths, L"Res", module);
    CStringW reference = L"HKEY_CURRENT_USER\\" + scratch_.SubkeyPath() + L"\\Paths\\Res";
    struct {
        const wchar_t* key;
        CStringW name;
        int listed;
        const wchar_t* shown;
    } cases[] = {
        {L"Literal", L"@@word", 1, L"@word"},
        {L"Positive", L"@" + module + L",5", 0, L""},
        {L"Negative", L"@" + module + L", -5", 1, L"Display tools"},
        {L"ThroughReference", L"@" + reference + L",-5", 1, L"Display tools"},
        {L"MissingString", L"@" + module + L",-99", 1, L""},
        {L"MissingModule", L"@C:\\nowhere\\x.dll,-5", 1, L""},
        {L"ThreeParts", L"@" + module + L",-5,1", 0, L""},
        {L"NotANumber", L"@" + module + L",minus", 0, L""},
        {L"Plain", L"Display", 1, L"Display"},
    };
    for (const auto& c : cases) {
        SetString(App(c.key), L"AppName", c.name);
        CRegisteredApplication entry;
        EXPECT_EQ(c.listed, entry.ReadFromRegistry(c.key)) << c.key;
        if (c.listed) {
            EXPECT_STREQ(c.shown, entry.m_strName) << c.key;
        }
    }
}

TEST_F(RegisteredApplications, DescriptionLinesFromEscapesLineFeedsAndStrings) {
    struct {
        const wchar_t* key;
        CStringW description;
        const wchar_t* lines[4];
    } cases[] = {
        {L"Escaped", L"first\\nsecond", {L"first\r", L"second", L"", L""}},
        {L"LineFeeds", L"a\nb\nc\nd", {L"a\r", L"b\r", L"c\r", L""}},
        {L"Single", L"only", {L"only", L"", L"", L""}},
        {L"FromModule", L"@" + BinFile(L"EntryResources.dll") + L",-7", {L"Adjusts the screen\r", L"and the keyboard light", L"", L""}},
        {L"Unresolvable", L"@" + BinFile(L"EntryResources.dll") + L",7", {L"", L"", L"", L""}},
    };
    for (const auto& c : cases) {
        SetString(App(c.key), L"Description", c.description);
        CRegisteredApplication entry;
        ASSERT_EQ(1, entry.ReadFromRegistry(c.key)) << c.key;
        for (int line = 0; line < 4; ++line) {
            EXPECT_STREQ(c.lines[line], entry.GetDescriptionLine(line)) << c.key << " line " << line;
        }
        EXPECT_STREQ(L"", entry.GetDescriptionLine(-1));
    }
}

TEST_F(RegisteredApplications, IconsFromFilesGroupsAndTheFirstGroup) {
    testsupport::TempFolder folder;
    CStringW upper = folder.File(L"RED.ICO");
    ASSERT_TRUE(::CopyFileW(BinFile(L"testdata\\red.ico"), upper, FALSE));
    CStringW module = BinFile(L"EntryResources.dll");
    struct {
        CStringW path;
        int index;
        int size;
        COLORREF colour;
    } cases[] = {
        {upper, 0, 32, RGB(255, 0, 0)},
        {L"\"" + upper + L"\"", 0, 16, RGB(255, 0, 0)},
        {module, 5, 32, RGB(0, 0, 255)},
        {module, -5, 16, RGB(0, 0, 255)},
        {module, 0, 32, RGB(255, 0, 0)},
        {module, 9, 32, RGB(0, 255, 0)},
    };
    for (const auto& c : cases) {
        CRegisteredApplication entry;
        entry.m_strIconPath = c.path;
        entry.m_nIconIndex = c.index;
        base::UniqueIcon icon(entry.LoadAppIcon(c.size));
        ASSERT_TRUE(icon.valid()) << c.path.GetString() << " " << c.index;
        EXPECT_EQ(c.colour, CentreColour(icon.get(), c.size)) << c.path.GetString() << " " << c.index;
    }
    CRegisteredApplication missing;
    missing.m_strIconPath = folder.File(L"none.dll");
    missing.m_nIconIndex = 5;
    EXPECT_EQ(nullptr, missing.LoadAppIcon(32));
}

TEST_F(RegisteredApplications, IconPathFromARegistryReference) {
    HKEY paths = App(L"Paths");
    SetString(paths, L"Icon", L"%SystemRoot%\\icon.dll", REG_EXPAND_SZ);
    SetString(App(L"Ref"), L"IconPath", L"HKEY_CURRENT_USER\\" + scratch_.SubkeyPath() + L"\\Paths\\Icon");
    CRegisteredApplication entry;
    ASSERT_EQ(1, entry.ReadFromRegistry(L"Ref"));
    wchar_t expected[MAX_PATH] = {};
    ::ExpandEnvironmentStringsW(L"%SystemRoot%\\icon.dll", expected, MAX_PATH);
    EXPECT_STREQ(expected, entry.m_strIconPath);
    EXPECT_STREQ(L"", ostrel::ResolveRegistryReference(L"HKEY_NOWHERE\\x\\y"));
    EXPECT_STREQ(L"", ostrel::ResolveRegistryReference(L"hkey_current_user\\x\\y"));
    EXPECT_STREQ(L"", ostrel::ResolveRegistryReference(L"HKEY_CURRENT_USER"));
}

TEST_F(RegisteredApplications, UntrustedValueDataNeverReadsPastItsBuffer) {
    // A name without terminator, exactly as long as its data.
    HKEY key = App(L"NoTerminator");
    const wchar_t raw[] = {L'N', L'a', L'm', L'e'};
    SetRaw(key, L"AppName", REG_SZ, raw, sizeof(raw));
    CRegisteredApplication entry;
    ASSERT_EQ(1, entry.ReadFromRegistry(L"NoTerminator"));
    EXPECT_STREQ(L"Name", entry.m_strName);

    SetString(App(L"TooLong"), L"AppName", CStringW(L'x', 1100));
    EXPECT_EQ(0, Read(L"TooLong"));
    SetString(App(L"Longest"), L"AppName", CStringW(L'x', 1023));
    EXPECT_EQ(1, Read(L"Longest"));

    key = App(L"WrongType");
    BYTE binary[] = {1, 2, 3};
    SetRaw(key, L"AppName", REG_BINARY, binary, sizeof(binary));
    ASSERT_EQ(1, Read(L"WrongType", &entry));
    EXPECT_STREQ(L"", entry.m_strName);

    key = App(L"Multi");
    const wchar_t multi[] = L"one\0two\0";
    SetRaw(key, L"AppName", REG_MULTI_SZ, multi, sizeof(multi));
    CRegisteredApplication multiEntry;
    ASSERT_EQ(1, multiEntry.ReadFromRegistry(L"Multi"));
    EXPECT_STREQ(L"one\ntwo", multiEntry.m_strName);

    key = App(L"WideCategory");
    ULONGLONG wide = 5;
    SetRaw(key, L"Category", REG_QWORD, &wide, sizeof(wide));
    EXPECT_EQ(0, Read(L"WideCategory"));
    key = App(L"NarrowCategory");
    WORD narrow = 6;
    SetRaw(key, L"Category", REG_BINARY, &narrow, sizeof(narrow));
    CRegisteredApplication narrowEntry;
    ASSERT_EQ(1, narrowEntry.ReadFromRegistry(L"NarrowCategory"));
    EXPECT_EQ(6u, narrowEntry.m_nCategory);
}

TEST_F(RegisteredApplications, ReadByIndexWalksSubkeysUntilTheEnd) {
    App(L"A");
    ::RegDeleteValueW(App(L"B"), L"AppPath");
    App(L"C");
    std::vector<int> results;
    for (DWORD i = 0; i < 10; ++i) {
        CRegisteredApplication entry;
        int r = entry.ReadByIndex(i);
        results.push_back(r);
        if (r == 2) break;
    }
    EXPECT_EQ((std::vector<int>{1, 0, 1, 2}), results);
    ostrel::SetProductKeyForTests(HKEY_CURRENT_USER, L"Software\\OstrelTests\\NoSuchProduct");
    CRegisteredApplication entry;
    EXPECT_EQ(2, entry.ReadByIndex(0));
}

}  // namespace
