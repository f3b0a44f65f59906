// Whose store a call reaches and the access rights on what the service creates, read back with the
// security functions.
#include "settory/session_api.h"

#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>

#include "settory/identity.h"
#include "settory/named_objects.h"
#include "settory/settings_store.h"
#include "settory/settory_fixture.h"

using namespace settory;
using namespace settorytest;

namespace {

// The DACL of an object: present with no entries read as "null" when the descriptor says so.
struct Dacl {
    bool present = false;
    bool null = false;
    base::UniqueLocal descriptor;
    PACL acl = nullptr;
};

Dacl ReadDacl(DWORD error, PSECURITY_DESCRIPTOR descriptor, PACL acl) {
    Dacl dacl;
    if (error != ERROR_SUCCESS) return dacl;
    dacl.descriptor.reset(descriptor);
    dacl.present = true;
    dacl.acl = acl;
    dacl.null = acl == nullptr;
    return dacl;
}

TEST(Sessions, BindingAndToken_FollowTheProcessUser) {
    EXPECT_TRUE(SystemHasSessions());
    SessionApi api;
    EXPECT_FALSE(api.Failed()) << "all seven terminal-services functions are bound";
    base::UniqueHandle token(CallerUserToken());
    // An ordinary process gets no token, or (Wine) its own user's: either way its own store.
    if (token) {
        EXPECT_EQ(TokenUserSid(nullptr), TokenUserSid(token.get()));
    }
    EXPECT_FALSE(TokenUserSid(nullptr).empty());
    Impersonation none(nullptr);
    EXPECT_FALSE(none.Active());
}

TEST(Sessions, OwnUsersToken_UsesTheStoreOfTheProcessEnvironment) {
    DataFolders data;
    service::ResetStores();
    PendingList pending;
    service::QueueWrite(pending, kClassA, kPerUserText, L"own user");
    ASSERT_EQ(kOk, service::UpdateCurrentSetting(pending));
    EXPECT_NE(std::string::npos, testsupport::ReadTextFile(data.PerUserFile()).find("own user"));
    service::ResetStores();
}

// Checked on the descriptor that the save passes when it creates a folder, since this Wine does not
// keep access lists on folders.
TEST(FileSecurity, CreatedFolder_IsGivenANullDacl) {
    OpenToAll security;
    const SECURITY_ATTRIBUTES* attributes = security.Attributes();
    ASSERT_NE(nullptr, attributes->lpSecurityDescriptor);
    BOOL present = FALSE;
    BOOL defaulted = TRUE;
    PACL acl = reinterpret_cast<PACL>(&present);
    ASSERT_TRUE(::GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &acl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(nullptr, acl) << "a null DACL: full access for everyone";
    EXPECT_FALSE(defaulted);
    EXPECT_TRUE(attributes->bInheritHandle);

    testsupport::TempFolder folder;
    CXMLParser parser;
    ASSERT_EQ(kXmlOk, parser.Initialise());
    ASSERT_TRUE(parser.CreateRoot(L"CurrentSetting"));
    ASSERT_EQ(kXmlOk, parser.Save(folder.File(L"made\\CurrentSettingProfileData.xml")));
    EXPECT_TRUE(testsupport::FileExists(folder.File(L"made\\CurrentSettingProfileData.xml")));
}

TEST(FileSecurity, NamedEvents_AreOpenToEveryone_AndTheirHandlesInheritable) {
    std::wstring name = testsupport::UniqueName(L"Global\\security-test").Str();
    base::UniqueHandle event = CreateOpenEvent(name.c_str());
    ASSERT_TRUE(event);
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    Dacl dacl = ReadDacl(::GetSecurityInfo(event.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                           &acl, nullptr, &descriptor),
                         descriptor, acl);
    ASSERT_TRUE(dacl.present);
    EXPECT_TRUE(dacl.null);
    DWORD flags = 0;
    ASSERT_TRUE(::GetHandleInformation(event.get(), &flags));
    EXPECT_TRUE(flags & HANDLE_FLAG_INHERIT);
}

}  // namespace
