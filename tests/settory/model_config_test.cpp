// The machine id from the QorUtils stand-in and the model configuration that answers IsLoad, through
// the store code directly. Each case sets the machine id first, then drops the stores, so the next
// use binds the library again.
#include "settory/model_config.h"

#include <gtest/gtest.h>

#include "settory/identity.h"
#include "settory/machine_id.h"
#include "settory/settings_store.h"
#include "settory/settory_fixture.h"

using namespace settory;
using namespace settorytest;

namespace {

constexpr const wchar_t* kClassC = L"C0000000-0000-4000-8000-00000000000C";

const char kModelConfig[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ModelConfig>
  <Class ClassID="A0000000-0000-4000-8000-00000000000A"><MachineID>3</MachineID><MachineID>7</MachineID></Class>
  <Class ClassID="B0000000-0000-4000-8000-00000000000B"><MachineID>3</MachineID></Class>
  <Class ClassID="C0000000-0000-4000-8000-00000000000C"><MachineID>07</MachineID><MachineID>+7</MachineID><MachineID>-7</MachineID></Class>
</ModelConfig>
)";

class ModelConfigTest : public ::testing::Test {
protected:
    void SetUp() override { service::ResetStores(); }
    void TearDown() override { service::ResetStores(); }
    void WriteConfig(const wchar_t* name, const std::string& xml) {
        ::CreateDirectoryW(data.ConfigFolder(), nullptr);
        testsupport::WriteTextFile(data.ConfigFolder() + name, xml);
    }
    int IsLoad(const wchar_t* cls, int* flag) { return service::IsLoad(cls, flag); }

    DataFolders data;
};

TEST_F(ModelConfigTest, MachineId_ComesFromTheRegisteredLibrary_OrIsZero) {
    {
        MachineIdScope machine(7);
        service::ResetStores();
        EXPECT_EQ(7, CurrentMachineId());
    }
    {
        MachineIdScope noValue(-1);
        service::ResetStores();
        EXPECT_EQ(0, CurrentMachineId()) << "the library reports failure";
    }
    {
        MachineIdScope missing(7, L"NoSuchQorUtils.dll");
        service::ResetStores();
        EXPECT_EQ(0, CurrentMachineId());
    }
    {
        MachineIdScope incomplete(7, L"QorUtilsIncomplete.dll");
        service::ResetStores();
        EXPECT_EQ(0, CurrentMachineId()) << "one export missing";
        EXPECT_EQ(nullptr, ::GetModuleHandleW(testsupport::BinFile(L"QorUtilsIncomplete.dll")))
            << "an incomplete library is freed at once";
    }
}

TEST_F(ModelConfigTest, Library_StaysLoadedWithOneReference_AndIsDetachedOnRelease) {
    MachineIdScope machine(7);
    service::ResetStores();
    ASSERT_EQ(7, CurrentMachineId());
    HMODULE library = ::GetModuleHandleW(testsupport::BinFile(L"QorUtils.dll"));
    ASSERT_NE(nullptr, library) << "kept loaded between uses";
    using CountFn = LONG(WINAPI*)();
    auto references = reinterpret_cast<CountFn>(::GetProcAddress(library, "QuReferenceCount"));
    ASSERT_NE(nullptr, references);
    EXPECT_EQ(1, references()) << "AddRef once, however many uses";
    {
        QorUtilsUse use;
        EXPECT_TRUE(use.Bound());
        EXPECT_EQ(7, use.MachineId());
        EXPECT_EQ(1, references());
    }
    EXPECT_NE(nullptr, ::GetModuleHandleW(testsupport::BinFile(L"QorUtils.dll"))) << "the first use's count holds it";

    // Held by a use of our own across the release, the library can be seen being detached.
    base::UniqueModule held(::LoadLibraryW(testsupport::BinFile(L"QorUtils.dll")));
    auto detaches = reinterpret_cast<CountFn>(::GetProcAddress(held.get(), "QuDetachCount"));
    ASSERT_NE(nullptr, detaches);
    LONG before = detaches();
    ReleaseMachineIdProvider();
    EXPECT_EQ(0, references()) << "RemoveRef";
    EXPECT_EQ(before + 1, detaches()) << "QuDetach";
}

TEST_F(ModelConfigTest, IsLoad_WithoutFiles_Returns1_AndLeavesTheFlag) {
    int flag = 42;
    EXPECT_EQ(1, IsLoad(kClassA, &flag));
    EXPECT_EQ(42, flag);
    ::CreateDirectoryW(data.ConfigFolder(), nullptr);
    EXPECT_EQ(1, IsLoad(kClassA, &flag)) << "an empty folder";
    EXPECT_EQ(42, flag);
}

TEST_F(ModelConfigTest, IsLoad_MatchesExactClassAndExactMachineText) {
    MachineIdScope machine(7);
    service::ResetStores();
    WriteConfig(L"ModelConfig.xml", kModelConfig);
    struct Case {
        const wchar_t* cls;
        int result;
        int flag;
    } cases[] = {
        {kClassA, 0, 1},                                  // listed for 7 among others
        {kClassB, 0, 0},                                  // listed for another machine
        {kClassC, 0, 0},                                  // "07", "+7" and "-7" are not "7"
        {L"a0000000-0000-4000-8000-00000000000a", 0, 0},  // letter case counts
        {L"D0000000-0000-4000-8000-00000000000D", 0, 0},  // in no file
        {L"{A0000000-0000-4000-8000-00000000000A}", 1, 42},
    };
    for (const Case& c : cases) {
        int flag = 42;
        EXPECT_EQ(c.result, IsLoad(c.cls, &flag)) << c.cls;
        EXPECT_EQ(c.flag, flag) << c.cls;
    }
}

TEST_F(ModelConfigTest, IsLoad_SeesEveryFile_AndABrokenFileLeavesTheFlag) {
    MachineIdScope machine(3);
    service::ResetStores();
    WriteConfig(L"ModelConfig.xml", kModelConfig);
    WriteConfig(L"ModelConfigMore.xml",
                "<ModelConfig><Class ClassID=\"C0000000-0000-4000-8000-00000000000C\"><MachineID>3</MachineID>"
                "</Class></ModelConfig>");
    int flag = 42;
    EXPECT_EQ(0, IsLoad(kClassC, &flag));
    EXPECT_EQ(1, flag) << "the class listed again in the second file";

    service::ResetStores();
    WriteConfig(L"ModelConfigMore.xml", "<ModelConfig><Class/></ModelConfig>");
    flag = 42;
    EXPECT_EQ(0, IsLoad(kClassA, &flag)) << "no store";
    EXPECT_EQ(42, flag);
}

TEST_F(ModelConfigTest, RealMachineId_PicksItsSettingData_AndStampsTheCurrentFile) {
    MachineIdScope machine(7);
    service::ResetStores();
    wchar_t buffer[kValueCapacity] = {};
    ASSERT_EQ(kOk, service::GetCurrentValueEx(kClassA, kMachinePick, buffer));
    EXPECT_STREQ(L"seven", buffer);
    ASSERT_EQ(kOk, service::GetDefaultValueEx(kClassA, kOtherMachine, buffer));
    EXPECT_STREQ(L"70", buffer);

    data.WriteAllUsers(CurrentXml(
        "<Class ClassID=\"A0000000-0000-4000-8000-00000000000A\"><Item SettingID=\"7\" bAllUser=\"1\">"
        "<SettingData MachineID=\"0\">cur-zero</SettingData><SettingData MachineID=\"7\">cur-seven</SettingData>"
        "</Item></Class>"));
    service::ResetStores();
    ASSERT_EQ(kOk, service::GetCurrentValueEx(kClassA, kMachinePick, buffer));
    EXPECT_STREQ(L"cur-seven", buffer);
    PendingList pending;
    service::QueueWrite(pending, kClassA, kMachinePick, L"new-seven");
    ASSERT_EQ(kOk, service::UpdateCurrentSetting(pending));
    std::string saved = testsupport::ReadTextFile(data.AllUsersFile());
    EXPECT_NE(std::string::npos, saved.find("cur-zero")) << saved;
    EXPECT_NE(std::string::npos, saved.find("new-seven")) << saved;

    ::DeleteFileW(data.AllUsersFile());
    service::ResetStores();
    service::QueueWrite(pending, kClassA, kAllUsersInt, L"11");
    ASSERT_EQ(kOk, service::UpdateCurrentSetting(pending));
    EXPECT_NE(std::string::npos, testsupport::ReadTextFile(data.AllUsersFile()).find("MachineID=\"7\""))
        << "a new current file names the machine";
}

}  // namespace
