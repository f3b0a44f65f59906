// settory.exe against the real service: its commands, what they print, and their error exits.
#include <gtest/gtest.h>

#include <cstdarg>

#include "Settory_h.h"
#include "settory/settings_store.h"
#include "settory/settory_fixture.h"

using namespace settorytest;
using testsupport::BinFile;

namespace {

DataFolders* g_data = nullptr;

class CliEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_data = new DataFolders();
        g_data->WriteDefault(L"DefaultSettingPolicy.xml", kPolicyDefaults);
        testsupport::ChildProcess regsvr(L"regsvr32.exe /s \"" + BinFile(L"Settory.dll") + L"\"");
        DWORD code = 1;
        ASSERT_TRUE(regsvr.WaitExit(60000, &code));
        ASSERT_EQ(0u, code);
    }
    void TearDown() override { delete g_data; }
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
        EXPECT_NE(std::string::npos, list.out.find(a + "\t1\t10\t77\r\n")) << list.out;
        EXPECT_NE(std::string::npos, list.out.find(Narrow(kClassB) + "\t1\tb1\t")) << list.out;
        EXPECT_EQ(std::string::npos, list.out.find(a + "\t6\t")) << "only for machine 7";
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
        {Args(L"get %s", kClassA), 64, "usage"},
        {L"frobnicate", 64, "unknown command"},
        {L"", 64, "usage"},
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

    const CStringW defaults[] = {g_data->DefaultFolder() + L"DefaultSetting.xml",
                                 g_data->DefaultFolder() + L"DefaultSettingPolicy.xml"};
    for (const CStringW& file : defaults) ASSERT_TRUE(::MoveFileW(file, file + L".off"));
    CliRun none = RunCli(Args(L"get %s 1 --inproc", kClassA));
    for (const CStringW& file : defaults) ::MoveFileW(file + L".off", file);
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
        EXPECT_NE(std::string::npos, list.out.find(c + "\t1\t10\t40\tlocked by machine policy\r\n")) << list.out;
        EXPECT_NE(std::string::npos, list.out.find(c + "\t2\thello\thello\r\n")) << list.out;
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
