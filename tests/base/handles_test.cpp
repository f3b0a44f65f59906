#include <gtest/gtest.h>

#include "base/com_ptr.h"
#include "base/handles.h"

namespace {
bool IsOpenHandle(HANDLE h) {
    DWORD flags = 0;
    return ::GetHandleInformation(h, &flags) != FALSE;
}
}  // namespace

TEST(UniqueHandle, ClosesOnResetAndDestruction) {
    HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(IsOpenHandle(raw));
    {
        base::UniqueHandle h(raw);
        EXPECT_TRUE(h.valid());
    }
    EXPECT_FALSE(IsOpenHandle(raw));
}

TEST(UniqueHandle, MoveTransfersOwnership) {
    base::UniqueHandle a(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE raw = a.get();
    base::UniqueHandle b(std::move(a));
    EXPECT_FALSE(a.valid());
    EXPECT_EQ(raw, b.get());
    a = std::move(b);
    EXPECT_EQ(raw, a.get());
    HANDLE released = a.release();
    EXPECT_FALSE(a.valid());
    EXPECT_TRUE(IsOpenHandle(released));
    ::CloseHandle(released);
}

TEST(UniqueFile, TreatsInvalidHandleValueAsEmpty) {
    base::UniqueFile f(::CreateFileW(L"Z:\\no\\such\\folder\\file.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(f.valid());
    EXPECT_EQ(INVALID_HANDLE_VALUE, f.get());
}

TEST(UniqueHKey, ClosesKey) {
    base::UniqueHKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()));
    EXPECT_TRUE(key.valid());
    key.reset();
    EXPECT_FALSE(key.valid());
}

TEST(ComInit, AcceptsOtherApartmentModelWithoutUndoingIt) {
    base::ComInit sta(COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(sta.Ok());
    {
        base::ComInit mta(COINIT_MULTITHREADED);
        EXPECT_TRUE(mta.Ok());
        EXPECT_EQ(RPC_E_CHANGED_MODE, mta.Result());
    }
    // The outer initialisation still stands: creating a COM object keeps working.
    base::ComPtr<IUnknown> unknown;
    EXPECT_EQ(S_OK, ::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                       unknown.PutVoid()));
}
