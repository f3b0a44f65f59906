// The settings window's search: the box above the tree, the tree narrowed to what a search finds,
// and the way from a result to the control it was found by.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "base/resource_module.h"
#include "resource.h"
#include "ui/tab_dialog.h"
#include "window/main_dlg.h"
#include "window/scroll_view.h"
#include "window/search_target.h"

namespace {
constexpr int kSearchLimitChars = 200;
}  // namespace

void COSLMainDlg::AttachSearchBox() {
    HWND edit = GetDlgItem(IDC_SEARCH);
    if (!edit) return;
    m_searchBox.Attach(edit, base::LoadResString(IDS_SEARCH_CUE));
    ::SendMessageW(edit, EM_LIMITTEXT, kSearchLimitChars, 0);
    ::SetDlgItemTextW(m_hWnd, IDC_SEARCH_NO_RESULTS, base::LoadResString(IDS_SEARCH_NO_RESULTS));
}

void COSLMainDlg::OnSearchCommand(int notifyCode) {
    // The texts are read when the person comes to the box, not while the window opens.
    if (notifyCode == EN_SETFOCUS) PrepareSearch();
    if (notifyCode == EN_CHANGE) ApplySearch(m_searchBox.GetWindowText());
}

size_t COSLMainDlg::PrepareSearch() {
    if (m_searchIndex) return m_searchIndex->Size();
    if (!m_tree.IsWindow()) return 0;
    // Built from the whole tree: a search looks through exactly what the window lists.
    auto index = std::make_unique<ostrel::CSearchIndex>();
    HWND tree = m_tree;
    for (HTREEITEM category = TreeView_GetRoot(tree); category; category = TreeView_GetNextSibling(tree, category)) {
        CStringW categoryName = ostrel::TreeItemText(tree, category);
        for (HTREEITEM item = TreeView_GetChild(tree, category); item; item = TreeView_GetNextSibling(tree, item)) {
            if (CRegisteredApplication* entry = EntryOfItem(item)) {
                index->Add(entry, ostrel::CSearchIndex::TextsOf(entry, categoryName));
            }
        }
    }
    m_searchIndex = std::move(index);
    return m_searchIndex->Size();
}

void COSLMainDlg::ApplySearch(const CStringW& query) {
    CStringW words = query;
    words.Trim();
    if (words.IsEmpty()) {
        if (m_bSearching) EndSearch();
        return;
    }
    PrepareSearch();
    const bool wasSearching = m_bSearching;
    if (!m_bSearching) {
        SaveTreeState();
        m_bSearching = true;
    }
    std::vector<ostrel::SearchHit> hits = m_searchIndex->Find(words);
    // Most keystrokes only lengthen a word and find the same entries: the tree stays as it is.
    const bool sameRows = wasSearching && hits.size() == m_searchHits.size() &&
                          std::equal(hits.begin(), hits.end(), m_searchHits.begin(),
                                     [](const ostrel::SearchHit& a, const ostrel::SearchHit& b) { return a.entry == b.entry; });
    m_searchHits = std::move(hits);
    if (!sameRows) ShowSearchResults();
}

void COSLMainDlg::ShowSearchResults() {
    RebuildTree(false);
    const bool none = m_searchHits.empty();
    ::ShowWindow(m_tree, none ? SW_HIDE : SW_SHOW);
    ::ShowWindow(GetDlgItem(IDC_SEARCH_NO_RESULTS), none ? SW_SHOW : SW_HIDE);
    ComputeTabBookkeeping();
}

void COSLMainDlg::EndSearch() {
    m_bSearching = false;
    m_bFocusSearchTarget = false;
    m_searchHits.clear();
    ::ShowWindow(GetDlgItem(IDC_SEARCH_NO_RESULTS), SW_HIDE);
    ::ShowWindow(m_tree, SW_SHOW);
    RebuildTree(true);
    ComputeTabBookkeeping();
}

void COSLMainDlg::RebuildTree(bool whole) {
    HWND tree = m_tree;
    // Deleting the items moves the selection; the window must not take that for the person's choice.
    m_bRebuildingTree = true;
    ::SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(tree);
    if (whole) {
        PopulateTree();
        RestoreTreeState();
    } else {
        m_hSystemInfoItem = nullptr;
        // Categories in the order of their best result, each result under its category in rank.
        std::vector<UINT> categories;
        for (const ostrel::SearchHit& hit : m_searchHits) {
            if (std::find(categories.begin(), categories.end(), hit.entry->m_nCategory) == categories.end()) {
                categories.push_back(hit.entry->m_nCategory);
            }
        }
        for (UINT category : categories) {
            HTREEITEM parent = InsertCategoryItem(category);
            for (const ostrel::SearchHit& hit : m_searchHits) {
                if (hit.entry->m_nCategory == category) InsertEntryItem(hit.entry, parent, TVI_LAST);
            }
            TreeView_Expand(tree, parent, TVE_EXPAND);
        }
        if (HTREEITEM first = TreeView_GetRoot(tree)) TreeView_EnsureVisible(tree, first);
    }
    ::SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    m_bRebuildingTree = false;
    ::InvalidateRect(tree, nullptr, TRUE);
}

int COSLMainDlg::CategoryOfItem(HTREEITEM item) {
    if (!item) return -1;
    CStringW text = ostrel::TreeItemText(m_tree, item);
    for (UINT category = 0; category < 15; ++category) {
        if (CategoryName(category) == text) return static_cast<int>(category);
    }
    return -1;
}

HTREEITEM COSLMainDlg::ItemOfEntry(CRegisteredApplication* entry) {
    if (!entry) return nullptr;
    HWND tree = m_tree;
    for (HTREEITEM category = TreeView_GetRoot(tree); category; category = TreeView_GetNextSibling(tree, category)) {
        for (HTREEITEM item = TreeView_GetChild(tree, category); item; item = TreeView_GetNextSibling(tree, item)) {
            if (EntryOfItem(item) == entry) return item;
        }
    }
    return nullptr;
}

void COSLMainDlg::SaveTreeState() {
    TreeState state;
    state.current = m_pCurrentEntry;
    HTREEITEM selected = TreeView_GetSelection(m_tree);
    state.selectedEntry = EntryOfItem(selected);
    if (selected && !state.selectedEntry) state.selectedCategory = CategoryOfItem(selected);
    for (HTREEITEM category = TreeView_GetRoot(m_tree); category; category = TreeView_GetNextSibling(m_tree, category)) {
        if (TreeView_GetItemState(m_tree, category, TVIS_EXPANDED) & TVIS_EXPANDED) {
            state.expandedCategories.push_back(CategoryOfItem(category));
        }
    }
    m_treeBeforeSearch = state;
}

void COSLMainDlg::RestoreTreeState() {
    const TreeState& state = m_treeBeforeSearch;
    for (int category : state.expandedCategories) {
        if (HTREEITEM item = category >= 0 ? CategoryItem(static_cast<UINT>(category)) : nullptr) {
            TreeView_Expand(m_tree, item, TVE_EXPAND);
        }
    }
    // The selection from before the search, unless a result was opened since: then that one.
    HTREEITEM target = nullptr;
    if (m_pCurrentEntry == state.current) {
        if (state.selectedEntry) target = ItemOfEntry(state.selectedEntry);
        else if (state.selectedCategory >= 0) target = CategoryItem(static_cast<UINT>(state.selectedCategory));
    } else {
        target = ItemOfEntry(m_pCurrentEntry);
    }
    if (!target) return;
    TreeView_SelectItem(m_tree, target);
    TreeView_EnsureVisible(m_tree, target);
}

BOOL COSLMainDlg::TranslateSearchKey(MSG* msg) {
    if (msg->message != WM_KEYDOWN || !m_searchBox.IsWindow()) return FALSE;
    if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)) return FALSE;
    const bool control = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool alt = (::GetKeyState(VK_MENU) & 0x8000) != 0;
    if (control && !alt && (msg->wParam == 'F' || msg->wParam == 'E')) {
        m_searchBox.SetFocus();
        m_searchBox.SendMessage(EM_SETSEL, 0, -1);
        return TRUE;
    }
    if (msg->hwnd == m_searchBox.m_hWnd) {
        switch (msg->wParam) {
        case VK_ESCAPE:
            // An empty box leaves Escape to the window, which closes.
            if (m_searchBox.IsEmpty()) return FALSE;
            m_searchBox.SetWindowText(L"");
            return TRUE;
        case VK_DOWN:
            MoveIntoResults();
            return TRUE;
        case VK_RETURN:
            // Never the window's default button: Enter in the box opens the best result.
            if (m_bSearching && !m_searchHits.empty()) ChooseResult(ItemOfEntry(m_searchHits.front().entry));
            return TRUE;
        default:
            return FALSE;
        }
    }
    if (msg->hwnd == m_tree.m_hWnd && msg->wParam == VK_RETURN && m_bSearching) {
        ChooseResult(TreeView_GetSelection(m_tree));
        return TRUE;
    }
    return FALSE;
}

void COSLMainDlg::MoveIntoResults() {
    if (::IsWindowVisible(m_tree)) ::SetFocus(m_tree);
    if (!m_bSearching || m_searchHits.empty()) return;
    HTREEITEM first = ItemOfEntry(m_searchHits.front().entry);
    if (!first || TreeView_GetSelection(m_tree) == first) return;
    // Passing over a result shows its page but leaves the focus in the tree.
    m_bBrowsingResults = true;
    TreeView_SelectItem(m_tree, first);
    m_bBrowsingResults = false;
}

void COSLMainDlg::ChooseResult(HTREEITEM item) {
    CRegisteredApplication* entry = EntryOfItem(item);
    if (!entry) return;
    m_bFocusSearchTarget = true;
    if (TreeView_GetSelection(m_tree) != item) {
        TreeView_SelectItem(m_tree, item);
    } else if (entry == m_pCurrentEntry && m_pPageView) {
        RevealSearchTarget(entry);
    }
}

BOOL COSLMainDlg::OnSearchSelection(const NMTREEVIEWW* change) {
    if (m_bRebuildingTree) return TRUE;
    if (!m_bSearching) return FALSE;
    m_bFocusSearchTarget = change->action != TVC_BYKEYBOARD && !m_bBrowsingResults;
    CRegisteredApplication* entry = EntryOfItem(change->itemNew.hItem);
    if (entry && entry == m_pCurrentEntry && m_pPageView) {
        // Its page is shown already; making it again would drop what the person changed on it.
        RevealSearchTarget(entry);
        ComputeTabBookkeeping();
        return TRUE;
    }
    return FALSE;
}

const ostrel::SearchHit* COSLMainDlg::HitOf(CRegisteredApplication* entry) const {
    for (const ostrel::SearchHit& hit : m_searchHits) {
        if (hit.entry == entry) return &hit;
    }
    return nullptr;
}

void COSLMainDlg::ScheduleSearchReveal() {
    // A new page finishes its own set-up on its first timers (a combo box fills itself and a tab
    // shows its controls again, which takes the focus away); the reveal comes after that.
    if (m_bSearching) SetTimer(kRevealSearchTimer, kRevealSearchDelayMs);
}

void COSLMainDlg::RevealSearchTarget(CRegisteredApplication* entry) {
    const bool focus = m_bFocusSearchTarget;
    m_bFocusSearchTarget = false;
    const ostrel::SearchHit* hit = m_bSearching ? HitOf(entry) : nullptr;
    if (!hit || !hit->hasControl || !m_pPageView || !m_pPageView->IsWindow()) return;
    HWND page = *m_pPageView;
    HWND control = ostrel::FindPageControl(page, hit->controlId, hit->controlText);
    if (!control || !ostrel::BringControlTabForward(page, control)) return;
    RECT around = {};
    ::GetWindowRect(control, &around);
    ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&around), 2);
    ScrollPageToShow(around);
    m_searchMark.Show(page, around);
    if (!focus) return;
    if (HWND target = ostrel::FocusTargetFor(page, control)) ::SetFocus(target);
}

void COSLMainDlg::ScrollPageToShow(const RECT& pageRect) {
    if (!m_pPageView || !m_pScrollView || !m_pScrollView->IsWindow()) return;
    RECT shown = {};
    ::GetClientRect(*m_pScrollView, &shown);
    RECT view = {};
    ::GetWindowRect(*m_pPageView, &view);
    ::MapWindowPoints(nullptr, *m_pScrollView, reinterpret_cast<POINT*>(&view), 2);
    const int position = -view.top;  // how far the page is scrolled up now
    const int margin = m_layout.ScaleY(8);
    int wanted = position;
    if (pageRect.bottom + margin > position + shown.bottom) wanted = pageRect.bottom + margin - shown.bottom;
    if (pageRect.top - margin < wanted) wanted = std::max(0, static_cast<int>(pageRect.top) - margin);
    if (wanted == position) return;
    HWND bar = GetDlgItem(IDC_PAGE_SCROLLBAR);
    if (bar && ::IsWindowVisible(bar)) {
        // Through the scroll bar, so that it shows the new position and clamps it.
        SCROLLINFO info = {};
        info.cbSize = sizeof(info);
        info.fMask = SIF_POS;
        info.nPos = wanted;
        ::SetScrollInfo(bar, SB_CTL, &info, TRUE);
        ::GetScrollInfo(bar, SB_CTL, &info);
        wanted = info.nPos;
        m_scrollInfo.nPos = wanted;
    }
    m_pPageView->ScrollTo(wanted);
}
