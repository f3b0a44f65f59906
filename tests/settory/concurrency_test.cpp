// Many client processes writing through the service at once, some in process and some through the
// out-of-process host, while another keeps reloading and reading: no write may be lost, no reader may
// see a value go back, and both files must load and validate afterwards.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "settory/settory_fixture.h"
#include "settory/xml_parser.h"

using namespace settorytest;

namespace {

constexpr const wchar_t* kStressClass = L"C0000000-0000-4000-8000-00000000000C";
constexpr int kWriters = 8;
constexpr int kFirstId = 100;  // writer w: all-users 100 + w, per-user 120 + w; shared 140 and 141

// Changes per writer; OSTREL_STRESS_CHANGES asks for a longer run by hand.
int ChangesPerWriter() {
    wchar_t text[32] = {};
    DWORD n = ::GetEnvironmentVariableW(L"OSTREL_STRESS_CHANGES", text, ARRAYSIZE(text));
    int changes = (n > 0 && n < ARRAYSIZE(text)) ? _wtoi(text) : 0;
    return changes > 0 ? changes : 500;
}

std::string StressDefaults() {
    std::string items;
    auto item = [&items](int id, bool allUser, bool event) {
        items += "<Item SettingID=\"" + std::to_string(id) + "\" bAllUser=\"" + (allUser ? "1" : "0") +
                 "\" bEvent=\"" + (event ? "1" : "0") + "\"><SettingData>default</SettingData></Item>";
    };
    for (int w = 0; w < kWriters; ++w) {
        // Half the private settings are listed for events, so saves both do and do not announce reloads.
        item(kFirstId + w, true, w % 2 == 0);
        item(kFirstId + 20 + w, false, w % 2 == 1);
    }
    item(kFirstId + 40, true, true);
    item(kFirstId + 41, false, false);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DefaultSetting><Class ClassID=\"C0000000-0000-4000-8000-"
           "00000000000C\">" + items + "</Class></DefaultSetting>\n";
}

// The text of a setting's SettingData in a current-settings file, read with the service's own
// document layer after the file validated against the schema.
class StoredFile {
public:
    StoredFile(const DataFolders& data, const CStringW& path) {
        EXPECT_EQ(0, parser_.Initialise());
        EXPECT_EQ(0, parser_.SetSchema(data.SchemaFolder() + L"CurrentSetting.xsd"));
        loaded_ = parser_.Load(path) == 0;
        text_ = testsupport::ReadTextFile(path);
    }
    bool Loaded() const { return loaded_; }
    std::string Value(int id) const {
        std::string key = "SettingID=\"" + std::to_string(id) + "\"";
        size_t at = text_.find(key);
        if (at == std::string::npos) return "<missing>";
        size_t open = text_.find("<SettingData>", at);
        size_t close = text_.find("</SettingData>", open);
        if (open == std::string::npos || close == std::string::npos) return "<malformed>";
        return text_.substr(open + 13, close - open - 13);
    }

private:
    settory::CXMLParser parser_;
    bool loaded_ = false;
    std::string text_;
};

std::string Last(int tag, int changes) { return std::to_string(tag) + ":" + std::to_string(changes - 1); }

bool IsSomeWritersLast(const std::string& value, int changes) {
    for (int w = 0; w < kWriters; ++w) {
        if (value == Last(w, changes)) return true;
    }
    return false;
}

TEST(SettoryConcurrentWriters, EightWritersInProcessAndThroughTheHost_LoseNothingWhileAReaderReloads) {
    DataFolders data;
    data.WriteDefault(L"DefaultSetting.xml", StressDefaults());
    testsupport::ChildProcess regsvr(L"regsvr32.exe /s \"" + testsupport::BinFile(L"Settory.dll") + L"\"");
    ASSERT_TRUE(regsvr.WaitExit(60000));
    // A host left by another program would serve that program's data folders; it ends by itself.
    ASSERT_TRUE(testsupport::WaitUntil([] { return HostProcesses() == 0; }, 20000));

    const int changes = ChangesPerWriter();
    CStringW startName = testsupport::UniqueName(L"Local\\stress-start");
    CStringW stopName = testsupport::UniqueName(L"Local\\stress-stop");
    base::UniqueHandle start(::CreateEventW(nullptr, TRUE, FALSE, startName));
    base::UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, stopName));
    testsupport::TempFolder scratch;
    CStringW report = scratch.File(L"reader.txt");
    CStringW probe = testsupport::BinFile(L"settory_probe.exe");

    std::vector<base::UniqueHandle> done;
    std::vector<std::unique_ptr<testsupport::ChildProcess>> writers;
    for (int w = 0; w < kWriters; ++w) {
        CStringW doneName = testsupport::UniqueName(L"Local\\stress-done");
        done.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, doneName));
        CStringW command;
        command.Format(L"\"%s\" writer-many %s %s %d %d %s %s %d", probe.GetString(), w < kWriters / 2 ? L"inproc" : L"local",
                       kStressClass, w, changes, startName.GetString(), doneName.GetString(), kFirstId);
        writers.push_back(std::make_unique<testsupport::ChildProcess>(command));
        ASSERT_TRUE(writers.back()->Started());
    }
    CStringW readerCommand;
    readerCommand.Format(L"\"%s\" reader-loop %s %d %s \"%s\" %d inproc", probe.GetString(), kStressClass, kWriters,
                         stopName.GetString(), report.GetString(), kFirstId);
    testsupport::ChildProcess reader(readerCommand);
    ASSERT_TRUE(reader.Started());
    ::SetEvent(start.get());

    DWORD started = ::GetTickCount();
    for (int w = 0; w < kWriters; ++w) {
        SCOPED_TRACE(w);
        DWORD code = 999;
        // Generous: 8 x 500 serialised saves, each announced to every other process.
        ASSERT_TRUE(writers[w]->WaitExit(600000, &code)) << "writer " << w << " finished";
        EXPECT_EQ(0u, code) << "every update of writer " << w << " was saved";
    }
    DWORD elapsed = ::GetTickCount() - started;
    ::SetEvent(stop.get());
    DWORD readerCode = 999;
    ASSERT_TRUE(reader.WaitExit(60000, &readerCode));
    std::string readerReport = testsupport::ReadTextFile(report);
    EXPECT_EQ(0u, readerCode) << "values seen by the reader: rounds, violations, first bad value: " << readerReport;
    std::printf("[          ] %d writers x %d changes in %lu ms; reader: %s\n", kWriters, changes,
                static_cast<unsigned long>(elapsed), readerReport.c_str());

    StoredFile allUsers(data, data.AllUsersFile());
    StoredFile perUser(data, data.PerUserFile());
    ASSERT_TRUE(allUsers.Loaded()) << "the all-users file validates";
    ASSERT_TRUE(perUser.Loaded()) << "the per-user file validates";
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_EQ(Last(w, changes), allUsers.Value(kFirstId + w)) << "all-users setting of writer " << w;
        EXPECT_EQ(Last(w, changes), perUser.Value(kFirstId + 20 + w)) << "per-user setting of writer " << w;
    }
    // The last save of all is some writer's last change.
    EXPECT_TRUE(IsSomeWritersLast(allUsers.Value(kFirstId + 40), changes)) << allUsers.Value(kFirstId + 40);
    EXPECT_TRUE(IsSomeWritersLast(perUser.Value(kFirstId + 41), changes)) << perUser.Value(kFirstId + 41);

    // And a fresh client of the service answers the same.
    base::ComPtr<ISettory> settory;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_INPROC_SERVER, IID_ISettory, settory.PutVoid()));
    ASSERT_EQ(S_OK, settory->Reload());
    for (int w = 0; w < kWriters; ++w) {
        wchar_t value[SETTORY_VALUE_CAPACITY] = {};
        ASSERT_EQ(S_OK, settory->GetCurrentValueEx(kStressClass, kFirstId + 20 + w, value));
        std::string expected = Last(w, changes);
        EXPECT_EQ(std::wstring(expected.begin(), expected.end()), std::wstring(value));
    }
}

}  // namespace
