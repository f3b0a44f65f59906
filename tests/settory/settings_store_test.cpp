#include "settory/settings_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "settory/named_objects.h"
#include "settory/reload_listener.h"
#include "settory/settory_fixture.h"
#include "settory/test_hook.h"
#include "settory/values.h"

using namespace settory;
using namespace settorytest;

namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { service::ResetStores(); }
    void TearDown() override { service::ResetStores(); }

    CStringW Current(const wchar_t* cls, int id) {
        wchar_t buffer[kValueCapacity] = {};
        int r = service::GetCurrentValueEx(cls, id, buffer);
        return r == 0 ? CStringW(buffer) : CStringW(L"<") + SettingIdText(r) + L">";
    }
    CStringW Default(const wchar_t* cls, int id) {
        wchar_t buffer[kValueCapacity] = {};
        int r = service::GetDefaultValueEx(cls, id, buffer);
        return r == 0 ? CStringW(buffer) : CStringW(L"<") + SettingIdText(r) + L">";
    }
    int Write(const wchar_t* cls, int id, const wchar_t* text) {
        PendingList pending;
        service::QueueWrite(pending, cls, id, text);
        return service::UpdateCurrentSetting(pending);
    }
    // Drops the in-memory stores, so the next read comes from the files.
    void FromDisk() { service::ResetStores(); }
    // The same content under a new file, the way every save replaces it.
    static void ReplaceLikeAPeer(const CStringW& path) {
        ASSERT_TRUE(::CopyFileW(path, path + L".peer", FALSE));
        ASSERT_TRUE(::MoveFileExW(path + L".peer", path, MOVEFILE_REPLACE_EXISTING));
    }

    DataFolders data;
};

TEST_F(StoreTest, ClassIdCheck_LooksOnlyAtLengthAndDashes) {
    struct Case {
        const wchar_t* id;
        bool ok;
    } cases[] = {
        {L"95200B73-6BC6-4FA3-A9CE-402DC1D4520E", true},
        {L"95200b73-6bc6-4fa3-a9ce-402dc1d4520e", true},
        {L"zzzzzzzz-zzzz-zzzz-zzzz-zzzzzzzzzzzz", true},
        {L"{95200B73-6BC6-4FA3-A9CE-402DC1D4520E}", false},
        {L"95200B73-6BC6-4FA3-A9CE-402DC1D4520", false},
        {L"95200B73-6BC6-4FA3-A9CE-402DC1D4520EE", false},
        {L"95200B736-BC6-4FA3-A9CE-402DC1D4520E", false},
        {L"", false},
        {nullptr, false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.ok, IsWellFormedClassId(c.id)) << (c.id ? c.id : L"(null)");
}

TEST_F(StoreTest, ResultCodes_ForEachCheck) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    EXPECT_EQ(kBadClassId, service::GetDefaultValue(L"{A0000000-0000-4000-8000-00000000000A}", 1, &v));
    EXPECT_EQ(kBadClassId, service::GetCurrentValue(L"short", 1, &v));
    EXPECT_EQ(kUnknownSetting, service::GetDefaultValue(kClassA, 99, &v));
    EXPECT_EQ(kUnknownSetting, service::GetCurrentValue(kClassA, 99, &v));
    EXPECT_EQ(kUnknownSetting, service::GetCurrentValue(L"a0000000-0000-4000-8000-00000000000a", 1, &v))
        << "class ids compare with letter case";
    EXPECT_EQ(kUnknownSetting, service::GetDefaultValue(kClassA, 5, &v)) << "\"05\" is not setting 5";
    EXPECT_EQ(kUnknownSetting, service::RegisterSettingChangeEvent(kClassA, 99));
    EXPECT_EQ(kBadClassId, service::UnRegisterSettingChangeEvent(L"x", 1));
    EXPECT_EQ(kFailed, service::GetCurrentValueEx(kClassA, kAllUsersInt, nullptr));
    EXPECT_EQ(kFailed, service::GetDefaultValueEx(kClassA, kAllUsersInt, nullptr));
    EXPECT_EQ(kOk, service::Reload());

    ::DeleteFileW(data.DefaultFolder() + L"DefaultSetting.xml");
    PendingList pending;
    EXPECT_EQ(kNoDefaultFiles, service::GetDefaultValue(kClassA, 1, &v));
    EXPECT_EQ(kNoDefaultFiles, service::GetCurrentValue(kClassA, 1, &v));
    EXPECT_EQ(kNoDefaultFiles, service::Reload());
    EXPECT_EQ(kNoDefaultFiles, service::UpdateCurrentSetting(pending));
    EXPECT_EQ(kNoDefaultFiles, service::RegisterSettingChangeEvent(kClassA, 1));
}

TEST_F(StoreTest, BrokenDefaultFile_GivesFailure_AndIsRetriedOnTheNextCall) {
    data.WriteDefault(L"DefaultSetting.xml", "<DefaultSetting><Class ClassID=\"x\"/></DefaultSetting>");
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = 12345;
    EXPECT_EQ(kFailed, service::GetDefaultValue(kClassA, kAllUsersInt, &v));
    EXPECT_EQ(12345, V_I4(&v)) << "value untouched";
    EXPECT_EQ(kFailed, service::GetCurrentValue(kClassA, kAllUsersInt, &v));
    EXPECT_EQ(kFailed, service::RegisterSettingChangeEvent(kClassA, kAllUsersInt));
    data.WriteDefault(L"DefaultSetting.xml", kStandardDefaults);
    EXPECT_EQ(L"10", Default(kClassA, kAllUsersInt));
}

TEST_F(StoreTest, TextToVariant_ConvertsByTheTypeSetBeforeTheCall) {
    struct Case {
        VARTYPE type;
        double number;  // expected numeric content
    } cases[] = {{VT_I2, 2}, {VT_BOOL, 2}, {VT_I1, 2}, {VT_I4, 2}, {VT_UI4, 2}, {VT_INT, 2}, {VT_R4, 2.75}, {VT_R8, 2.75}};
    for (const Case& c : cases) {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = c.type;
        TextToVariant(L"2.75", &v);
        ASSERT_EQ(c.type, V_VT(&v));
        VARIANT d;
        VariantInit(&d);
        ASSERT_EQ(S_OK, VariantChangeType(&d, &v, 0, VT_R8));
        EXPECT_DOUBLE_EQ(c.number, V_R8(&d)) << c.type;
    }
    VARIANT b;
    VariantInit(&b);
    V_VT(&b) = VT_BOOL;
    TextToVariant(L"1", &b);
    EXPECT_EQ(1, V_I2(&b)) << "a stored 1 stays 1, not VARIANT_TRUE";

    VARIANT s;
    VariantInit(&s);
    V_VT(&s) = VT_BSTR;
    V_BSTR(&s) = SysAllocString(L"old");
    TextToVariant(L"2.75", &s);
    EXPECT_STREQ(L"2.75", V_BSTR(&s));
    VariantClear(&s);

    for (VARTYPE other : {VT_DATE, VT_CY, VT_UI1, VT_EMPTY}) {
        VARIANT o;
        VariantInit(&o);
        V_VT(&o) = other;
        TextToVariant(L"3", &o);
        EXPECT_EQ(VT_EMPTY, V_VT(&o)) << other;
    }
}

TEST_F(StoreTest, VariantToText_FormatsEachType) {
    auto make = [](VARTYPE type, auto setter) {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = type;
        setter(v);
        return v;
    };
    struct Case {
        VARIANT value;
        const wchar_t* text;
    } cases[] = {
        {make(VT_EMPTY, [](VARIANT&) {}), L""},
        {make(VT_NULL, [](VARIANT&) {}), L""},
        {make(VT_I2, [](VARIANT& v) { V_I2(&v) = -5; }), L"-5"},
        {make(VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_TRUE; }), L"-1"},
        {make(VT_I1, [](VARIANT& v) { V_I2(&v) = 7; }), L"7"},
        {make(VT_I4, [](VARIANT& v) { V_I4(&v) = -123456; }), L"-123456"},
        {make(VT_INT, [](VARIANT& v) { V_INT(&v) = 42; }), L"42"},
        {make(VT_UI4, [](VARIANT& v) { V_UI4(&v) = 0xFFFFFFFF; }), L"-1"},
        {make(VT_R4, [](VARIANT& v) { V_R4(&v) = 1.5f; }), L"1.500000"},
        {make(VT_R8, [](VARIANT& v) { V_R8(&v) = -0.25; }), L"-0.250000"},
        {make(VT_UI1, [](VARIANT& v) { V_UI1(&v) = 200; }), L"200"},
        {make(VT_DATE, [](VARIANT& v) { V_DATE(&v) = 1.0; }), L""},
    };
    for (const Case& c : cases) EXPECT_EQ(CStringW(c.text), VariantToText(c.value)) << V_VT(&c.value);
    VARIANT s;
    VariantInit(&s);
    V_VT(&s) = VT_BSTR;
    V_BSTR(&s) = nullptr;
    EXPECT_EQ(CStringW(), VariantToText(s));
}

TEST_F(StoreTest, Reads_FallBackToDefault_AndPickTheValueForThisMachine) {
    EXPECT_EQ(L"10", Current(kClassA, kAllUsersInt));
    EXPECT_EQ(L"hello", Current(kClassA, kPerUserText));
    EXPECT_EQ(L"zero", Default(kClassA, kMachinePick));
    EXPECT_EQ(L"<1>", Default(kClassA, kOtherMachine)) << "the Ex methods answer every failure with 1";
    base::Variant v;
    V_VT(v.Get()) = VT_I4;
    EXPECT_EQ(kUnknownSetting, service::GetDefaultValue(kClassA, kOtherMachine, v.Get()));
    EXPECT_EQ(kUnknownSetting, service::GetCurrentValue(kClassA, kOtherMachine, v.Get()));
    EXPECT_EQ(L"b1", Current(kClassB, 1));
}

TEST_F(StoreTest, WriteToItemWithoutValueForThisMachine_IsDropped) {
    data.WriteAllUsers(CurrentXml(
        "<Class ClassID=\"A0000000-0000-4000-8000-00000000000A\"><Item SettingID=\"9\" bAllUser=\"1\" bEvent=\"0\">"
        "<SettingData MachineID=\"7\">seven</SettingData></Item></Class>"));
    EXPECT_EQ(L"9default", Current(kClassA, kShadowed));
    EXPECT_EQ(kOk, Write(kClassA, kShadowed, L"new"));
    EXPECT_EQ(L"9default", Current(kClassA, kShadowed));
    std::string file = testsupport::ReadTextFile(data.AllUsersFile());
    EXPECT_EQ(std::string::npos, file.find("new"));
    EXPECT_NE(std::string::npos, file.find("seven"));
}

TEST_F(StoreTest, PendingWrites_StayInvisibleUntilUpdate_ThenPersist) {
    PendingList pending;
    service::QueueWrite(pending, kClassA, kAllUsersInt, L"11");
    service::QueueWrite(pending, kClassA, kPerUserText, L"bye");
    service::QueueWrite(pending, L"bad", 1, L"x");
    service::QueueWrite(pending, kClassA, 99, L"unknown");
    EXPECT_EQ(L"10", Current(kClassA, kAllUsersInt));
    EXPECT_FALSE(testsupport::FileExists(data.AllUsersFile()));

    EXPECT_EQ(kOk, service::UpdateCurrentSetting(pending));
    EXPECT_TRUE(pending.empty());
    EXPECT_EQ(L"11", Current(kClassA, kAllUsersInt));
    FromDisk();
    EXPECT_EQ(L"11", Current(kClassA, kAllUsersInt));
    EXPECT_EQ(L"bye", Current(kClassA, kPerUserText));
    std::string all = testsupport::ReadTextFile(data.AllUsersFile());
    EXPECT_EQ(std::string::npos, all.find("bye")) << "a per-user value stays out of the all-users file";
    EXPECT_NE(std::string::npos, testsupport::ReadTextFile(data.PerUserFile()).find("bye"));
}

TEST_F(StoreTest, PerUserValues_AreIsolated_AllUsersValuesShared) {
    ASSERT_EQ(kOk, Write(kClassA, kPerUserText, L"mine"));
    ASSERT_EQ(kOk, Write(kClassA, kAllUsersInt, L"77"));
    FromDisk();
    testsupport::TempFolder other;
    testsupport::ScopedEnv otherUser(L"APPDATA", other.Path());
    EXPECT_EQ(L"hello", Current(kClassA, kPerUserText));
    EXPECT_EQ(L"77", Current(kClassA, kAllUsersInt));
}

TEST_F(StoreTest, DefaultFiles_FirstListedFileAnswersForSharedItems) {
    data.WriteDefault(L"DefaultSetting2.xml", R"(<DefaultSetting>
      <Class ClassID="A0000000-0000-4000-8000-00000000000A">
        <Item SettingID="1" bAllUser="0"><SettingData>999</SettingData></Item>
        <Item SettingID="50" bAllUser="1"><SettingData>only2</SettingData></Item>
      </Class></DefaultSetting>)");
    CDefaultSetting defaults;
    ASSERT_EQ(kLoaded, defaults.LoadAll());
    ASSERT_EQ(2u, defaults.Files().size());
    bool standardFirst = defaults.Files()[0].Find(L"DefaultSetting.xml") >= 0;
    base::Variant v;
    V_VT(v.Get()) = VT_BSTR;
    ASSERT_TRUE(defaults.GetValue(kClassA, 1, v.Get()));
    EXPECT_STREQ(standardFirst ? L"10" : L"999", V_BSTR(v.Get()));
    int allUser = -1;
    ASSERT_EQ(kLoaded, defaults.DefaultKind(kClassA, 1, &allUser));
    EXPECT_EQ(standardFirst ? 1 : 0, allUser);
    EXPECT_EQ(L"only2", Default(kClassA, 50));

    data.WriteDefault(L"DefaultSetting3.xml", "not xml");
    CDefaultSetting broken;
    EXPECT_EQ(kFileFailed, broken.LoadAll());
    for (const CStringW& f : {CStringW(L"DefaultSetting.xml"), CStringW(L"DefaultSetting2.xml"),
                              CStringW(L"DefaultSetting3.xml")}) {
        ::DeleteFileW(data.DefaultFolder() + f);
    }
    CDefaultSetting none;
    EXPECT_EQ(kNoFiles, none.LoadAll());
}

TEST_F(StoreTest, UnreadableOrHostileCurrentFile_IsKeptAsideBeforeTheFirstSave) {
    const std::string cls = "<Class ClassID=\"A0000000-0000-4000-8000-00000000000A\">";
    std::string nested = "<CurrentSetting>";
    for (int i = 0; i < 5000; ++i) nested += "<Class>";
    const std::string broken[] = {
        "<CurrentSetting><Class ClassID=",
        CurrentXml(cls + "<Item SettingID=\"1\"/></Class>"),
        // Never resolved: the external entity would name a file outside the data folder.
        "<?xml version=\"1.0\"?><!DOCTYPE CurrentSetting [<!ENTITY x SYSTEM \"file:///C:/windows/win.ini\">]>"
        "<CurrentSetting>&x;</CurrentSetting>",
        "<?xml version=\"1.0\"?><SomethingElse/>",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><CurrentSetting>\xff\xfe\xc3</CurrentSetting>",
        nested,
        std::string(3 * 1024 * 1024, ' ') + "<CurrentSetting",
    };
    for (const std::string& content : broken) {
        FromDisk();
        data.WriteAllUsers(content);
        EXPECT_EQ(L"10", Current(kClassA, kAllUsersInt)) << content.substr(0, 80);
        ASSERT_EQ(kOk, Write(kClassA, kAllUsersInt, L"12"));
        ASSERT_EQ(1, CountFiles(data.ProductFolder(), L"CurrentSettingProfileData.xml.unreadable*"));
        WIN32_FIND_DATAW found;
        base::UniqueFind find(::FindFirstFileW(data.ProductFolder() + L"*.unreadable*", &found));
        CStringW aside = data.ProductFolder() + found.cFileName;
        find.reset();
        EXPECT_TRUE(content == testsupport::ReadTextFile(aside)) << content.substr(0, 80);
        ::DeleteFileW(aside);
        FromDisk();
        EXPECT_EQ(L"12", Current(kClassA, kAllUsersInt));
        ::DeleteFileW(data.AllUsersFile());
    }
}

TEST_F(StoreTest, ExBuffer_HoldsAtMost255Characters_AndIsLeftUntouchedOtherwise) {
    CStringW fits(L'f', kValueCapacity - 1);
    CStringW tooLong(L't', kValueCapacity);
    ASSERT_EQ(kOk, Write(kClassA, kPerUserText, fits));
    EXPECT_EQ(fits, Current(kClassA, kPerUserText));
    ASSERT_EQ(kOk, Write(kClassA, kPerUserText, tooLong));
    wchar_t buffer[kValueCapacity + 64];
    wmemset(buffer, L'Z', ARRAYSIZE(buffer));
    EXPECT_EQ(kFailed, service::GetCurrentValueEx(kClassA, kPerUserText, buffer));
    for (wchar_t ch : buffer) ASSERT_EQ(L'Z', ch);
    base::Variant v;
    V_VT(v.Get()) = VT_BSTR;
    ASSERT_EQ(kOk, service::GetCurrentValue(kClassA, kPerUserText, v.Get()));
    EXPECT_EQ(tooLong, CStringW(V_BSTR(v.Get())));
}

TEST_F(StoreTest, OversizedValue_IsRefused_TheOthersSaved_AndTheFileStaysLoadable) {
    ASSERT_EQ(kOk, Write(kClassA, kPerUserText, L"small"));
    PendingList pending;
    service::QueueWrite(pending, kClassA, kPerUserText, CStringW(L'h', 40000));
    service::QueueWrite(pending, kClassA, kAllUsersInt, L"40");
    EXPECT_EQ(kFailed, service::UpdateCurrentSetting(pending));
    FromDisk();
    EXPECT_EQ(L"small", Current(kClassA, kPerUserText));
    EXPECT_EQ(L"40", Current(kClassA, kAllUsersInt));
}

TEST_F(StoreTest, FailedSave_ReturnsFailure_AndTheChangeIsSavedByTheNextUpdate) {
    ASSERT_EQ(kOk, Write(kClassA, kPerUserText, L"u0"));
    ASSERT_EQ(kOk, Write(kClassA, kAllUsersInt, L"20"));
    // Whatever makes the store read its file again before the retry: the other store's save, a save
    // by another process (the count of saves is machine-wide), the reload after a peer's save.
    struct Case {
        bool perUserFails;
        bool otherProcessSaves;
        bool peerReload;
    } cases[] = {{false, false, false}, {true, false, false}, {false, true, false}, {false, false, true}, {true, true, true}};
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(++round);
        CStringW all = SettingIdText(20 + round), mine = L"u" + SettingIdText(round);
        CStringW blocked = (c.perUserFails ? data.PerUserFile() : data.AllUsersFile()) + L".tmp";
        ASSERT_TRUE(::CreateDirectoryW(blocked, nullptr));
        PendingList pending;
        service::QueueWrite(pending, kClassA, kAllUsersInt, all);
        service::QueueWrite(pending, kClassA, kPerUserText, mine);
        EXPECT_EQ(kFailed, service::UpdateCurrentSetting(pending));
        if (!c.perUserFails) {
            EXPECT_EQ(std::string::npos, testsupport::ReadTextFile(data.AllUsersFile()).find(">" + std::to_string(20 + round) + "<"));
        }
        if (c.otherProcessSaves) CNamedCounter(L"Global\\CurrentSettingSaveCount").Advance();
        if (c.peerReload) {
            EXPECT_EQ(kOk, service::ReloadForPeer());
        }
        EXPECT_EQ(all, Current(kClassA, kAllUsersInt)) << "kept in memory";
        ::RemoveDirectoryW(blocked);
        PendingList nothing;
        EXPECT_EQ(kOk, service::UpdateCurrentSetting(nothing));
        FromDisk();
        EXPECT_EQ(all, Current(kClassA, kAllUsersInt));
        EXPECT_EQ(mine, Current(kClassA, kPerUserText));
    }
}

// An update writes only the stores that changed. Neither the next update nor a reload reads the files
// again for this process's own saves (each advances the machine-wide count); another's save does.
TEST_F(StoreTest, Update_SavesOnlyChangedStores_AndRereadsOnlyOthersSaves) {
    ASSERT_EQ(kOk, Write(kClassA, kAllUsersInt, L"30"));
    ASSERT_EQ(kOk, Write(kClassA, kPerUserText, L"u1"));
    static int reloads;
    reloads = 0;
    SetTestHook([](HookPoint point) { reloads += point == HookPoint::StoreCleared; });
    CStringW blocked = data.AllUsersFile() + L".tmp";
    ASSERT_TRUE(::CreateDirectoryW(blocked, nullptr));
    EXPECT_EQ(kOk, Write(kClassA, kPerUserText, L"u2")) << "the all-users store had nothing to save";
    EXPECT_EQ(kFailed, Write(kClassA, kAllUsersInt, L"31"));
    ::RemoveDirectoryW(blocked);
    PendingList nothing;
    EXPECT_EQ(kOk, service::UpdateCurrentSetting(nothing));
    EXPECT_EQ(kOk, service::UpdateCurrentSetting(nothing));
    EXPECT_EQ(kOk, service::Reload());
    int own = reloads;
    CNamedCounter(L"Global\\CurrentSettingSaveCount").Advance();
    EXPECT_EQ(kOk, service::Reload());
    EXPECT_EQ(kOk, service::UpdateCurrentSetting(nothing));
    int counted = reloads;
    // A peer's announced save names no file: only a file that was replaced is read, once, and only
    // when the store is next used.
    CNamedCounter(L"Global\\CurrentSettingSaveCount").Advance();
    EXPECT_EQ(kOk, service::ReloadForPeer());
    ReplaceLikeAPeer(data.AllUsersFile());
    EXPECT_EQ(kOk, service::ReloadForPeer());
    int beforeUse = reloads;
    EXPECT_EQ(L"31", Current(kClassA, kAllUsersInt));
    EXPECT_EQ(kOk, service::UpdateCurrentSetting(nothing));
    SetTestHook(nullptr);
    EXPECT_EQ(0, own);
    EXPECT_EQ(2, counted) << "both stores read again after a save elsewhere";
    EXPECT_EQ(2, beforeUse);
    EXPECT_EQ(3, reloads) << "the replaced file only, once";
    // A writer outside the service moves no count; the write time tells the next update.
    std::string text = testsupport::ReadTextFile(data.AllUsersFile());
    size_t at = text.find(">31<");
    ASSERT_NE(std::string::npos, at);
    ASSERT_TRUE(testsupport::WriteTextFile(data.AllUsersFile(), text.replace(at, 4, ">77<")));
    EXPECT_EQ(kOk, service::UpdateCurrentSetting(nothing));
    EXPECT_EQ(L"77", Current(kClassA, kAllUsersInt));
    FromDisk();
    EXPECT_EQ(L"77", Current(kClassA, kAllUsersInt));
    EXPECT_EQ(L"u2", Current(kClassA, kPerUserText));
}

// A page registering for events while a read reloads the store another process replaced: the mark
// waits for the reload and lands in the document the reload read.
TEST_F(StoreTest, MarkWhileTheListenerReloads_WaitsForTheReload) {
    ASSERT_EQ(kOk, Write(kClassA, kAllUsersInt, L"50"));
    ReplaceLikeAPeer(data.AllUsersFile());
    struct Hold {
        base::UniqueHandle reached{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        base::UniqueHandle release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    };
    static Hold* hold = nullptr;
    Hold h;
    hold = &h;
    SetTestHook([](HookPoint point) {
        if (point != HookPoint::StoreCleared) return;
        SetTestHook(nullptr);  // hold the first reload only
        ::SetEvent(hold->reached.get());
        ::WaitForSingleObject(hold->release.get(), 20000);
    });
    ASSERT_EQ(kOk, service::ReloadForPeer());
    std::thread reader([] {
        base::ComInit com;
        wchar_t value[kValueCapacity] = {};
        (void)service::GetCurrentValueEx(kClassA, kAllUsersInt, value);
    });
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(h.reached.get(), 20000));
    int marked = -1;
    base::UniqueHandle markDone(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread page([&] {
        base::ComInit com;
        marked = service::RegisterSettingChangeEvent(kClassA, kAllUsersInt);
        ::SetEvent(markDone.get());
    });
    // Unserialised, the mark would be done by now, against the emptied store; serialised, it waits.
    bool doneDuringReload = ::WaitForSingleObject(markDone.get(), 1000) == WAIT_OBJECT_0;
    ::SetEvent(h.release.get());
    reader.join();
    page.join();
    SetTestHook(nullptr);
    EXPECT_FALSE(doneDuringReload);
    EXPECT_EQ(kOk, marked);
    PendingList nothing;
    ASSERT_EQ(kOk, service::UpdateCurrentSetting(nothing));
    std::string text = testsupport::ReadTextFile(data.AllUsersFile());
    EXPECT_NE(std::string::npos, text.find("SettingID=\"1\" bAllUser=\"1\" bEvent=\"1\"")) << text;
    EXPECT_EQ(L"50", Current(kClassA, kAllUsersInt));
}

TEST_F(StoreTest, MarkedItems_SignalTheirEventOnlyWhenTheValueChanges) {
    CStringW name;
    name.Format(L"Global\\%s,%d", kClassA, kAllUsersInt);
    base::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, name));
    ASSERT_TRUE(event);
    ::ResetEvent(event.get());

    EXPECT_EQ(kOk, service::RegisterSettingChangeEvent(kClassA, kAllUsersInt));
    EXPECT_EQ(kFailed, service::RegisterSettingChangeEvent(kClassA, kAllUsersInt)) << "all-users mark unchanged";
    EXPECT_EQ(kOk, service::RegisterSettingChangeEvent(kClassA, kPerUserText));
    EXPECT_EQ(kOk, service::RegisterSettingChangeEvent(kClassA, kPerUserText)) << "per-user answers 0 regardless";
    PendingList none;
    ASSERT_EQ(kOk, service::UpdateCurrentSetting(none));
    std::string all = testsupport::ReadTextFile(data.AllUsersFile());
    EXPECT_NE(std::string::npos, all.find("bEvent=\"1\"")) << all;
    EXPECT_NE(std::string::npos, all.find(">10<")) << "marked before written: created with the default";

    EXPECT_EQ(kOk, Write(kClassA, kAllUsersInt, L"10"));
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(event.get(), 0)) << "same text: no event";
    EXPECT_EQ(kOk, Write(kClassA, kAllUsersInt, L"13"));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(event.get(), 0));

    EXPECT_EQ(kOk, service::UnRegisterSettingChangeEvent(kClassA, kAllUsersInt));
    ::ResetEvent(event.get());
    EXPECT_EQ(kOk, Write(kClassA, kAllUsersInt, L"14"));
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(event.get(), 0));
}

TEST_F(StoreTest, Reload_IsAnnouncedOnlyForSettingsListedWithEvents) {
    // This process's own listener resets the shared event as it wakes, so the announcement is read
    // from the generation counter that comes with every signal.
    LONG before = ReloadGeneration();
    ASSERT_EQ(kOk, Write(kClassA, kAllUsersInt, L"30"));
    EXPECT_EQ(before, ReloadGeneration());
    ASSERT_EQ(kOk, Write(kClassA, kEventListed, L"5"));
    EXPECT_EQ(before + 1, ReloadGeneration()) << "listed: announced even for the same text";
}

}  // namespace

namespace {

// Another writer replacing the file between this process's read and its next save, as a process that
// saved a setting not listed for events does: its values stay, and so does a mark not saved yet.
TEST_F(StoreTest, FileSavedElsewhereSinceTheLastRead_IsTakenInBeforeTheNextSave) {
    ASSERT_EQ(kOk, Write(kClassA, kAllUsersInt, L"11"));
    ASSERT_EQ(kOk, service::RegisterSettingChangeEvent(kClassA, kShadowed));
    data.WriteAllUsers(CurrentXml(
        "<Class ClassID=\"A0000000-0000-4000-8000-00000000000A\">"
        "<Item SettingID=\"1\" bAllUser=\"1\" bEvent=\"0\"><SettingData>from elsewhere</SettingData></Item>"
        "<Item SettingID=\"3\" bAllUser=\"1\" bEvent=\"0\"><SettingData>6</SettingData></Item></Class>"));

    // Equal to what this process last saw for setting 1, but not to what the file holds now.
    EXPECT_EQ(kOk, Write(kClassA, kEventListed, L"7"));
    FromDisk();
    EXPECT_EQ(L"from elsewhere", Current(kClassA, kAllUsersInt)) << "the other writer's value is kept";
    EXPECT_EQ(L"7", Current(kClassA, kEventListed));
    std::string text = testsupport::ReadTextFile(data.AllUsersFile());
    EXPECT_NE(std::string::npos, text.find("SettingID=\"9\" bAllUser=\"1\" bEvent=\"1\"")) << text;

    // An equal write after the other writer's change is no longer dropped.
    ASSERT_EQ(kOk, Write(kClassA, kAllUsersInt, L"11"));
    data.WriteAllUsers(CurrentXml(
        "<Class ClassID=\"A0000000-0000-4000-8000-00000000000A\">"
        "<Item SettingID=\"1\" bAllUser=\"1\" bEvent=\"0\"><SettingData>12</SettingData></Item></Class>"));
    ASSERT_EQ(kOk, Write(kClassA, kAllUsersInt, L"11"));
    FromDisk();
    EXPECT_EQ(L"11", Current(kClassA, kAllUsersInt));
}

}  // namespace

namespace {

class PolicyTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        data.WriteDefault(L"DefaultSettingPolicy.xml", kPolicyDefaults);
    }
    int LockOf(int id) {
        int source = -1;
        EXPECT_EQ(kOk, service::LockSource(kPolicyClass, id, &source));
        return source;
    }
    testsupport::ScopedPolicy policy{kPolicyClass};
};

TEST_F(PolicyTest, MachinePolicyAnswersForEveryUser_UserPolicyYields_RemovingItBringsBackTheUsersValue) {
    ASSERT_EQ(kOk, Write(kPolicyClass, kPolicyAllUsersInt, L"20"));
    ASSERT_EQ(kOk, Write(kPolicyClass, kPolicyPerUserText, L"mine"));

    ASSERT_TRUE(policy.SetNumber(HKEY_CURRENT_USER, kPolicyAllUsersInt, 30));
    EXPECT_EQ(L"30", Current(kPolicyClass, kPolicyAllUsersInt));
    EXPECT_EQ(2, LockOf(kPolicyAllUsersInt));
    ASSERT_TRUE(policy.SetNumber(HKEY_LOCAL_MACHINE, kPolicyAllUsersInt, 40));
    ASSERT_TRUE(policy.SetText(HKEY_LOCAL_MACHINE, kPolicyPerUserText, L"corporate"));
    EXPECT_EQ(L"40", Current(kPolicyClass, kPolicyAllUsersInt)) << "machine policy wins";
    EXPECT_EQ(1, LockOf(kPolicyAllUsersInt));
    EXPECT_EQ(1, LockOf(kPolicyPerUserText));

    // A write is not stored and the files keep the user's values.
    EXPECT_EQ(kOk, Write(kPolicyClass, kPolicyAllUsersInt, L"50"));
    EXPECT_EQ(kOk, Write(kPolicyClass, kPolicyPerUserText, L"changed"));
    EXPECT_EQ(std::string::npos, testsupport::ReadTextFile(data.AllUsersFile()).find(">50<"));
    EXPECT_EQ(std::string::npos, testsupport::ReadTextFile(data.PerUserFile()).find("changed"));
    {
        testsupport::TempFolder other;
        testsupport::ScopedEnv otherUser(L"APPDATA", other.Path());
        FromDisk();
        EXPECT_EQ(L"corporate", Current(kPolicyClass, kPolicyPerUserText)) << "another user gets it too";
    }

    policy.Remove(HKEY_LOCAL_MACHINE, kPolicyAllUsersInt);
    policy.Remove(HKEY_LOCAL_MACHINE, kPolicyPerUserText);
    FromDisk();
    EXPECT_EQ(L"30", Current(kPolicyClass, kPolicyAllUsersInt)) << "the user policy answers again";
    EXPECT_EQ(L"mine", Current(kPolicyClass, kPolicyPerUserText));
    policy.Remove(HKEY_CURRENT_USER, kPolicyAllUsersInt);
    EXPECT_EQ(L"20", Current(kPolicyClass, kPolicyAllUsersInt));
    EXPECT_EQ(0, LockOf(kPolicyAllUsersInt));
}

TEST_F(PolicyTest, UnusablePolicyValues_AreIgnored_AndAUsableUserValueStillCounts) {
    const BYTE bytes[] = {1, 2};
    const std::wstring tooLong(kValueCapacity, L'x');
    const DWORD seven = 7;
    struct Case {
        const char* what;
        int setting;
        const wchar_t* name;
        DWORD type;
        const void* data;
        DWORD size;
    } cases[] = {
        {"text for a number", kPolicyAllUsersInt, L"1", REG_SZ, L"30", 6},
        {"number for a text", kPolicyPerUserText, L"2", REG_DWORD, &seven, 4},
        {"binary", kPolicyAllUsersInt, L"1", REG_BINARY, bytes, 2},
        {"short DWORD", kPolicyAllUsersInt, L"1", REG_DWORD, bytes, 2},
        {"text too long to hand back", kPolicyPerUserText, L"2", REG_SZ, tooLong.c_str(),
         static_cast<DWORD>((tooLong.size() + 1) * sizeof(wchar_t))},
        {"setting id not as the service writes it", kPolicyAllUsersInt, L"01", REG_DWORD, &seven, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(policy.SetRaw(HKEY_LOCAL_MACHINE, c.name, c.type, c.data, c.size));
        EXPECT_EQ(c.setting == kPolicyAllUsersInt ? L"10" : L"hello", Current(kPolicyClass, c.setting));
        EXPECT_EQ(0, LockOf(c.setting));
        policy.Remove(HKEY_LOCAL_MACHINE, c.name);
    }
    ASSERT_TRUE(policy.SetRaw(HKEY_LOCAL_MACHINE, L"1", REG_SZ, L"30", 6));
    ASSERT_TRUE(policy.SetNumber(HKEY_CURRENT_USER, kPolicyAllUsersInt, 31));
    EXPECT_EQ(L"31", Current(kPolicyClass, kPolicyAllUsersInt));
    EXPECT_EQ(2, LockOf(kPolicyAllUsersInt));
}

// A read waiting for a writer elsewhere is answered by a policy set meanwhile, without waiting on.
TEST_F(PolicyTest, PolicySetWhileAReadWaitsForTheWriteMutex_AnswersIt) {
    EXPECT_EQ(L"10", Current(kPolicyClass, kPolicyAllUsersInt));  // starts the process's policy watch
    base::UniqueHandle held(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    base::UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread holder([&] {
        base::UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, L"Global\\CurrentSettingWrite_Mutex"));
        ::WaitForSingleObject(mutex.get(), 5000);
        ::SetEvent(held.get());
        ::WaitForSingleObject(release.get(), 20000);
        ::ReleaseMutex(mutex.get());
    });
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(held.get(), 5000));
    base::UniqueHandle answered(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CStringW read;
    std::thread reader([&] {
        read = Current(kPolicyClass, kPolicyAllUsersInt);
        ::SetEvent(answered.get());
    });
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(answered.get(), 200)) << "read without the write mutex";
    EXPECT_TRUE(policy.SetNumber(HKEY_LOCAL_MACHINE, kPolicyAllUsersInt, 13));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(answered.get(), 5000)) << "still waiting for the writer";
    ::SetEvent(release.get());
    reader.join();
    holder.join();
    EXPECT_EQ(L"13", read);
}

TEST_F(PolicyTest, PolicyChange_SignalsTheSettingsEvent) {
    EXPECT_EQ(L"10", Current(kPolicyClass, kPolicyAllUsersInt));  // starts the process's policy watch
    CStringW name;
    name.Format(L"Global\\%s,%d", kPolicyClass, kPolicyAllUsersInt);
    base::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, name));
    ASSERT_TRUE(event);
    ::ResetEvent(event.get());
    ASSERT_TRUE(policy.SetNumber(HKEY_LOCAL_MACHINE, kPolicyAllUsersInt, 12));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(event.get(), 10000));
    EXPECT_EQ(L"12", Current(kPolicyClass, kPolicyAllUsersInt));
    ::ResetEvent(event.get());
    policy.Remove(HKEY_LOCAL_MACHINE, kPolicyAllUsersInt);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(event.get(), 10000)) << "removal is a change too";

    // Registry key names ignore case, event names do not: the event is named as the defaults spell it.
    data.WriteDefault(L"DefaultSettingLower.xml",
                      "<DefaultSetting><Class ClassID=\"d0000000-0000-4000-8000-00000000000d\">"
                      "<Item SettingID=\"1\" bAllUser=\"1\"><SettingData>1</SettingData></Item></Class></DefaultSetting>");
    FromDisk();
    EXPECT_EQ(L"1", Current(L"d0000000-0000-4000-8000-00000000000d", 1));
    base::UniqueHandle lower(::CreateEventW(nullptr, TRUE, FALSE, L"Global\\d0000000-0000-4000-8000-00000000000d,1"));
    ASSERT_TRUE(lower);
    ::ResetEvent(lower.get());
    testsupport::ScopedPolicy upper(L"D0000000-0000-4000-8000-00000000000D");
    ASSERT_TRUE(upper.SetNumber(HKEY_LOCAL_MACHINE, 1, 0));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(lower.get(), 10000));
    EXPECT_EQ(L"0", Current(L"d0000000-0000-4000-8000-00000000000d", 1));
}

}  // namespace
