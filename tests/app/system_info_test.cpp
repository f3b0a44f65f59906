#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "info/smbios_table.h"
#include "info/system_facts.h"
#include "info/wmi_data.h"

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
    // The same bytes with a proper end are read.
    CStringW version;
    EXPECT_TRUE(ostrel::FindSmbiosSystemVersion(good.data(), good.size(), &version));
    EXPECT_STREQ(L"Rev 2.1", version);
    EXPECT_FALSE(ostrel::FindSmbiosSystemVersion(nullptr, 10, &version));
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

}  // namespace
