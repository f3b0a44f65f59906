#include <gtest/gtest.h>

#include "base/cstringw.h"

TEST(CStringW, Format_TakesWideStringsForPercentS) {
    CStringW s;
    s.Format(L"%s\\%s.lnk (%d)", L"C:\\Folder", L"Name", 42);
    EXPECT_STREQ(L"C:\\Folder\\Name.lnk (42)", s);
    s.AppendFormat(L"-%04X", 0xBEEF);
    EXPECT_STREQ(L"C:\\Folder\\Name.lnk (42)-BEEF", s);
}

TEST(CStringW, Format_HandlesLongOutput) {
    CStringW big(L'x', 5000);
    CStringW s;
    s.Format(L"[%s]", big.GetString());
    EXPECT_EQ(5002, s.GetLength());
}

TEST(CStringW, GetBufferAndReleaseBuffer_EndAtFirstNul) {
    CStringW s(L"abc");
    wchar_t* p = s.GetBuffer(10);
    wcscpy(p, L"hello");
    s.ReleaseBuffer();
    EXPECT_STREQ(L"hello", s);
    EXPECT_EQ(5, s.GetLength());
    p = s.GetBuffer();
    p[2] = L'\0';
    s.ReleaseBuffer();
    EXPECT_STREQ(L"he", s);
    s.GetBuffer(8);
    s.ReleaseBuffer(1);
    EXPECT_STREQ(L"h", s);
}

TEST(CStringW, Substrings_ClampOutOfRangeArguments) {
    CStringW s(L"abcdef");
    EXPECT_STREQ(L"abc", s.Left(3));
    EXPECT_STREQ(L"abcdef", s.Left(100));
    EXPECT_STREQ(L"", s.Left(-1));
    EXPECT_STREQ(L"ef", s.Right(2));
    EXPECT_STREQ(L"abcdef", s.Right(99));
    EXPECT_STREQ(L"cd", s.Mid(2, 2));
    EXPECT_STREQ(L"", s.Mid(10));
    EXPECT_STREQ(L"abcdef", s.Mid(-3));
}

TEST(CStringW, FindReplaceAndTrim) {
    CStringW s(L"  a,b,,c  ");
    s.Trim();
    EXPECT_STREQ(L"a,b,,c", s);
    EXPECT_EQ(1, s.Find(L','));
    EXPECT_EQ(3, s.Find(L",,"));
    EXPECT_EQ(4, s.ReverseFind(L','));
    EXPECT_EQ(-1, s.Find(L'z'));
    EXPECT_EQ(-1, s.Find(L'a', 99));
    EXPECT_EQ(3, s.Replace(L",", L";;"));
    EXPECT_STREQ(L"a;;b;;;;c", s);
    EXPECT_EQ(0, s.Replace(L"", L"x"));
    CStringW q(L"\"quoted\"");
    EXPECT_STREQ(L"quoted", q.Trim(L'"'));
}

TEST(CStringW, ComparisonsAndConcatenation) {
    CStringW a(L"Halt");
    EXPECT_EQ(0, a.CompareNoCase(L"hALT"));
    EXPECT_NE(0, a.Compare(L"halt"));
    EXPECT_TRUE(a == L"Halt");
    EXPECT_TRUE(L"Halt" == a);
    CStringW b = L"x" + a + L'!' + CStringW(L"y");
    EXPECT_STREQ(L"xHalt!y", b);
    CStringW n(nullptr);
    EXPECT_TRUE(n.IsEmpty());
}

TEST(CStringW, LoadString_MissingIdGivesFalseAndEmpty) {
    CStringW s(L"previous");
    EXPECT_FALSE(s.LoadString(::GetModuleHandleW(nullptr), 65000));
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringW, AllocSysString_KeepsLength) {
    CStringW s(L"abc");
    BSTR b = s.AllocSysString();
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(3u, ::SysStringLen(b));
    EXPECT_STREQ(L"abc", b);
    ::SysFreeString(b);
}
