#include <gtest/gtest.h>

#include <map>

#include "base/resource_module.h"
#include "support/fixtures.h"
#include "window/label_wrap.h"
#include "window/new_tree_ctrl.h"

namespace {

using ostrel::WrapLabel;

int SevenPerChar(const CStringW& text) { return 7 * text.GetLength(); }

TEST(LabelWrap, FitsBreaksAtSpacesOrHardWraps) {
    struct {
        const wchar_t* label;
        int width;
        const wchar_t* text;
        int lines;
        bool changed;
    } cases[] = {
        {L"Display", 106, L"Display", 0, false},
        {L"  Display  ", 106, L"Display", 0, false},
        {L"Adjust the brightness of the screen", 106, L"Adjust the\nbrightness of\nthe screen", 2, true},
        // Positions of the hard breaks count in the growing text; one past the end is appended.
        {L"Supercalifragilisticexpialidocious", 106, L"Supercalifragi\nlisticexpiali\ndocious\n", 2, true},
        // A space only within the first two characters does not count: hard wrap.
        {L"A Bcdefghijklmnopqrstuvwxyz", 106, L"A Bcdefghijklm\nnopqrstuvwxyz\n", 1, true},
        // No suitable space in the first piece: the rest stays whole rather than being dropped.
        {L"Wireless configurationassistant here", 106, L"Wireless\nconfigurationassistant here", 1, true},
    };
    for (const auto& c : cases) {
        ostrel::WrappedLabel w = WrapLabel(c.label, c.width, SevenPerChar);
        EXPECT_STREQ(c.text, w.text) << c.label;
        EXPECT_EQ(c.lines, w.lineCount) << c.label;
        EXPECT_EQ(c.changed, w.changed) << c.label;
    }
}

TEST(LabelWrap, TreeIsWiderForLanguagesWithLongCategoryNames) {
    for (const wchar_t* wide : {L"fr-FR", L"ru-RU", L"es-ES"}) EXPECT_EQ(254, ostrel::TreeLabelWidthForLanguage(wide));
    for (const wchar_t* narrow : {L"de-DE", L"en-US", L"fr-CA", L""}) {
        EXPECT_EQ(232, ostrel::TreeLabelWidthForLanguage(narrow));
    }
    EXPECT_EQ(232, ostrel::TreeLabelWidthForLanguage(nullptr));
}

struct FakeHost : ITreeHost {
    std::map<HTREEITEM, CStringW> labels;
    HICON categoryIcon = nullptr;
    HICON entryIcon = nullptr;
    BOOL GetItemLabel(HTREEITEM item, CStringW* label) override {
        auto it = labels.find(item);
        if (it == labels.end()) return FALSE;
        *label = it->second;
        return TRUE;
    }
    HICON GetCategoryIcon(const CStringW&) override { return categoryIcon; }
    HICON GetEntrySmallIcon(const CStringW&) override { return entryIcon; }
};

class TreeControl : public testing::Test {
protected:
    void SetUp() override {
        resources_ = base::LoadLocalisedModule(testsupport::BinFolder(), L"Ostrel.exe.mui");
        ASSERT_TRUE(resources_.valid());
        previous_ = base::SetResourceModule(resources_.get());
        parent_ = ::CreateWindowExW(0, L"STATIC", L"tree host", WS_POPUP | WS_VISIBLE, 0, 0, 320, 500, nullptr, nullptr,
                                    nullptr, nullptr);
        HWND tree = ::CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_SHOWSELALWAYS,
                                      0, 0, 300, 480, parent_, nullptr, nullptr, nullptr);
        tree_ = std::make_unique<CNewTreeCtrl>();
        ASSERT_TRUE(tree_->Attach(tree, &host_));
        category_ = Insert(TVI_ROOT, L"Display", true);
        entry_ = Insert(category_, L"Brightness", false);
        longEntry_ = Insert(category_, L"Supercalifragilisticexpialidociousbrightnesscontrol", false);
        other_ = Insert(TVI_ROOT, L"Power", true);
        Insert(other_, L"Battery", false);
    }
    void TearDown() override {
        tree_.reset();
        ::DestroyWindow(parent_);
        base::SetResourceModule(previous_);
    }
    HTREEITEM Insert(HTREEITEM parent, const wchar_t* text, bool category) {
        TVINSERTSTRUCTW insert = {};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_CHILDREN;
        insert.item.pszText = const_cast<wchar_t*>(text);
        insert.item.cChildren = category ? 1 : 0;
        return TreeView_InsertItem(tree_->m_hWnd, &insert);
    }
    // Paints the rows into a bitmap and returns the colour at a point.
    COLORREF PixelAt(int x, int y) {
        return testsupport::PaintedPixel(tree_->m_hWnd, [this](HDC dc) { tree_->PaintRows(dc); }, x, y);
    }
    int Scale(int v) { return ::MulDiv(v, tree_->DpiY(), 96); }

    base::UniqueModule resources_;
    HINSTANCE previous_ = nullptr;
    HWND parent_ = nullptr;
    FakeHost host_;
    std::unique_ptr<CNewTreeCtrl> tree_;
    HTREEITEM category_ = nullptr, entry_ = nullptr, longEntry_ = nullptr, other_ = nullptr;
};

TEST_F(TreeControl, RowHeightsForCategoriesShortAndWrappedEntries) {
    EXPECT_EQ(Scale(38), tree_->RowHeight(category_));
    EXPECT_EQ(Scale(24), tree_->RowHeight(entry_));
    ostrel::WrappedLabel label;
    int height = tree_->RowHeight(longEntry_, &label);
    ASSERT_TRUE(label.changed);
    EXPECT_GT(label.lineCount, 0);
    EXPECT_EQ(Scale(24 + 18 * label.lineCount), height);
    // The host's label takes the place of the item's text.
    host_.labels[entry_] = L"Brightness and contrast of the built-in screen, with automatic adjustment";
    EXPECT_GT(tree_->RowHeight(entry_), Scale(24));
}

TEST_F(TreeControl, ClickOnACategoryOpensAndClosesIt) {
    ::SetFocus(tree_->m_hWnd);
    LPARAM onCategory = MAKELPARAM(60, 5);
    tree_->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, onCategory);
    EXPECT_EQ(category_, TreeView_GetSelection(tree_->m_hWnd));
    EXPECT_TRUE(TreeView_GetItemState(tree_->m_hWnd, category_, TVIS_EXPANDED) & TVIS_EXPANDED);
    // The row below the category is now its first entry.
    POINT below = {60, Scale(38) + 3};
    EXPECT_EQ(entry_, tree_->HitRow(below));
    // The glyph follows the state: the plus's upright has the bar's colour only when closed (the
    // 9 x 9 box ends at x 13).
    int boxX = Scale(13) - 9, boxY = Scale(13);
    EXPECT_NE(PixelAt(boxX + 2, boxY + 4), PixelAt(boxX + 4, boxY + 2));
    tree_->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, onCategory);
    EXPECT_FALSE(TreeView_GetItemState(tree_->m_hWnd, category_, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(other_, tree_->HitRow(below));
    EXPECT_EQ(PixelAt(boxX + 2, boxY + 4), PixelAt(boxX + 4, boxY + 2));
}

TEST_F(TreeControl, SelectedRowIsHighlightedAndIconsFallBack) {
    TreeView_Expand(tree_->m_hWnd, category_, TVE_EXPAND);
    TreeView_SelectItem(tree_->m_hWnd, entry_);
    int entryTop = Scale(38);
    // Show-selection-always: highlighted without the focus, in the unfocused colour.
    ::SetFocus(nullptr);
    EXPECT_EQ(RGB(191, 189, 185), PixelAt(250, entryTop + Scale(12)));
    ::SetFocus(tree_->m_hWnd);
    EXPECT_EQ(RGB(185, 218, 252), PixelAt(250, entryTop + Scale(12)));
    // Rows that are not selected keep the background.
    COLORREF background = PixelAt(250, 3);
    EXPECT_NE(RGB(185, 218, 252), background);

    // No small icon from the host: the default entry icon is drawn.
    COLORREF fallback = PixelAt(Scale(38) + Scale(8), entryTop + Scale(4) + Scale(8));
    EXPECT_NE(RGB(185, 218, 252), fallback);
    base::UniqueIcon red(static_cast<HICON>(::LoadImageW(nullptr, testsupport::BinFile(L"testdata\\red.ico"),
                                                         IMAGE_ICON, 16, 16, LR_LOADFROMFILE)));
    ASSERT_TRUE(red.valid());
    host_.entryIcon = red.get();
    EXPECT_EQ(RGB(255, 0, 0), PixelAt(Scale(38) + Scale(8), entryTop + Scale(4) + Scale(8)));
    // The kept default icon comes back when the host has none again.
    host_.entryIcon = nullptr;
    EXPECT_EQ(fallback, PixelAt(Scale(38) + Scale(8), entryTop + Scale(4) + Scale(8)));
}

TEST_F(TreeControl, EnterAndAltAreSwallowedArrowsAreNot) {
    MSG msg = {tree_->m_hWnd, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
    EXPECT_TRUE(tree_->PreTranslateKey(&msg));
    msg.message = WM_SYSKEYDOWN;
    msg.wParam = VK_MENU;
    EXPECT_TRUE(tree_->PreTranslateKey(&msg));
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_DOWN;
    EXPECT_FALSE(tree_->PreTranslateKey(&msg));
    msg.hwnd = parent_;
    msg.wParam = VK_RETURN;
    EXPECT_FALSE(tree_->PreTranslateKey(&msg));
}

}  // namespace
