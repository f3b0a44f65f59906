// A writer killed at any moment leaves a current-settings file that loads and holds either the value
// before or a value after: saves go to a temporary file and replace the target in one rename.
#include <gtest/gtest.h>

#include <random>

#include "settory/settory_fixture.h"
#include "settory/xml_parser.h"

using namespace settorytest;

namespace {

// Bounded so the default run stays short; each round starts a process, lets it save and kills it.
constexpr int kRounds = 40;

TEST(SettoryCrashSafety, KilledWriter_AlwaysLeavesALoadableFileWithTheOldOrANewValue) {
    DataFolders data;
    // The probe registers nothing; Settory must already be registered (regsvr32 in settory_com_test,
    // or the installer). Register here as well so this program also runs alone.
    testsupport::ChildProcess regsvr(L"regsvr32.exe /s \"" + testsupport::BinFile(L"Settory.dll") + L"\"");
    ASSERT_TRUE(regsvr.WaitExit(60000));

    std::mt19937 random(12345);
    long long lastSeen = 0;
    int sawNewValue = 0;
    for (int round = 1; round <= kRounds; ++round) {
        SCOPED_TRACE(round);
        CStringW readyName = testsupport::UniqueName(L"Local\\writer-ready");
        base::UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, readyName));
        long long first = static_cast<long long>(round) * 1000000;
        CStringW command;
        command.Format(L"\"%s\" writer-loop %s %d %lld %s", testsupport::BinFile(L"settory_probe.exe").GetString(),
                       kClassA, kAllUsersInt, first, readyName.GetString());
        testsupport::ChildProcess writer(command);
        ASSERT_TRUE(writer.Started());
        ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready.get(), 20000)) << "the writer saved once";
        // Let it run into the middle of some later save, at a different moment each round.
        ::WaitForSingleObject(writer.Handle(), std::uniform_int_distribution<DWORD>(0, 60)(random));
        writer.Kill();

        settory::CXMLParser parser;
        ASSERT_EQ(0, parser.Initialise());
        ASSERT_EQ(0, parser.SetSchema(data.SchemaFolder() + L"CurrentSetting.xsd"));
        ASSERT_EQ(0, parser.Load(data.AllUsersFile())) << testsupport::ReadTextFile(data.AllUsersFile());
        std::string text = testsupport::ReadTextFile(data.AllUsersFile());
        size_t at = text.find("<SettingData>");
        ASSERT_NE(std::string::npos, at) << text;
        long long value = std::atoll(text.c_str() + at + 13);
        EXPECT_GE(value, first) << "this round's writer saved at least once";
        EXPECT_LT(value, first + 1000000);
        EXPECT_GT(value, lastSeen);
        if (value > first) ++sawNewValue;
        lastSeen = value;
    }
    EXPECT_GT(sawNewValue, 0) << "the writers got past their first save before being killed";
}

}  // namespace
