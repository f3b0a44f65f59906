// Each control item against its real control on a dialog, and the tab item's page switching.
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

HINSTANCE Self() { return ::GetModuleHandleW(nullptr); }

LRESULT Checked(HostedPage& host, int id) { return ::SendMessageW(host.Control(id), BM_GETCHECK, 0, 0); }

template <typename T>
VARIANT DataOf(T* item) {
    VARIANT v;
    item->GetItemData(v);
    return v;
}

class ControlItems : public ::testing::Test {
protected:
    pwtest::ScopedNoService none;
    OpenPage<> page{IDD_CONTROLS};
};

TEST_F(ControlItems, CheckBoxReportsOneOrZeroAndIgnoresOtherTypes) {
    auto* item = new CheckBoxItem(0, 0, IDC_CHECK, 0, nullptr);
    page.RegisterItem(item);
    HostedPage host(Self(), &page);
    EXPECT_EQ(item->IsCanSet(), 1);
    EXPECT_EQ(DataOf(item).vt, VT_BOOL);
    host.Click(IDC_CHECK);
    EXPECT_EQ(Checked(host, IDC_CHECK), BST_CHECKED);
    EXPECT_EQ(DataOf(item).boolVal, 1);  // not VARIANT_TRUE
    EXPECT_TRUE(item->IsModified());
    item->SetItem(Int(0, VT_INT));
    EXPECT_EQ(Checked(host, IDC_CHECK), BST_CHECKED);
    item->SetItem(Int(0, VT_BOOL));
    EXPECT_EQ(Checked(host, IDC_CHECK), BST_UNCHECKED);
    EXPECT_EQ(host.Command(IDC_CHECK, BN_SETFOCUS), 1);
}

TEST_F(ControlItems, RadioGroupChecksOneButtonAndClearsAllForAnOutsideValue) {
    auto* item = new CRadioButtonItem(0, 0, IDC_RADIO, 3, 0, nullptr);
    page.RegisterItem(item);
    HostedPage host(Self(), &page);
    item->SetItem(Int(1));
    EXPECT_EQ(Checked(host, IDC_RADIO), BST_UNCHECKED);
    EXPECT_EQ(Checked(host, IDC_RADIO + 1), BST_CHECKED);
    EXPECT_EQ(Checked(host, IDC_RADIO + 2), BST_UNCHECKED);
    host.Click(IDC_RADIO + 2);
    EXPECT_EQ(DataOf(item).intVal, 2);
    EXPECT_TRUE(item->IsModified());
    EXPECT_EQ(host.Command(IDC_RADIO, BN_CLICKED), 1);  // radio commands always answer 1
    item->SetItem(Int(5));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Checked(host, IDC_RADIO + i), BST_UNCHECKED) << i;
    CRadioButtonItem none(0, 0, IDC_RADIO, 0, 0, nullptr);
    EXPECT_EQ(none.GetControlID(), 0u);  // a count of 0 makes no buttons
}

TEST_F(ControlItems, ComboBoxFillsOnTheFirstTimerAndReportsSelection) {
    auto* item = new ComBoxItem(0, 0, IDC_COMBO, 0, nullptr);
    for (const wchar_t* text : {L"Never", L"After 5 s", L"After 30 s"}) item->AddString(text);
    VARIANT two = Int(2);
    item->SetItemData(two);
    page.RegisterItem(item);
    HostedPage host(Self(), &page);
    HWND combo = host.Control(IDC_COMBO);
    EXPECT_EQ(item->GetItemCount(), 0);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return item->GetItemCount() == 3; }, 2000));
    EXPECT_EQ(::SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
    wchar_t text[32] = {};
    ::SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"After 5 s");
    // The timer is gone: no second filling.
    testsupport::PumpUntil([] { return false; }, 100);
    EXPECT_EQ(item->GetItemCount(), 3);
    ::SendMessageW(combo, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(host.Command(IDC_COMBO, CBN_SELCHANGE), 0);
    EXPECT_EQ(DataOf(item).intVal, 0);
    EXPECT_TRUE(item->IsModified());
    EXPECT_EQ(host.ValueChanges(), 1);
}

TEST_F(ControlItems, ListBoxShowsItsStringsAndNeverBecomesModified) {
    auto* item = new CListBoxItem(0, 0, IDC_LIST, 0, nullptr);
    CAtlArray<CStringW> strings;
    strings.Add(L"Fn+F5: brightness down");
    strings.Add(L"Fn+F6: brightness up");
    item->AddListArray(strings);
    page.RegisterItem(item);
    HostedPage host(Self(), &page);
    HWND list = host.Control(IDC_LIST);
    ASSERT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    wchar_t text[64] = {};
    ::SendMessageW(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"Fn+F6: brightness up");
    ::SendMessageW(list, LB_SETCURSEL, 1, 0);
    EXPECT_EQ(host.Command(IDC_LIST, LBN_SELCHANGE), 0);
    EXPECT_EQ(host.Command(IDC_LIST, LBN_DBLCLK), 1);
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(host.ValueChanges(), 0);
}

TEST_F(ControlItems, SliderReportsThroughHorizontalScrolling) {
    auto* item = new CSliderItem(0, 0, IDC_SLIDER, 0, nullptr);
    item->GetSliderData(2, 12, 2);
    VARIANT four = Int(4);
    item->SetItemData(four);
    page.RegisterItem(item);
    HostedPage host(Self(), &page);
    HWND slider = host.Control(IDC_SLIDER);
    EXPECT_EQ(::SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 12);
    EXPECT_EQ(::SendMessageW(slider, TBM_GETPOS, 0, 0), 4);
    ::SendMessageW(slider, TBM_SETPOS, TRUE, 10);
    EXPECT_FALSE(item->IsModified());  // moving the thumb alone reports nothing
    EXPECT_EQ(page.WndFunc(WM_HSCROLL, TB_THUMBPOSITION, reinterpret_cast<LPARAM>(slider)), 0);
    EXPECT_EQ(DataOf(item).intVal, 10);
    EXPECT_TRUE(item->IsModified());
    EXPECT_EQ(host.ValueChanges(), 1);
    item->SetItem(Int(3, VT_BOOL));
    EXPECT_EQ(::SendMessageW(slider, TBM_GETPOS, 0, 0), 10);
}

TEST_F(ControlItems, PictureIsLoadedOnceAndKept) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    auto* item = new CPictureItem(0, 0, IDC_PICTURE, 0, nullptr);
    item->AddPictureInfo(self, IMAGE_ICON, IDI_TEST, 32, 32);
    auto* missing = new CPictureItem(0, 0, IDC_PICTURE_MISSING, 0, nullptr);
    missing->AddPictureInfo(L"no-such-module.dll", IMAGE_ICON, IDI_TEST, 32, 32);
    page.RegisterItem(item);
    page.RegisterItem(missing);
    HostedPage host(Self(), &page);
    HWND picture = host.Control(IDC_PICTURE);
    HANDLE first = reinterpret_cast<HANDLE>(::SendMessageW(picture, STM_GETICON, 0, 0));
    ASSERT_NE(first, nullptr);
    // Shown again: the same image, not a second load.
    page.WndFunc(WM_INITDIALOG, 0, 0);
    EXPECT_EQ(reinterpret_cast<HANDLE>(::SendMessageW(picture, STM_GETICON, 0, 0)), first);
    EXPECT_EQ(DataOf(item).vt, VT_EMPTY);
    // The same resource number from a module that is not there: nothing is shown, not the other image.
    EXPECT_EQ(::SendMessageW(host.Control(IDC_PICTURE_MISSING), STM_GETICON, 0, 0), 0);
}

class CountingButton : public ButtonItem {
public:
    CountingButton() : ButtonItem(0, 0, IDC_BUTTON) {}
    long OnButtonClick() override { return ++clicks == 1 ? 2 : 0; }
    int clicks = 0;
};

TEST_F(ControlItems, ButtonAndStaticText) {
    auto* button = new CountingButton;
    auto* text = new CEditItem(0, 0, IDC_CHECK, 0, nullptr);
    text->SetDisplayText(L"Panel: 14 inch");
    page.RegisterItem(button);
    page.RegisterItem(text);
    HostedPage host(Self(), &page);
    wchar_t shown[64] = {};
    ::GetWindowTextW(host.Control(IDC_CHECK), shown, 64);
    EXPECT_STREQ(shown, L"Panel: 14 inch");
    text->SetDisplayText(L"Panel: 15 inch");
    ::GetWindowTextW(host.Control(IDC_CHECK), shown, 64);
    EXPECT_STREQ(shown, L"Panel: 15 inch");
    EXPECT_EQ(host.Click(IDC_BUTTON), 2);
    EXPECT_EQ(host.Click(IDC_BUTTON), 0);
    EXPECT_EQ(button->clicks, 2);
    EXPECT_EQ(button->IsCanSet(), 0);
    EXPECT_FALSE(page.IsModified());
}

TEST_F(ControlItems, TwoItemsOnOneControlBothHearItsCommands) {
    auto* first = new CheckBoxItem(0, 0, IDC_CHECK, 0, nullptr);
    auto* second = new CheckBoxItem(0, 0, IDC_CHECK, 0, nullptr);
    page.RegisterItem(first);
    page.RegisterItem(second);
    HostedPage host(Self(), &page);
    host.Click(IDC_CHECK);
    EXPECT_TRUE(first->IsModified());
    EXPECT_TRUE(second->IsModified());
}

TEST_F(ControlItems, ControlPositionsAreScaledTo120Dpi) {
    plugwerk_testing::SetScreenDpi(120, 120);
    RECT rect = {1, 1, 2, 2};
    page.SetControlPos(IDC_CHECK, rect);
    rect = {10, 20, 110, 40};
    page.SetControlPos(IDC_CHECK, rect);  // replaces the first
    page.SetControlPos(IDC_BUTTON, 8, 16, 80, 24);
    page.SetControlPos(4242, 0, 0, 10, 10);  // no such control: skipped
    plugwerk_testing::SetScreenDpi(0, 0);
    HostedPage host(Self(), &page);
    struct Case {
        int id;
        RECT expected;
    } cases[] = {{IDC_CHECK, {13, 25, 138, 50}}, {IDC_BUTTON, {10, 20, 110, 50}}};
    for (const Case& c : cases) {
        RECT actual;
        ::GetWindowRect(host.Control(c.id), &actual);
        ::MapWindowPoints(nullptr, host.Window(), reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, c.expected.left) << c.id;
        EXPECT_EQ(actual.top, c.expected.top) << c.id;
        EXPECT_EQ(actual.right, c.expected.right) << c.id;
        EXPECT_EQ(actual.bottom, c.expected.bottom) << c.id;
    }
}

// Tabs ------------------------------------------------------------------------------------------------

class TabPage : public OpenPage<> {
public:
    TabPage() : OpenPage<>(IDD_TABS) {
        tab = new CTabItem(0, 0, IDC_TAB, 0, nullptr);
        for (const wchar_t* title : {L"Display", L"Keyboard", L"Lid"}) tab->AddPage(title);
        const int ids[] = {IDC_TAB_A1, IDC_TAB_A2, IDC_TAB_B, IDC_TAB_C};
        const unsigned pages[] = {0, 0, 1, 2};
        for (int i = 0; i < 4; ++i) {
            auto* item = new CheckBoxItem(0, 0, ids[i], 0, nullptr);
            tab->InsertItem(pages[i], item);
            RegisterItem(item);
        }
        CheckBoxItem stray(0, 0, IDC_TAB_C, 0, nullptr);
        tab->InsertItem(7, &stray);  // refused: no such tab page
        tab->InsertItem(0, nullptr);
        RegisterItem(tab);
        onMessage = [this](UINT message, WPARAM, LPARAM) {
            if (message == WM_INITDIALOG) {
                tab->InitTab();
                tab->ShowTab();
            }
            return static_cast<long>(PW_NOT_HANDLED);
        };
    }
    CTabItem* tab;
};

std::string Visible(HostedPage& host) {
    std::string shown;
    for (int id : {IDC_TAB_A1, IDC_TAB_A2, IDC_TAB_B, IDC_TAB_C}) {
        HWND control = host.Control(id);
        // The style bit, not IsWindowVisible: the host frame stays hidden to keep the tests fast.
        bool visible = (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
        bool on = visible && ::IsWindowEnabled(control);
        bool off = !visible && !::IsWindowEnabled(control);
        shown += on ? '1' : off ? '0' : '?';
    }
    return shown;
}

void SelectTab(HostedPage& host, PluginClass& page, int index) {
    HWND tab = host.Control(IDC_TAB);
    ::SendMessageW(tab, TCM_SETCURSEL, index, 0);
    NMHDR header = {tab, IDC_TAB, static_cast<UINT>(TCN_SELCHANGE)};
    page.WndFunc(WM_NOTIFY, IDC_TAB, reinterpret_cast<LPARAM>(&header));
}

TEST(TabItem, SelectingATabShowsItsItemsAndHidesTheOthers) {
    pwtest::ScopedNoService none;
    TabPage page;
    HostedPage host(Self(), &page);
    HWND tab = host.Control(IDC_TAB);
    ASSERT_EQ(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 3);
    wchar_t title[32] = {};
    TCITEMW item = {TCIF_TEXT};
    item.pszText = title;
    item.cchTextMax = 32;
    ::SendMessageW(tab, TCM_GETITEMW, 2, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(title, L"Lid");
    EXPECT_EQ(::GetWindowLongW(tab, GWL_STYLE) & WS_HSCROLL, 0);
    EXPECT_EQ(Visible(host), "1100");

    SelectTab(host, page, 2);
    EXPECT_EQ(page.tab->GetActivePage(), 2u);
    EXPECT_EQ(Visible(host), "0001");
    SelectTab(host, page, 1);
    EXPECT_EQ(Visible(host), "0010");

    // Past the end: the active page stays and is drawn again.
    ::ShowWindow(host.Control(IDC_TAB_B), SW_HIDE);
    page.tab->SetActivePage(3);
    EXPECT_EQ(page.tab->GetActivePage(), 1u);
    EXPECT_EQ(Visible(host), "0010");
    EXPECT_EQ(::SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);

    // Removing the active page lets the next one take its index.
    page.tab->RemovePage(1);
    EXPECT_EQ(page.tab->GetPageCount(), 2);
    EXPECT_EQ(Visible(host), "0001");
    // A removed item is no longer shown with its tab.
    page.tab->RemoveItem(0, 1);
    page.tab->SetActivePage(0);
    EXPECT_EQ(Visible(host), "1000");
    EXPECT_FALSE(page.IsModified());
}

TEST(TabItem, TabsAre300By25At120DpiAndPaintWhite) {
    pwtest::ScopedNoService none;
    plugwerk_testing::SetScreenDpi(120, 120);
    TabPage page;
    HostedPage host(Self(), &page);
    plugwerk_testing::SetScreenDpi(0, 0);
    HWND tab = host.Control(IDC_TAB);
    RECT first = {};
    ASSERT_TRUE(::SendMessageW(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)));
    EXPECT_EQ(first.right - first.left, 300);
    EXPECT_EQ(first.bottom - first.top, 25);

    EXPECT_EQ(CTabSheetWindow::Instance().GetSafeHwnd(), tab);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 50, 50);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    RECT all = {0, 0, 50, 50};
    HBRUSH black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    ::FillRect(memory, &all, black);
    ::SendMessageW(tab, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
    EXPECT_EQ(::GetPixel(memory, 25, 25) & 0xFFFFFF, 0xFFFFFFu);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
}

}  // namespace
