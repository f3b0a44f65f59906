// Items without a plug-in DLL: value comparison, the Modified rules, initialisation order, defaults,
// string values and the service guards.
#include <gtest/gtest.h>

#include <string>

#include "fake_settory.h"
#include "page_host.h"
#include "test_resource.h"
#include "testing.h"

namespace {

using pwtest::HostedPage;
using pwtest::Int;
using pwtest::OpenPage;

const wchar_t kClass[] = L"11111111-2222-3333-4444-555555555555";

// An option whose system value and answers a test sets, and which records what it was told.
class ProbeOption : public SettingOption {
public:
    ProbeOption(int* sets, VARIANT* system, int* veto) : sets_(sets), system_(system), veto_(veto) {}
    long OnSettingChange(const VARIANT&) override { return *veto_; }
    long Set(const VARIANT& value) override {
        ++*sets_;
        if (value.vt != VT_BSTR) *system_ = value;
        return 0;
    }
    long Get(VARIANT& value) override {
        handed = value.llVal;
        if (system_->vt == VT_EMPTY) {
            value.vt = VT_EMPTY;
        } else if (system_->vt == VT_BSTR) {
            value.vt = VT_BSTR;
            value.bstrVal = ::SysAllocString(system_->bstrVal);
        } else {
            value = *system_;
        }
        return 0;
    }

private:
    int* sets_;
    VARIANT* system_;
    int* veto_;

public:
    // The value bits the option was handed with the preset type: nothing but zero.
    long long handed = 0;
};

// A setting item of any type bound to the check box control, exposing the protected comparison.
class ProbeItem : public SettingItem {
public:
    ProbeItem(VARTYPE type, unsigned settingID, SettingOption* option)
        : SettingItem(0, 0, IDC_CHECK, settingID, option), type_(type) {}
    void InitType() override { SetDataType(type_); }
    long OnInitItem() override { return 0; }
    VARIANT GetItem() override { return m_vData; }
    void SetItem(const VARIANT&) override { ++shown; }
    bool Compare(const VARIANT& a, const VARIANT& b) { return VariantCompare(a, b); }
    VARIANT Data() { return m_vData; }
    VARIANT Applied() { return m_vApplied; }
    int shown = 0;

private:
    VARTYPE type_;
};

struct Probe {
    int sets = 0;
    int veto = 0;
    VARIANT system = {};
    SettingOption* NewOption() { return new ProbeOption(&sets, &system, &veto); }
};

VARIANT Real(double value) {
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}

TEST(ItemValues, ComparisonGoesByTheValuesText) {
    ProbeItem item(VT_INT, 0, nullptr);
    VARIANT a = {}, b = {};
    a.vt = VT_BSTR;
    a.bstrVal = const_cast<BSTR>(L"one");
    b.vt = VT_BSTR;
    b.bstrVal = const_cast<BSTR>(L"two");
    VARIANT byte = {};
    byte.vt = VT_UI1;
    byte.bVal = 255;
    VARIANT empty = {};
    struct Case {
        VARIANT left, right;
        bool equal;
    } cases[] = {
        {Int(5, VT_I4), Int(5, VT_INT), true},
        {Int(1, VT_BOOL), Int(1, VT_I2), true},
        {Int(-1, VT_BOOL), Int(65535, VT_I4), false},
        {Int(0, VT_I4), empty, false},
        {Real(1.0000001), Real(1.0), true},
        {Real(1.000001), Real(1.0), false},
        {a, b, true},  // strings have no text here: all compare equal
        {a, empty, true},
        {byte, Int(255, VT_I4), true},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
        EXPECT_EQ(item.Compare(cases[i].left, cases[i].right), cases[i].equal) << "case " << i;
    }
}

class ModifiedRules : public ::testing::Test {
protected:
    void SetUp() override {
        item = new ProbeItem(VT_INT, 0, probe.NewOption());
        page.RegisterItem(item);
        host.reset(new HostedPage(::GetModuleHandleW(nullptr), &page));
        VARIANT three = Int(3);
        item->SetItemData(three);
    }
    Probe probe;
    OpenPage<> page{IDD_CONTROLS};
    ProbeItem* item = nullptr;
    std::unique_ptr<HostedPage> host;
};

TEST_F(ModifiedRules, EqualValueChangesNothing) {
    item->Modified(Int(3));
    item->Modified(Int(3, VT_I4));  // same text, other type: still equal
    VARIANT empty = {};
    item->Modified(empty);
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(item->IsUIChanged(), 0);
    EXPECT_EQ(host->ValueChanges(), 0);
}

TEST_F(ModifiedRules, ChangeAndChangeBack) {
    item->Modified(Int(4));
    EXPECT_TRUE(item->IsModified());
    EXPECT_EQ(item->IsUIChanged(), 1);
    EXPECT_EQ(host->ValueChanges(), 1);
    // Back to the applied value: no longer modified, but the user did touch it and the host hears so.
    item->Modified(Int(3));
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(item->IsUIChanged(), 1);
    EXPECT_EQ(host->ValueChanges(), 2);
    item->Modified();
    EXPECT_TRUE(item->IsModified());
    EXPECT_EQ(host->ValueChanges(), 3);
}

TEST_F(ModifiedRules, VetoKeepsTheAppliedValue) {
    probe.veto = 1;
    item->Modified(Int(9));
    EXPECT_EQ(item->Data().intVal, 3);
    EXPECT_EQ(item->Data().vt, VT_INT);
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(item->IsUIChanged(), 0);
    EXPECT_EQ(host->ValueChanges(), 0);
}

// Initialisation: default, then the stored value, then the option's; Set when the system differs from
// what the store says.
TEST(ItemInitialisation, OrderOfSources) {
    struct Case {
        const wchar_t* def;     // null: the service has no default
        const wchar_t* stored;  // null: nothing stored
        int system;             // -1: the option has no value
        unsigned settingID;
        int expected;
        int sets;
    } cases[] = {
        {L"3", nullptr, -1, 5, 3, 0},   // default only
        {L"3", L"7", -1, 5, 7, 0},      // the stored value replaces the default
        {L"3", L"7", 7, 5, 7, 0},       // the system agrees
        {L"3", L"7", 5, 5, 7, 1},       // the system follows the store
        {L"3", nullptr, 5, 5, 3, 1},    // ... also when only the default is known
        {nullptr, nullptr, 5, 5, 5, 0}, // the store knows nothing: the system's value is taken as it is
        {L"3", L"7", 5, 0, 5, 0},       // no setting id: only the option counts
    };
    for (const Case& c : cases) {
        pwtest::ScopedFakeService service;
        if (c.def) service.fake.defaults[{kClass, static_cast<int>(c.settingID)}] = c.def;
        if (c.stored) service.fake.current[{kClass, static_cast<int>(c.settingID)}] = c.stored;
        Probe probe;
        if (c.system >= 0) probe.system = Int(c.system);
        OpenPage<> page(IDD_CONTROLS, kClass);
        auto* item = new ProbeItem(VT_INT, c.settingID, probe.NewOption());
        page.RegisterItem(item);
        page.WndFunc(WM_INITDIALOG, 0, 0);
        SCOPED_TRACE(testing::Message() << (c.def ? "d" : "-") << (c.stored ? "s" : "-") << c.system << " id " << c.settingID);
        EXPECT_EQ(item->Data().vt, VT_INT);
        EXPECT_EQ(item->Data().intVal, c.expected);
        EXPECT_EQ(item->Applied().intVal, c.expected);
        EXPECT_EQ(probe.sets, c.sets);
        if (c.sets) EXPECT_EQ(probe.system.intVal, c.expected);
        if (c.settingID == 0) EXPECT_TRUE(service.fake.calls.empty());
    }
}

TEST(ItemService, SettingIdZeroNeverTouchesTheService) {
    pwtest::ScopedFakeService service;
    Probe probe;
    probe.system = Int(2);
    OpenPage<> page(IDD_CONTROLS, kClass);
    auto* item = new ProbeItem(VT_INT, 0, probe.NewOption());
    page.RegisterItem(item);
    HostedPage host(::GetModuleHandleW(nullptr), &page);
    item->Modified(Int(6));
    EXPECT_EQ(item->ReadXMLData(), PW_NOT_POSSIBLE);
    EXPECT_EQ(item->SaveXMLData(), PW_NOT_POSSIBLE);
    EXPECT_EQ(host.Apply(), 0);
    item->Modified(Int(1));
    page.WndFunc(PWM_CANCEL, 0, 0);
    // Only the page's own store request remains.
    for (const auto& call : service.fake.calls) EXPECT_EQ(call, L"UpdateCurrentSetting");
    EXPECT_EQ(probe.system.intVal, 6);
}

TEST(ItemService, GuardsWithoutServiceOrInterface) {
    OpenPage<> page(IDD_CONTROLS, kClass);
    auto* item = new ProbeItem(VT_INT, 4, nullptr);
    page.RegisterItem(item);
    {
        pwtest::ScopedNoService none;
        EXPECT_EQ(item->ReadXMLData(), PW_NOT_POSSIBLE);
        EXPECT_EQ(item->SaveXMLData(), PW_NOT_POSSIBLE);
    }
    plugwerk_testing::UseSettory(nullptr);
    EXPECT_EQ(item->ReadXMLData(), PW_NO_INTERFACE);
    EXPECT_EQ(item->SaveXMLData(), PW_NO_INTERFACE);
    item->InitDefault();
    VARIANT value;
    EXPECT_EQ(item->GetDefault(value), PW_NO_DEFAULT);
    plugwerk_testing::UseNoServices();
}

TEST(ItemDefaults, SetGetAndReset) {
    pwtest::ScopedNoService none;
    OpenPage<> page(IDD_CONTROLS, kClass);
    auto* item = new ProbeItem(VT_INT, 4, nullptr);
    page.RegisterItem(item);
    VARIANT out;
    EXPECT_EQ(item->GetDefault(out), PW_NO_DEFAULT);
    EXPECT_EQ(item->ResetDefault(), PW_NO_DEFAULT);
    EXPECT_EQ(page.IsDefault(), PW_NO_DEFAULT);
    EXPECT_EQ(item->SetDefault(Int(8)), 0);
    EXPECT_EQ(item->SetDefault(Int(9, VT_BOOL)), PW_WRONG_TYPE);
    VARIANT empty = {};
    EXPECT_EQ(item->SetDefault(empty), PW_WRONG_TYPE);
    ASSERT_EQ(item->GetDefault(out), 0);
    EXPECT_EQ(out.intVal, 8);
    EXPECT_EQ(page.IsDefault(), 0);
    // A default set by the plug-in survives InitDefault.
    item->InitDefault();
    ASSERT_EQ(item->GetDefault(out), 0);
    EXPECT_EQ(out.intVal, 8);

    HostedPage host(::GetModuleHandleW(nullptr), &page);
    VARIANT two = Int(2);
    item->SetItemData(two);
    int shownBefore = item->shown;
    EXPECT_EQ(page.WndFunc(PWM_RESET_DEFAULT, 0, 0), 0);
    EXPECT_EQ(item->Data().intVal, 8);
    EXPECT_TRUE(item->IsModified());
    EXPECT_EQ(item->shown, shownBefore + 1);
    // A disabled control keeps its value.
    item->SetItemData(two);
    ::EnableWindow(host.Control(IDC_CHECK), FALSE);
    EXPECT_EQ(item->ResetDefault(), 0);
    EXPECT_EQ(item->Data().intVal, 2);
}

// Leftovers of a long-running host: a freed block of that size, and stack below this frame, full of
// a non-zero pattern that the next allocation and the next calls usually get back.
__attribute__((noinline)) void LeaveDirtyMemory(size_t blockSize) {
    void* block = ::operator new(blockSize);
    memset(block, 0xA5, blockSize);
    ::operator delete(block);
    volatile char stack[32768];
    for (size_t i = 0; i < sizeof(stack); ++i) stack[i] = static_cast<char>(0xA5);
}

TEST(ItemStrings, StringsTravelThroughTheExMethodsAndKeepTheirOwnCopies) {
    pwtest::ScopedFakeService service;
    const std::wstring longest(SETTORY_VALUE_CAPACITY - 1, L'n');
    service.fake.defaults[{kClass, 6}] = L"Office";
    service.fake.current[{kClass, 6}] = longest;
    Probe probe;
    OpenPage<> page(IDD_CONTROLS, kClass);
    auto* option = static_cast<ProbeOption*>(probe.NewOption());
    LeaveDirtyMemory(sizeof(ProbeItem));
    auto* item = new ProbeItem(VT_BSTR, 6, option);
    page.RegisterItem(item);
    // A string item starts without a string: the first assignment frees what the data holds.
    ASSERT_EQ(item->Data().bstrVal, nullptr);
    EXPECT_EQ(service.fake.CountCalls(L"GetDefaultValueEx 6"), 1u);
    LeaveDirtyMemory(0);
    HostedPage host(::GetModuleHandleW(nullptr), &page);
    EXPECT_EQ(option->handed, 0);
    ASSERT_EQ(item->Data().vt, VT_BSTR);
    EXPECT_EQ(std::wstring(item->Data().bstrVal), longest);

    // Strings always compare equal: a new text counts only through Modified().
    VARIANT text = {};
    text.vt = VT_BSTR;
    text.bstrVal = ::SysAllocString(L"Cafe");
    item->Modified(text);
    EXPECT_FALSE(item->IsModified());
    VARIANT copy;
    item->GetItemData(copy);
    ::VariantClear(&copy);  // the caller's copy, freed without touching the item's
    item->SetItemData(text);
    ::VariantClear(&text);  // and the item kept its own copy of what it was given
    EXPECT_EQ(std::wstring(item->Data().bstrVal), L"Cafe");
    item->Modified();
    EXPECT_TRUE(item->IsModified());
    EXPECT_EQ(host.Apply(), 0);
    EXPECT_EQ(service.fake.CountCalls(L"SetCurrentValueEx 6"), 1u);
    EXPECT_EQ((service.fake.current[{kClass, 6}]), L"Cafe");

    // Setting a default sets the type again: the string it dropped is not left behind to be freed
    // a second time.
    VARIANT office = {};
    office.vt = VT_BSTR;
    office.bstrVal = ::SysAllocString(L"Office");
    EXPECT_EQ(item->SetDefault(office), 0);
    EXPECT_EQ(item->Data().bstrVal, nullptr);
    item->SetItemData(office);
    ::VariantClear(&office);
    EXPECT_EQ(std::wstring(item->Data().bstrVal), L"Office");
}

}  // namespace
