#include <gtest/gtest.h>

#include "base/handles.h"
#include "common/administrator.h"

TEST(IsAdministrator, AnswersForTheProcessToken) {
    BOOL answer = 2;
    ASSERT_TRUE(IsAdministrator(&answer));
    // Tests run elevated (the Wine prefix's user is an administrator).
    EXPECT_TRUE(answer);
    EXPECT_FALSE(IsAdministrator(nullptr));
}

TEST(IsAdministrator, DenyOnlyAdministratorsGroupDoesNotCount) {
    base::UniqueHandle token;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, token.put()));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    base::UniqueSid admins;
    ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                           0, admins.put()));
    SID_AND_ATTRIBUTES disable = {admins.get(), 0};
    base::UniqueHandle restricted;
    ASSERT_TRUE(::CreateRestrictedToken(token.get(), 0, 1, &disable, 0, nullptr, 0, nullptr, restricted.put()));
    BOOL answer = TRUE;
    ASSERT_TRUE(ostrel::TokenHasEnabledAdministrators(restricted.get(), &answer));
    EXPECT_FALSE(answer);
}
