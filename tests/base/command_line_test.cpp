#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/app.h"

namespace {
struct Recorder : CCommandLineInfo {
    struct Call {
        std::wstring arg;
        BOOL flag;
        BOOL last;
    };
    std::vector<Call> calls;
    void ParseParam(const wchar_t* arg, BOOL flag, BOOL last) override { calls.push_back({arg, flag, last}); }
};
}  // namespace

TEST(ParseCommandLine, StripsOneLeadingSlashOrHyphenAndFlagsIt) {
    Recorder r;
    CWinApp::ParseCommandLine(r, L"Ostrel.exe /halt -Install plain \"/CLD:a b\" //x");
    ASSERT_EQ(5u, r.calls.size());
    EXPECT_EQ(L"halt", r.calls[0].arg);
    EXPECT_TRUE(r.calls[0].flag);
    EXPECT_EQ(L"Install", r.calls[1].arg);
    EXPECT_TRUE(r.calls[1].flag);
    EXPECT_EQ(L"plain", r.calls[2].arg);
    EXPECT_FALSE(r.calls[2].flag);
    EXPECT_EQ(L"CLD:a b", r.calls[3].arg);
    EXPECT_EQ(L"/x", r.calls[4].arg);
    EXPECT_FALSE(r.calls[3].last);
    EXPECT_TRUE(r.calls[4].last);
}

TEST(ParseCommandLine, NoArgumentsMakesNoCalls) {
    Recorder r;
    CWinApp::ParseCommandLine(r, L"Ostrel.exe");
    EXPECT_TRUE(r.calls.empty());
}
