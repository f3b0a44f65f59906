// A writer killed at any moment, or the service's host killed while it saves for a client, leaves a
// current-settings file that loads and holds either the value before or a value after: saves go to a
// temporary file and replace the target in one rename.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "settory/settory_fixture.h"
#include "settory/xml_parser.h"

using namespace settorytest;

namespace {

// Bounded so the default run stays short; each round starts a process, lets it save and kills it.
// OSTREL_CRASH_ROUNDS asks for a longer run by hand.
int Rounds(int usual) {
    wchar_t text[32] = {};
    DWORD n = ::GetEnvironmentVariableW(L"OSTREL_CRASH_ROUNDS", text, ARRAYSIZE(text));
    int rounds = (n > 0 && n < ARRAYSIZE(text)) ? _wtoi(text) : 0;
    return rounds > 0 ? rounds : usual;
}

void RegisterService() {
    testsupport::ChildProcess regsvr(L"regsvr32.exe /s \"" + testsupport::BinFile(L"Settory.dll") + L"\"");
    ASSERT_TRUE(regsvr.WaitExit(60000));
}

// The all-users file after a kill: it must validate and hold a value this round saved (at or above
// first, below the next round's values) that is newer than every earlier round's.
void ExpectSoundFile(const DataFolders& data, long long first, long long* lastSeen, int* sawNewValue) {
    // A host whose client was killed may still be finishing that client's save; read as every
    // client does, with the write mutex held.
    base::UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, L"Global\\CurrentSettingWrite_Mutex"));
    DWORD wait = ::WaitForSingleObject(mutex.get(), 15000);
    ASSERT_TRUE(wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) << "the write mutex is free again";
    struct Release {
        HANDLE mutex;
        ~Release() { ::ReleaseMutex(mutex); }
    } release{mutex.get()};
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
    EXPECT_GT(value, *lastSeen);
    if (value > first) ++*sawNewValue;
    *lastSeen = value;
}

// Runs rounds of: start a writer-loop probe in the given context, wait for its first save, let it run
// a random moment, then kill. kill(writer, random) does the killing.
void RunKillRounds(const wchar_t* context, int rounds,
                   const std::function<void(testsupport::ChildProcess&, std::mt19937&)>& kill) {
    DataFolders data;
    RegisterService();
    std::mt19937 random(12345);
    long long lastSeen = 0;
    int sawNewValue = 0;
    for (int round = 1; round <= rounds; ++round) {
        SCOPED_TRACE(round);
        CStringW readyName = testsupport::UniqueName(L"Local\\writer-ready");
        base::UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, readyName));
        long long first = static_cast<long long>(round) * 1000000;
        CStringW command;
        command.Format(L"\"%s\" writer-loop %s %d %lld %s %s", testsupport::BinFile(L"settory_probe.exe").GetString(),
                       kClassA, kAllUsersInt, first, readyName.GetString(), context);
        testsupport::ChildProcess writer(command);
        ASSERT_TRUE(writer.Started());
        ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready.get(), 20000)) << "the writer saved once";
        // Into the middle of some later save, at a different moment each round.
        ::WaitForSingleObject(writer.Handle(), std::uniform_int_distribution<DWORD>(0, 60)(random));
        kill(writer, random);
        ASSERT_NO_FATAL_FAILURE(ExpectSoundFile(data, first, &lastSeen, &sawNewValue));
    }
    EXPECT_GT(sawNewValue, 0) << "the writers got past their first save before being killed";
}

TEST(SettoryCrashSafety, KilledWriter_AlwaysLeavesALoadableFileWithTheOldOrANewValue) {
    RunKillRounds(L"inproc", Rounds(40), [](testsupport::ChildProcess& writer, std::mt19937&) { writer.Kill(); });
}

TEST(SettoryCrashSafety, KilledHostAndClient_AlwaysLeaveALoadableFileWithTheOldOrANewValue) {
    // A host left by another program would serve that program's data folders; it ends by itself.
    ASSERT_TRUE(testsupport::WaitUntil([] { return HostProcesses() == 0; }, 20000));
    // Under Wine a host never lets go of the objects of clients that were killed, so it would stay;
    // it is ended with the test, like the hosts killed in the rounds.
    struct EndHost {
        ~EndHost() {
            if (KillHostProcesses() > 0) KillProcessesNamed(L"rpcss.exe");
        }
    } endHost;
    RunKillRounds(L"local", Rounds(200), [](testsupport::ChildProcess& writer, std::mt19937& random) {
        // The host is the one saving. About every third round it is killed, before or after its client;
        // in the others only the client is, and the host finishes or drops that client's call.
        switch (random() % 6) {
        case 0:
            EXPECT_EQ(1, KillHostProcesses());
            writer.Kill();
            break;
        case 1:
            writer.Kill();
            EXPECT_EQ(1, KillHostProcesses());
            break;
        default:
            writer.Kill();
            return;
        }
        // Wine's service manager keeps a killed server's class registration and hands it to the next
        // client, which then cannot connect; Windows notices the dead server and starts a new one.
        // Ending the service manager (it is started again on demand) stands in for that.
        KillProcessesNamed(L"rpcss.exe");
    });
}

}  // namespace
