// Status items as the status window drives them: gathering, texts and types, their three ways of
// learning of changes.
#include <gtest/gtest.h>

#include <string>

#include "fake_settory.h"
#include "page_host.h"
#include "support/fixtures.h"

namespace {

const wchar_t kClass[] = L"11111111-2222-3333-4444-555555555555";

class NumberOption : public StatusOption {
public:
    explicit NumberOption(int* source) : source_(source) {}
    long Get(VARIANT& value) override {
        if (*source_ < 0) {
            value.vt = VT_EMPTY;
            return 0;
        }
        value.vt = VT_I4;
        value.lVal = *source_;
        return 0;
    }
    long OnSettingChange(const VARIANT&) override {
        ++changes;
        return 0;
    }
    int changes = 0;

private:
    int* source_;
};

template <typename Kind>
class Open : public Kind {
public:
    using Kind::Kind;
    using Kind::SetClassID;
};

struct Shown {
    long result;
    unsigned type;
    std::wstring text;
};

Shown Current(StatusItem& item) {
    Shown shown{0, 99, L"untouched"};
    wchar_t text[PLUGWERK_STATUS_TEXT_CHARS] = L"untouched";
    shown.result = item.GetCurStatus(shown.type, text);
    shown.text = text;
    return shown;
}

TEST(StatusItem, ValuesMapToTheirEntriesTextsAndTypes_AndNoMatchLeavesTheOutputs) {
    int source = 0;
    CDevStatusItem item(1, 2, new NumberOption(&source));
    EXPECT_EQ(Current(item).result, PW_NOT_POSSIBLE);  // nothing gathered yet
    EXPECT_EQ(item.AddStatus(3, L"On"), 0);
    EXPECT_EQ(item.AddStatus(4, L"Off"), 0);
    EXPECT_EQ(item.AddStatus(nullptr), PW_NOT_POSSIBLE);
    struct Case {
        int value;
        long result;
        unsigned type;
        const wchar_t* text;
    } cases[] = {{0, 0, 3, L"On"}, {1, 0, 4, L"Off"}, {2, PW_NOT_POSSIBLE, 99, L"untouched"},
                 {-5, PW_NOT_POSSIBLE, 99, L"untouched"}};
    for (const Case& c : cases) {
        source = c.value;
        item.WndFunc(PWM_STATUS_INIT, 0, 0);
        Shown shown = Current(item);
        EXPECT_EQ(shown.result, c.result) << c.value;
        EXPECT_EQ(shown.type, c.type) << c.value;
        EXPECT_EQ(shown.text, c.text) << c.value;
    }
    // A null text buffer still gives the type.
    source = 1;
    item.WndFunc(PWM_STATUS_INIT, 0, 0);
    unsigned type = 0;
    EXPECT_EQ(item.GetCurStatus(type, nullptr), 0);
    EXPECT_EQ(type, 4u);
}

// An entry of a plug-in's own that matches a range and builds its text from the value.
class AtLeast : public CStatus {
public:
    AtLeast(int floor) : CStatus(1, L""), floor_(floor) {}
    int CompareStatus(int value) override { return value >= floor_ ? 1 : 0; }
    CStringW& GetDisplayStr(int value, CStringW& out) override {
        out.Format(L"%d %%", value);
        return out;
    }

private:
    int floor_;
};

TEST(StatusItem, DerivedEntriesMatchRangesAndLongTextsAreCutToTheBuffer) {
    int source = 85;
    CDevStatusItem item(1, 2, new NumberOption(&source));
    item.AddStatus(new AtLeast(50));
    item.AddStatus(0, CStringW(std::wstring(300, L'x').c_str()));
    item.WndFunc(PWM_STATUS_INIT, 0, 0);
    EXPECT_EQ(Current(item).text, L"85 %");
    CStatus plain(7, L"a");
    unsigned type = 0;
    EXPECT_EQ(plain.GetType(type), 7u);
    EXPECT_EQ(type, 7u);
    EXPECT_EQ(plain.CompareStatus(-1), 1);  // not added: index -1

    source = 1;  // below the range: the long entry (index 1) matches
    item.WndFunc(PWM_STATUS_INIT, 0, 0);
    EXPECT_EQ(Current(item).text.size(), PLUGWERK_STATUS_TEXT_CHARS - 1);
}

TEST(StatusItem, SettingPathJoinsFileClassAndSettingWithAtSigns) {
    int source = 0;
    CDevStatusItem item(1, 2, new NumberOption(&source));
    wchar_t path[PLUGWERK_PATH_CHARS] = L"junk";
    EXPECT_EQ(item.GetSettingPath(path), 0);
    EXPECT_STREQ(path, L"");
    item.SetSettingPath(L"a.xml", L"X", L"5");
    EXPECT_EQ(item.GetSettingPath(path), 0);
    EXPECT_STREQ(path, L"a.xml@X@5");
    EXPECT_EQ(wcslen(path), 9u);
}

TEST(XMLStatusItem, FollowsTheStoredSettingThroughItsNamedEvent) {
    pwtest::ScopedFakeService service;
    service.fake.current[{kClass, 7}] = L"0";
    Open<CXMLStatusItem> item(1, 2, 7, nullptr);
    item.SetClassID(kClass);
    item.AddStatus(1, L"Off");
    item.AddStatus(3, L"On");
    EXPECT_EQ(item.WndFunc(PWM_STATUS_INIT, 0, 0), 0);
    EXPECT_EQ(Current(item).text, L"Off");
    ASSERT_EQ(item.RegisterEvent(), 0);
    ASSERT_NE(item.GetEvent(), nullptr);
    EXPECT_EQ(service.fake.CountCalls(L"RegisterSettingChangeEvent 7"), 1u);

    // Another process stores the setting; the service signals its event.
    service.fake.current[{kClass, 7}] = L"1";
    base::UniqueHandle named(::OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Global\\11111111-2222-3333-4444-555555555555,7"));
    ASSERT_TRUE(named);
    ::SetEvent(named.get());
    ASSERT_EQ(::WaitForSingleObject(item.GetEvent(), 1000), WAIT_OBJECT_0);
    EXPECT_EQ(item.WndFunc(PWM_STATUS_SIGNALLED, 0, 0), 0);
    EXPECT_TRUE(item.IsModified());
    EXPECT_EQ(Current(item).text, L"On");
    EXPECT_EQ(Current(item).type, 3u);
    EXPECT_EQ(::WaitForSingleObject(item.GetEvent(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(service.fake.CountCalls(L"Reload"), 1u);

    // The same value again: nothing to redraw.
    item.WndFunc(PWM_STATUS_POWER, 0, 0);
    EXPECT_FALSE(item.IsModified());

    EXPECT_EQ(item.WndFunc(PWM_STATUS_RELEASE, 0, 0), 0);
    EXPECT_EQ(item.GetEvent(), nullptr);
    EXPECT_EQ(service.fake.CountCalls(L"UnRegisterSettingChangeEvent 7"), 1u);

    Open<CXMLStatusItem> unstored(1, 2, 0, nullptr);
    EXPECT_EQ(unstored.RegisterEvent(), PW_NOT_POSSIBLE);
    EXPECT_EQ(unstored.GetEvent(), nullptr);
}

TEST(RegStatusItem, FollowsItsKeyAndArmsItAgainAfterEverySignal) {
    pwtest::ScopedNoService none;
    testsupport::ScratchKey key;
    int source = 0;
    auto* option = new NumberOption(&source);
    CRegStatusItem item(1, 2, HKEY_CURRENT_USER, key.SubkeyPath(), option);
    item.AddStatus(2, L"Off");
    item.AddStatus(1, L"On");
    item.WndFunc(PWM_STATUS_INIT, 0, 0);
    ASSERT_EQ(item.RegisterEvent(), 0);
    for (int value : {1, 0}) {
        HANDLE before = item.GetEvent();
        ASSERT_NE(before, nullptr);
        source = value;
        DWORD data = static_cast<DWORD>(value);
        ::RegSetValueExW(key.Get(), L"State", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
        ASSERT_EQ(::WaitForSingleObject(before, 2000), WAIT_OBJECT_0) << value;
        EXPECT_EQ(item.WndFunc(PWM_STATUS_SIGNALLED, 0, 0), 0);
        EXPECT_TRUE(item.IsModified());
        EXPECT_EQ(Current(item).text, value ? L"On" : L"Off");
        ASSERT_NE(item.GetEvent(), nullptr);
        EXPECT_EQ(::WaitForSingleObject(item.GetEvent(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    }
    EXPECT_EQ(option->changes, 2);
    EXPECT_EQ(item.UnRegisterEvent(), 0);
    EXPECT_EQ(item.GetEvent(), nullptr);

    CRegStatusItem missing(1, 2, HKEY_CURRENT_USER, L"Software\\OstrelTests\\no such key", new NumberOption(&source));
    EXPECT_EQ(missing.RegisterEvent(), PW_NOT_POSSIBLE);
    EXPECT_EQ(missing.GetEvent(), nullptr);
    CRegStatusItem rootless(1, 2, nullptr, L"x", new NumberOption(&source));
    EXPECT_EQ(rootless.RegisterEvent(), PW_NOT_POSSIBLE);
}

// Each read finds a new value, as a source that keeps moving.
class MovingOption : public StatusOption {
public:
    long Get(VARIANT& value) override {
        value.vt = VT_I4;
        value.lVal = reads++;
        return 0;
    }
    int reads = 0;
};

TEST(RegStatusItem, AChangeWhileItArmsAgainIsNotLost) {
    pwtest::ScopedNoService none;
    testsupport::ScratchKey key;
    CRegStatusItem item(1, 2, HKEY_CURRENT_USER, key.SubkeyPath(), new MovingOption);
    item.WndFunc(PWM_STATUS_INIT, 0, 0);
    ASSERT_EQ(item.RegisterEvent(), 0);
    ::SetEvent(item.GetEvent());
    // The value moved after the item read it and before the new watch existed: the new event is
    // signalled so that the window asks again.
    EXPECT_EQ(item.WndFunc(PWM_STATUS_SIGNALLED, 0, 0), 0);
    EXPECT_EQ(::WaitForSingleObject(item.GetEvent(), 0), WAIT_OBJECT_0);
}

TEST(DevStatusItem, ReadsAgainOnDeviceAndPowerChangesAndHasNoEvent) {
    int source = 0;
    CDevStatusItem item(1, 2, new NumberOption(&source));
    item.AddStatus(2, L"Unplugged");
    item.AddStatus(1, L"Plugged in");
    item.WndFunc(PWM_STATUS_INIT, 0, 0);
    EXPECT_EQ(item.RegisterEvent(), 0);
    EXPECT_EQ(item.GetEvent(), nullptr);
    source = 1;
    EXPECT_EQ(item.WndFunc(WM_DEVICECHANGE, 0, 0), 0);
    EXPECT_TRUE(item.IsModified());
    EXPECT_EQ(Current(item).text, L"Plugged in");
    source = 0;
    item.WndFunc(PWM_STATUS_POWER, 0, 0);
    EXPECT_TRUE(item.IsModified());
    EXPECT_EQ(Current(item).text, L"Unplugged");
    // The source loses its value: no status until it has one again.
    source = -1;
    item.WndFunc(WM_DEVICECHANGE, 0, 0);
    EXPECT_EQ(Current(item).result, PW_NOT_POSSIBLE);
    source = 1;
    item.WndFunc(WM_DEVICECHANGE, 0, 0);
    EXPECT_EQ(Current(item).text, L"Plugged in");
    EXPECT_EQ(item.WndFunc(WM_TIMER, 0, 0), 0);
}

}  // namespace
