#include <gtest/gtest.h>

#include "base/atlarray.h"
#include "base/cstringw.h"

TEST(CAtlArray, AddInsertRemove_KeepOrderAndClampRanges) {
    CAtlArray<int> a;
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(0u, a.Add(1));
    EXPECT_EQ(1u, a.Add(3));
    a.InsertAt(1, 2);
    a.InsertAt(99, 4);  // past the end appends
    ASSERT_EQ(4u, a.GetCount());
    for (size_t i = 0; i < a.GetCount(); ++i) EXPECT_EQ(static_cast<int>(i) + 1, a[i]);
    a.RemoveAt(2, 10);  // a count past the end removes to the end
    ASSERT_EQ(2u, a.GetCount());
    a.RemoveAt(5);      // an index past the end removes nothing
    EXPECT_EQ(2u, a.GetCount());
    a.RemoveAll();
    EXPECT_EQ(nullptr, a.GetData());
}

TEST(CAtlArray, HoldsStrings) {
    CAtlArray<CStringW> a;
    a.Add(L"one");
    a.Add(L"two");
    CAtlArray<CStringW> b;
    b.Copy(a);
    b.SetAt(0, L"uno");
    EXPECT_STREQ(L"one", a[0]);
    EXPECT_STREQ(L"uno", b[0]);
    EXPECT_THROW(a.GetAt(2), std::out_of_range);
}
