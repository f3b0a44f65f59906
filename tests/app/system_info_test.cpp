#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <vector>

#include "base/resource_module.h"
#include "info/smbios_table.h"
#include "info/sys_info_registered_application.h"
#include "info/system_facts.h"
#include "info/system_info_page.h"
#include "info/wmi_data.h"
#include "resource.h"
#include "support/fixtures.h"

namespace {

// ---- Texts -------------------------------------------------------------------------------------

TEST(FormatKilobytes, WholeUnitsWithThousandthsOfTheLastDivision) {
    struct {
        unsigned long long kilobytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0 KBytes"},
        {512, L"512 KBytes"},
        {1023, L"1023 KBytes"},
        {1024, L"1 MBytes"},
        {1536, L"1.500 MBytes"},
        {3145728, L"3 GBytes"},
        {6291456, L"6 GBytes"},
        {1572864, L"1.500 GBytes"},
        // A remainder below one thousandth shows no fraction; an earlier remainder is not kept.
        {1048577, L"1 GBytes"},
        {1048576ULL + 1024 * 3 + 7, L"1.002 GBytes"},
        {1024ULL * 1024 * 1024 * 1024, L"1 PBytes"},
        // Units stop at PBytes: larger values keep counting in them.
        {1024ULL * 1024 * 1024 * 1024 * 2048, L"2048 PBytes"},
    };
    for (const auto& c : cases) {
        CStringW text;
        ostrel::FormatKilobytes(c.kilobytes, &text);
        EXPECT_STREQ(c.text, text) << c.kilobytes;
    }
}

TEST(MemoryRounding, RaisesToTheNextFourMegabytesWithoutWrapping) {
    EXPECT_EQ(3145728u, ostrel::RoundMemoryKilobytes(3221225472ULL));     // exactly 3 GB stays
    EXPECT_EQ(3145728u, ostrel::RoundMemoryKilobytes(3221225472ULL - 3 * 1024 * 1024));
    EXPECT_EQ(3141632u, ostrel::RoundMemoryKilobytes(3221225472ULL - 5 * 1024 * 1024));
    EXPECT_EQ(4096u, ostrel::RoundMemoryKilobytes(1024));  // any kilobyte past a boundary rounds up
    EXPECT_EQ(0u, ostrel::RoundMemoryKilobytes(1023));     // whole kilobytes first
    EXPECT_EQ(0u, ostrel::RoundMemoryKilobytes(0));
    EXPECT_EQ(4194304u, ostrel::RoundMemoryKilobytes(4294967296ULL));     // 4 GB: past 32 bits
    EXPECT_EQ(8589934592ULL, ostrel::RoundMemoryKilobytes(8796093022208ULL));  // 8 TB
}

TEST(Unsigned64, DigitsOnlyAndWithinRange) {
    unsigned long long v = 0;
    EXPECT_TRUE(ostrel::ParseUnsigned64(L"18446744073709551615", &v));
    EXPECT_EQ(~0ULL, v);
    EXPECT_TRUE(ostrel::ParseUnsigned64(L" 4294967296 ", &v));
    EXPECT_EQ(4294967296ULL, v);
    for (const wchar_t* bad : {L"18446744073709551616", L"-1", L"", L"12a", L"0x10", L" "}) {
        EXPECT_FALSE(ostrel::ParseUnsigned64(bad, &v)) << bad;
        EXPECT_EQ(0u, v) << bad;
    }
    EXPECT_FALSE(ostrel::ParseUnsigned64(nullptr, &v));
}

TEST(OperatingSystemText, CaptionOrEditionNameWithTheServicePack) {
    EXPECT_STREQ(L"Microsoft Windows XP Professional Service Pack 3",
                 ostrel::ComposeOperatingSystem(L"Microsoft Windows XP Professional", L"Service Pack 3", nullptr));
    EXPECT_STREQ(L"Microsoft Windows 10 Pro", ostrel::ComposeOperatingSystem(L"Microsoft Windows 10 Pro ", L"", nullptr));
    EXPECT_STREQ(L"Media Center Service Pack 2",
                 ostrel::ComposeOperatingSystem(L"Microsoft Windows XP Professional", L"Service Pack 2", L"Media Center"));
    EXPECT_STREQ(L"2.40 GHz", ostrel::FormatClockSpeed(2400));
    EXPECT_STREQ(L"0.80 GHz", ostrel::FormatClockSpeed(800));
}

TEST(SysInfoColumns, LabelThirdValueTwoThirdsWithinTheClient) {
    EXPECT_EQ(168, ostrel::SysInfoColumnWidths(457).label);
    EXPECT_EQ(289, ostrel::SysInfoColumnWidths(457).value);  // 294 would overrun the client
    EXPECT_EQ(315, ostrel::SysInfoColumnWidths(900).label);
    EXPECT_EQ(585, ostrel::SysInfoColumnWidths(900).value);
    EXPECT_EQ(0, ostrel::SysInfoColumnWidths(10).value);  // too narrow: the value column closes
}

// ---- The firmware table ----------------------------------------------------------------------

using Bytes = std::vector<BYTE>;

Bytes Structure(BYTE type, Bytes formatted, std::vector<const char*> strings) {
    Bytes s = {type, static_cast<BYTE>(4 + formatted.size()), 0x10, 0x00};
    for (BYTE b : formatted) s.push_back(b);
    for (const char* text : strings) s.insert(s.end(), text, text + strlen(text) + 1);
    if (strings.empty()) s.push_back(0);
    s.push_back(0);
    return s;
}

Bytes Concat(std::vector<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Type 1 with manufacturer 1, product 2, version 3, serial 4 (offsets 4-7).
Bytes SystemInfo(BYTE versionNumber, std::vector<const char*> strings) {
    return Structure(1, {1, 2, versionNumber, 4, 0, 0, 0, 0}, strings);
}

const Bytes kBios = Structure(0, {1, 2, 0, 0xF0}, {"Quor", "1.07"});
const Bytes kEnd = Structure(127, {}, {});

TEST(SmbiosWalk, FindsTheSystemVersionAfterOtherStructures) {
    struct {
        const char* name;
        Bytes table;
        BOOL found;
        const wchar_t* version;
    } cases[] = {
        {"after BIOS", Concat({kBios, SystemInfo(3, {"Quor", "Lark 14", "Rev 2.1", "SN1"}), kEnd}), TRUE, L"Rev 2.1"},
        {"first string", Concat({SystemInfo(1, {"Only"}), kEnd}), TRUE, L"Only"},
        {"structure without strings first", Concat({Structure(4, {0}, {}), SystemInfo(2, {"A", "V2"})}), TRUE, L"V2"},
        {"string number 0", Concat({kBios, SystemInfo(0, {"Quor"}), kEnd}), TRUE, L""},
        {"no system structure", Concat({kBios, Structure(2, {1}, {"Board"}), kEnd}), FALSE, L""},
        {"after the end structure", Concat({kBios, kEnd, SystemInfo(1, {"Late"})}), FALSE, L""},
        {"empty table", Bytes{}, FALSE, L""},
        {"string number past the strings", Concat({SystemInfo(5, {"Quor", "Lark"}), kEnd}), FALSE, L""},
    };
    for (const auto& c : cases) {
        CStringW version = L"stale";
        EXPECT_EQ(c.found, ostrel::FindSmbiosSystemVersion(c.table.data(), c.table.size(), &version)) << c.name;
        EXPECT_STREQ(c.version, version) << c.name;
    }
}

TEST(SmbiosWalk, MalformedTablesGiveNothingAndStayInside) {
    Bytes good = Concat({kBios, SystemInfo(3, {"Quor", "Lark 14", "Rev 2.1"})});
    Bytes lengthPastEnd = kBios;
    lengthPastEnd[1] = static_cast<BYTE>(lengthPastEnd.size() + 1);
    Bytes shortLength = Concat({kBios, SystemInfo(1, {"X"})});
    shortLength[1] = 3;
    Bytes noDoubleZero = {0, 8, 0, 0, 1, 2, 0, 0, 'Q', 'u', 'o', 'r', 0, '1', 0};
    Bytes cutMidString(good.begin(), good.end() - 4);  // inside "Rev 2.1"
    Bytes headerOnly = {1, 8, 0};
    Bytes systemTooShort = Concat({Structure(1, {1, 2}, {"A", "B"})});  // no version field
    struct {
        const char* name;
        Bytes table;
    } cases[] = {
        {"length past the end", lengthPastEnd}, {"length below 4", shortLength},
        {"missing double zero", noDoubleZero},  {"cut mid-string", cutMidString},
        {"header cut", headerOnly},             {"system structure too short", systemTooShort},
    };
    for (const auto& c : cases) {
        // A copy of exactly the table's size, so a read past it lands outside the allocation.
        std::unique_ptr<BYTE[]> exact(new BYTE[c.table.size() + 1]);
        std::copy(c.table.begin(), c.table.end(), exact.get());
        CStringW version = L"stale";
        EXPECT_FALSE(ostrel::FindSmbiosSystemVersion(exact.get(), c.table.size(), &version)) << c.name;
        EXPECT_STREQ(L"", version) << c.name;
    }
    // Lengths that lie in the structure that holds the answer, and a length of zero, which would keep
    // a walk that trusted it on the same structure for ever.
    Bytes systemPastEnd = Concat({kBios, SystemInfo(1, {"V"})});
    systemPastEnd[kBios.size() + 1] = 0xFF;
    Bytes zeroLength = Concat({kBios, SystemInfo(1, {"V"})});
    zeroLength[1] = 0;
    Bytes zeroLengthSystem = Concat({kBios, SystemInfo(1, {"V"})});
    zeroLengthSystem[kBios.size() + 1] = 0;
    // The formatted area fills the table: no string set at all.
    Bytes noStringSet = SystemInfo(1, {"V"});
    noStringSet.resize(12);
    // The version string runs to the last byte without its terminator.
    Bytes unterminatedVersion = Concat({SystemInfo(2, {"Quor", "Rev"})});
    unterminatedVersion.resize(unterminatedVersion.size() - 2);
    // A string set without its double zero runs on into the system structure after it, which is then
    // read as strings and never found.
    Bytes setWithoutDoubleZero = {0, 8, 0, 0, 1, 2, 0, 0, 'Q', 0, 'R', 0, 'S', 0, 1, 0x0C, 0, 0};
    struct {
        const char* name;
        Bytes table;
    } lies[] = {
        {"system length past the end", systemPastEnd},
        {"zero length first", zeroLength},
        {"zero length system structure", zeroLengthSystem},
        {"no string set", noStringSet},
        {"version without terminator", unterminatedVersion},
        {"string set without double zero", setWithoutDoubleZero},
    };
    for (const auto& c : lies) {
        std::unique_ptr<BYTE[]> exact(new BYTE[c.table.size()]);
        std::copy(c.table.begin(), c.table.end(), exact.get());
        CStringW found = L"stale";
        EXPECT_FALSE(ostrel::FindSmbiosSystemVersion(exact.get(), c.table.size(), &found)) << c.name;
        EXPECT_STREQ(L"", found) << c.name;
    }
    // A version string whose own terminator is the table's last byte is whole and is read, though the
    // set's second terminator is missing.
    Bytes lastByte = Concat({SystemInfo(2, {"Quor", "Rev"})});
    lastByte.pop_back();
    CStringW last;
    EXPECT_TRUE(ostrel::FindSmbiosSystemVersion(lastByte.data(), lastByte.size(), &last));
    EXPECT_STREQ(L"Rev", last);

    // The same bytes with a proper end are read.
    CStringW version;
    EXPECT_TRUE(ostrel::FindSmbiosSystemVersion(good.data(), good.size(), &version));
    EXPECT_STREQ(L"Rev 2.1", version);
    EXPECT_FALSE(ostrel::FindSmbiosSystemVersion(nullptr, 10, &version));
}

// ---- The gathering ---------------------------------------------------------------------------

using Object = std::map<CStringW, CStringW>;
using Classes = std::map<CStringW, std::vector<Object>>;

// Answers queries from a table; a class that is missing selects nothing.
class FakeWmi : public CWmiData {
public:
    FakeWmi(const Classes& classes, bool connects) : classes_(classes), connects_(connects) {}
    int Connect() override { return connects_ ? 1 : 0; }
    int Select(const wchar_t* classText) override {
        auto it = classes_.find(classText);
        current_ = it == classes_.end() ? nullptr : &it->second;
        index_ = 0;
        return current_ && !current_->empty() ? 1 : 0;
    }
    int GetStringProperty(const wchar_t* name, CStringW* value) override {
        value->Empty();
        if (!current_ || index_ >= current_->size()) return 0;
        auto it = (*current_)[index_].find(name);
        if (it == (*current_)[index_].end()) return 0;
        *value = it->second;
        return 1;
    }
    int NextNumberProperty(const wchar_t* name, unsigned long long* value) override {
        *value = 0;
        if (!current_ || ++index_ >= current_->size()) return 0;
        return GetNumberProperty(name, value);
    }
    int CloseQuery() override {
        current_ = nullptr;
        return 1;
    }
    int Close() override { return CloseQuery(); }

private:
    Classes classes_;
    bool connects_;
    const std::vector<Object>* current_ = nullptr;
    size_t index_ = 0;
};

class TestEntry : public CSysInfoRegisteredApplication {
public:
    Classes classes;
    bool connects = true;
    BOOL hasInstalledMemory = FALSE;
    unsigned long long installedKb = 0;
    BOOL mediaCenter = FALSE;

protected:
    std::unique_ptr<CWmiData> MakeWmiClient() override { return std::make_unique<FakeWmi>(classes, connects); }
    BOOL QueryInstalledMemory(unsigned long long* kilobytes) override {
        *kilobytes = installedKb;
        return hasInstalledMemory;
    }
    void ReadSystemVersion(CStringW* version) override { *version = L"Rev 2.1"; }
    BOOL IsMediaCenterXp() override { return mediaCenter; }
};

bool IsSignalled(HANDLE event) { return event && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

class ResourceModule : public testing::Test {
protected:
    void SetUp() override {
        resources_ = base::LoadLocalisedModule(testsupport::BinFolder(), L"Ostrel.exe.mui");
        ASSERT_TRUE(resources_.valid());
        previous_ = base::SetResourceModule(resources_.get());
    }
    void TearDown() override { base::SetResourceModule(previous_); }

    base::UniqueModule resources_;
    HINSTANCE previous_ = nullptr;
};

using Gathering = ResourceModule;

Classes Laptop() {
    return {
        {L"Win32_Processor", {{{L"Name", L"  Quor Q7-2400 Processor  "}, {L"MaxClockSpeed", L"2400"}}}},
        // Two objects: their memory is summed, past what 32 bits hold.
        {L"Win32_ComputerSystem",
         {{{L"Manufacturer", L"Quor"}, {L"Model", L"Lark 14"}, {L"TotalPhysicalMemory", L"4294967296"}},
          {{L"TotalPhysicalMemory", L"2147483648"}}}},
        {L"Win32_BIOS", {{{L"SerialNumber", L"SN-0042"}, {L"SMBIOSBIOSVersion", L"1.07"}}}},
        {L"Win32_OperatingSystem", {{{L"Caption", L"Microsoft Windows XP Professional"}, {L"CSDVersion", L"Service Pack 2"}}}},
    };
}

TEST_F(Gathering, FillsEveryFactAndSignalsOnce) {
    TestEntry entry;
    ASSERT_EQ(1, entry.Initialize());
    entry.classes = Laptop();
    ASSERT_FALSE(IsSignalled(entry.GetReadyEvent()));
    EXPECT_EQ(1, entry.CompleteInit());
    EXPECT_TRUE(IsSignalled(entry.GetReadyEvent()));
    EXPECT_STREQ(L"Quor Q7-2400 Processor", entry.m_strProcessor);
    EXPECT_STREQ(L"2.40 GHz", entry.m_strClock);
    EXPECT_STREQ(L"Quor", entry.m_strManufacturer);
    EXPECT_STREQ(L"Lark 14", entry.m_strModel);
    EXPECT_EQ(6442450944ULL, entry.m_ullMemorySum);
    EXPECT_STREQ(L"6 GBytes", entry.m_strMemory);
    EXPECT_STREQ(L"", entry.m_strCache);  // no level-4 cache
    EXPECT_EQ(0u, entry.m_ullCacheSum);
    EXPECT_STREQ(L"SN-0042", entry.m_strSerialNumber);
    EXPECT_STREQ(L"1.07", entry.m_strBiosVersion);
    EXPECT_STREQ(L"Rev 2.1", entry.m_strSystemVersion);
    EXPECT_STREQ(L"Microsoft Windows XP Professional Service Pack 2", entry.m_strOperatingSystem);

    // The page may be reading by now: a second completion leaves the strings alone.
    entry.classes[L"Win32_Processor"][0][L"Name"] = L"Other";
    EXPECT_EQ(1, entry.CompleteInit());
    EXPECT_STREQ(L"Quor Q7-2400 Processor", entry.m_strProcessor);
}

TEST_F(Gathering, InstalledMemoryReplacesTheSumAndCachesAreSummed) {
    TestEntry entry;
    ASSERT_EQ(1, entry.Initialize());
    entry.classes = Laptop();
    entry.classes[L"Win32_CacheMemory Where level = 4"] = {{{L"MaxCacheSize", L"1024"}}, {{L"MaxCacheSize", L"512"}}};
    entry.hasInstalledMemory = TRUE;
    entry.installedKb = 1572864;
    EXPECT_EQ(1, entry.CompleteInit());
    EXPECT_STREQ(L"1.500 GBytes", entry.m_strMemory);
    EXPECT_EQ(1536u, entry.m_ullCacheSum);
    EXPECT_STREQ(L"1.500 MBytes", entry.m_strCache);
}

TEST_F(Gathering, MediaCenterEditionIsNamedFromTheStringTable) {
    TestEntry entry;
    ASSERT_EQ(1, entry.Initialize());
    entry.classes = Laptop();
    entry.mediaCenter = TRUE;
    EXPECT_EQ(1, entry.CompleteInit());
    EXPECT_STREQ(base::LoadResString(IDS_MEDIA_CENTER_EDITION) + L" Service Pack 2", entry.m_strOperatingSystem);
    EXPECT_STRNE(L"", base::LoadResString(IDS_MEDIA_CENTER_EDITION));
}

TEST_F(Gathering, NoWmiLeavesTheEntryUnready) {
    TestEntry entry;
    ASSERT_EQ(1, entry.Initialize());
    entry.connects = false;
    EXPECT_EQ(0, entry.CompleteInit());
    EXPECT_FALSE(IsSignalled(entry.GetReadyEvent()));
}

TEST_F(Gathering, EntryDescribesItselfFromTheResourceModule) {
    CSysInfoRegisteredApplication entry;
    ASSERT_EQ(1, entry.Initialize());
    EXPECT_EQ(ENTRY_SYSTEM_INFO, entry.GetEntryType());
    EXPECT_EQ(1, entry.GetPriority());
    EXPECT_STREQ(L"SystemInfo", entry.m_strKey);
    EXPECT_STREQ(L"System Information", entry.m_strName);
    EXPECT_FALSE(entry.m_strDescription.IsEmpty());
    // Icons come from the resource module, where the executable has none.
    EXPECT_NE(nullptr, entry.m_hSmallIcon);
    base::UniqueIcon large(entry.LoadAppIcon(32));
    EXPECT_TRUE(large.valid());
    ASSERT_NE(nullptr, entry.GetReadyEvent());
    EXPECT_FALSE(IsSignalled(entry.GetReadyEvent()));
}

std::vector<CStringW> g_reported;
void RecordReport(const CStringW& text) { g_reported.push_back(text); }

class ScopedReporter {
public:
    ScopedReporter() : previous_(ostrel::SetWmiErrorReporter(RecordReport)) { g_reported.clear(); }
    ~ScopedReporter() { ostrel::SetWmiErrorReporter(previous_); }

private:
    ostrel::WmiErrorReporter previous_;
};

TEST_F(Gathering, RealWmiGathersAndSignals) {
    ScopedReporter reporter;
    CSysInfoRegisteredApplication entry;
    ASSERT_EQ(1, entry.Initialize());
    ASSERT_EQ(1, entry.CompleteInit());
    EXPECT_TRUE(IsSignalled(entry.GetReadyEvent()));
    EXPECT_FALSE(entry.m_strProcessor.IsEmpty());
    EXPECT_FALSE(entry.m_strOperatingSystem.IsEmpty());
    EXPECT_FALSE(entry.m_strMemory.IsEmpty());
    EXPECT_EQ(entry.m_strProcessor, CStringW(entry.m_strProcessor).Trim());
}

TEST(WmiClient, QueryThatCannotStartIsReportedWithItsText) {
    base::ComInit com;
    ScopedReporter reporter;
    CWmiData wmi;
    ASSERT_EQ(1, wmi.Connect());
    EXPECT_EQ(0, wmi.Select(L"Win32_Processor Where ((("));
    ASSERT_EQ(1u, g_reported.size());
    EXPECT_STREQ(L"WMI Open Error(IWbemServices.ExecQuery)\nSelect * From Win32_Processor Where (((", g_reported[0]);

    // The client is still usable; numbers read as text and parsed.
    ASSERT_EQ(1, wmi.Select(L"Win32_Processor"));
    unsigned long long mhz = 0;
    EXPECT_EQ(1, wmi.GetNumberProperty(L"MaxClockSpeed", &mhz));
    CStringW text;
    EXPECT_EQ(1, wmi.GetStringProperty(L"MaxClockSpeed", &text));
    EXPECT_STREQ(CStringW(std::to_wstring(mhz)), text);
    EXPECT_EQ(0, wmi.GetStringProperty(L"NoSuchProperty", &text));
    wmi.Close();
    EXPECT_EQ(0, wmi.Select(L"Win32_Processor"));
}

// ---- The page ----------------------------------------------------------------------------------

struct FakePageHost : IPageHost {
    HWND window = nullptr;
    HWND HostWindow() override { return window; }
    void FocusHostTabStop(bool) override {}
    BOOL HostOwnsMnemonic(UINT) override { return FALSE; }
    BOOL IsApplyWorkerRunning() override { return FALSE; }
    void EnableApplyButton() override {}
    void ApplyPage() override {}
};

CStringW CellText(HWND list, int row, int column) {
    wchar_t buffer[256] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 256;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

int RowCount(HWND list) { return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

class SystemInfoPage : public ResourceModule {
protected:
    void SetUp() override {
        ResourceModule::SetUp();
        // Not shown: under Xvfb without a window manager, Wine takes two seconds to destroy a
        // visible top-level window, which would hide how fast the page itself goes away.
        parent_ = ::CreateWindowExW(0, L"STATIC", L"scroll view", WS_POPUP, 0, 0, 520, 380, nullptr,
                                    nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, parent_);
        host_.window = parent_;
        ASSERT_EQ(1, entry_.Initialize());
        entry_.m_strProcessor = L"Quor Q7-2400 Processor";
        entry_.m_strClock = L"2.40 GHz";
        entry_.m_strMemory = L"6 GBytes";
        entry_.m_strCache = L"";
        entry_.m_strManufacturer = L"Quor";
        entry_.m_strModel = L"Lark 14";
        entry_.m_strSystemVersion = L"Rev 2.1";
        entry_.m_strSerialNumber = L"SN-0042";
        entry_.m_strBiosVersion = L"1.07";
        entry_.m_strOperatingSystem = L"Microsoft Windows XP Professional Service Pack 2";
    }
    void TearDown() override {
        page_.reset();
        if (parent_) ::DestroyWindow(parent_);
        ResourceModule::TearDown();
    }
    void Open(DWORD readyWaitMs = COSLSystemInfo::kReadyWaitMs) {
        page_ = std::make_unique<COSLSystemInfo>(&entry_, &host_);
        page_->SetReadyWait(readyWaitMs);
        ASSERT_TRUE(page_->Create(parent_));
        upper_ = page_->GetDlgItem(IDC_SYSINFO_UPPER_LIST);
        lower_ = page_->GetDlgItem(IDC_SYSINFO_LOWER_LIST);
        ASSERT_NE(nullptr, upper_);
        ASSERT_NE(nullptr, lower_);
    }
    bool WaitForWorker() {
        return testsupport::PumpUntil([&] { return !page_->IsWorkerRunning(); }, 5000);
    }
    std::vector<CStringW> Column(HWND list, int column) {
        std::vector<CStringW> cells;
        for (int row = 0; row < RowCount(list); ++row) cells.push_back(CellText(list, row, column));
        return cells;
    }
    std::vector<CStringW> Labels(std::initializer_list<UINT> ids) {
        std::vector<CStringW> labels;
        for (UINT id : ids) labels.push_back(base::LoadResString(id));
        return labels;
    }

    HWND parent_ = nullptr;
    FakePageHost host_;
    CSysInfoRegisteredApplication entry_;
    std::unique_ptr<COSLSystemInfo> page_;
    HWND upper_ = nullptr;
    HWND lower_ = nullptr;
};

TEST_F(SystemInfoPage, LabelsAtOnceValuesOnceTheEntryIsReady) {
    Open();
    EXPECT_EQ(Labels({IDS_SYSINFO_PROCESSOR, IDS_SYSINFO_CLOCK, IDS_SYSINFO_MEMORY, IDS_SYSINFO_CACHE}),
              Column(upper_, 0));
    EXPECT_EQ(Labels({IDS_SYSINFO_MANUFACTURER, IDS_SYSINFO_MODEL, IDS_SYSINFO_SYSTEM_VERSION,
                      IDS_SYSINFO_SERIAL_NUMBER, IDS_SYSINFO_BIOS_VERSION, IDS_SYSINFO_OPERATING_SYSTEM}),
              Column(lower_, 0));
    for (const CStringW& label : Column(lower_, 0)) EXPECT_FALSE(label.IsEmpty());  // the texts exist
    EXPECT_EQ(std::vector<CStringW>(4), Column(upper_, 1));

    // Busy while the worker waits: the host keeps the page.
    EXPECT_EQ(8, page_->QueryClose(0));
    ::SetEvent(entry_.GetReadyEvent());
    ASSERT_TRUE(WaitForWorker());
    EXPECT_EQ(0, page_->QueryClose(0));
    EXPECT_EQ((std::vector<CStringW>{L"Quor Q7-2400 Processor", L"2.40 GHz", L"6 GBytes", L""}), Column(upper_, 1));
    EXPECT_EQ((std::vector<CStringW>{L"Quor", L"Lark 14", L"Rev 2.1", L"SN-0042", L"1.07",
                                     L"Microsoft Windows XP Professional Service Pack 2"}),
              Column(lower_, 1));
}

TEST_F(SystemInfoPage, ValuesStayEmptyWhenTheEntryNeverGetsReady) {
    Open(50);
    ASSERT_TRUE(WaitForWorker());
    EXPECT_EQ(0, page_->QueryClose(0));
    EXPECT_EQ(std::vector<CStringW>(4), Column(upper_, 1));
    EXPECT_EQ(std::vector<CStringW>(6), Column(lower_, 1));
    EXPECT_EQ(6, RowCount(lower_));
}

TEST_F(SystemInfoPage, TimerFillsAgain) {
    ::SetEvent(entry_.GetReadyEvent());
    Open();
    ASSERT_TRUE(WaitForWorker());
    LVITEMW blank = {};
    blank.iSubItem = 1;
    blank.pszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(lower_, LVM_SETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&blank));
    ASSERT_STREQ(L"", CellText(lower_, 1, 1));
    page_->SetTimer(7, 10);
    EXPECT_TRUE(testsupport::PumpUntil([&] { return CellText(lower_, 1, 1) == L"Lark 14"; }, 5000));
}

TEST_F(SystemInfoPage, DeletingThePageWhileTheWorkerWaitsEndsPromptly) {
    Open();
    ASSERT_TRUE(page_->IsWorkerRunning());
    base::UniqueHandle worker;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), page_->WorkerThread(), ::GetCurrentProcess(), worker.put(),
                                  SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, 0));
    page_.reset();
    // Gone with the page, having returned on its own (a worker ended the hard way exits with 1), so
    // the entry turning ready later reaches nobody.
    DWORD code = STILL_ACTIVE;
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(worker.get(), 0));
    EXPECT_TRUE(::GetExitCodeThread(worker.get(), &code));
    EXPECT_EQ(0u, code);
}

TEST_F(SystemInfoPage, DestroyingTheParentStopsTheWorkerBeforeTheListsGo) {
    Open();
    ASSERT_TRUE(page_->IsWorkerRunning());
    DWORD start = ::GetTickCount();
    ::DestroyWindow(parent_);
    parent_ = nullptr;
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_FALSE(page_->IsWorkerRunning());
    EXPECT_FALSE(page_->IsWindow());
    ::SetEvent(entry_.GetReadyEvent());
    page_.reset();
}

TEST_F(SystemInfoPage, RowsCannotBeSelected) {
    Open(0);
    LVITEMW select = {};
    select.state = LVIS_SELECTED;
    select.stateMask = LVIS_SELECTED;
    ::SendMessageW(upper_, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&select));
    EXPECT_EQ(0, ::SendMessageW(upper_, LVM_GETSELECTEDCOUNT, 0, 0));
    ::SendMessageW(lower_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&select));
    EXPECT_EQ(0, ::SendMessageW(lower_, LVM_GETSELECTEDCOUNT, 0, 0));
}

TEST_F(SystemInfoPage, TipOfARowShowsItsWholeValue) {
    ::SetEvent(entry_.GetReadyEvent());
    Open();
    ASSERT_TRUE(WaitForWorker());
    wchar_t text[64] = L"Operating system";
    NMLVGETINFOTIPW tip = {};
    tip.hdr.hwndFrom = lower_;
    tip.hdr.idFrom = IDC_SYSINFO_LOWER_LIST;
    tip.hdr.code = LVN_GETINFOTIPW;
    tip.pszText = text;
    tip.cchTextMax = 64;
    tip.iItem = 5;
    page_->SendMessage(WM_NOTIFY, IDC_SYSINFO_LOWER_LIST, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(L"Microsoft Windows XP Professional Service Pack 2", text);
    // Cut to the tip's buffer, never past it.
    wchar_t small[9];
    std::fill(std::begin(small), std::end(small), L'#');
    tip.pszText = small;
    tip.cchTextMax = 8;
    page_->SendMessage(WM_NOTIFY, IDC_SYSINFO_LOWER_LIST, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(L"Microso", small);
    EXPECT_EQ(L'#', small[8]);
}

TEST_F(SystemInfoPage, LayoutFollowsTheScreenResolution) {
    Open(0);
    HDC screen = ::GetDC(nullptr);
    int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX), dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    auto placed = [&](int id) {
        RECT r = {};
        HWND control = page_->GetDlgItem(id);
        ::GetWindowRect(control, &r);
        ::MapWindowPoints(nullptr, page_->m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    auto expect = [&](int id, int x, int y, int w, int h) {
        RECT r = placed(id);
        EXPECT_EQ(::MulDiv(x, dpiX, 96), r.left) << id;
        EXPECT_EQ(::MulDiv(y, dpiY, 96), r.top) << id;
        EXPECT_EQ(::MulDiv(w, dpiX, 96), r.right - r.left) << id;
        EXPECT_EQ(::MulDiv(h, dpiY, 96), r.bottom - r.top) << id;
    };
    expect(IDC_SYSINFO_UPPER_FRAME, 0, 0, 483, 130);
    expect(IDC_SYSINFO_LOWER_FRAME, 0, 134, 483, 202);
    expect(IDC_SYSINFO_UPPER_LIST, 10, 24, 459, 88);
    expect(IDC_SYSINFO_LOWER_LIST, 10, 161, 459, 157);  // inside its frame

    RECT client = {};
    ::GetClientRect(upper_, &client);
    ostrel::SysInfoColumns columns = ostrel::SysInfoColumnWidths(client.right);
    for (HWND list : {upper_, lower_}) {
        EXPECT_EQ(columns.label, ::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
        EXPECT_EQ(columns.value, ::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
        EXPECT_EQ(0, ::SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0));
        EXPECT_TRUE(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_INFOTIP);
        EXPECT_FALSE(::GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL);
    }
}

}  // namespace
