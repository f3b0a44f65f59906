// The settings window's category tree: filling it from the catalogue and choosing the start entry.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "base/resource_module.h"
#include "catalogue/plugin_registered_application.h"
#include "catalogue/catalogue_owner.h"
#include "common/setting_services.h"
#include "resource.h"
#include "window/main_dlg.h"

namespace {
constexpr int kCategoryCount = 15;

bool IsListed(CRegisteredApplication* entry) {
    return entry->m_nCategory < kCategoryCount && entry->IsVisible();
}

UINT CategoryNameId(UINT category) { return category == 14 ? IDS_CATEGORY_MORE : IDS_CATEGORY_FIRST + category; }

}  // namespace

PluginClass* COSLMainDlg::CurrentPluginOf(CRegisteredApplication* entry) {
    if (!entry || entry->GetEntryType() != ENTRY_PLUGIN_PAGE) return nullptr;
    return static_cast<CPluginRegisteredApplication*>(entry)->GetPluginClass();
}

void COSLMainDlg::FillTree() {
    HWND tree = GetDlgItem(IDC_TREE);
    if (!tree) return;
    ::SetWindowLongW(tree, GWL_STYLE, ::GetWindowLongW(tree, GWL_STYLE) | TVS_NOHSCROLL);
    m_tree.Attach(tree, this);
    ::SetFocus(tree);
    // The tree's image list holds the icons of the categories that have their own art.
    static const UINT imageIcons[] = {146, 147, 149, 150, 151, 153, 154, 156};
    int size = m_layout.ScaleX(32);
    for (UINT id : imageIcons) {
        if (HICON icon = static_cast<HICON>(::LoadImageW(base::CurrentResourceModule(), MAKEINTRESOURCEW(id),
                                                          IMAGE_ICON, size, size, LR_DEFAULTCOLOR))) {
            ImageList_AddIcon(m_tree.ImageList(), icon);
            ::DestroyIcon(icon);
        }
    }
    TreeView_SetItemHeight(tree, m_layout.ScaleY(38));

    // At start-up the catalogue is still being built while this window is made.
    if (m_pOwner) m_pOwner->Catalogue().WaitUntilBuilt();
    PopulateTree();
    if (!m_pOwner) return;
    CRegisteredApplication* start = ChooseStartEntry();
    m_pCurrentEntry = start;
    RaiseStartPriorities(start);
    ::InvalidateRect(tree, nullptr, TRUE);
}

void COSLMainDlg::PopulateTree() {
    for (int& count : m_nCategoryCounts) count = 0;
    m_hSystemInfoItem = nullptr;
    if (!m_pOwner) return;
    m_pOwner->Catalogue().Walk([&](const CCatalogue::Entries& entries) {
        // Whether an entry is listed can take a look at the loaded classes, and finding a category's
        // row by its name reads every root's text: both once per entry, not once per use.
        std::vector<CRegisteredApplication*> listed;
        for (CRegisteredApplication* entry : entries) {
            if (!IsListed(entry)) continue;
            listed.push_back(entry);
            ++m_nCategoryCounts[entry->m_nCategory];
        }
        HTREEITEM categories[kCategoryCount] = {};
        InsertCategories(m_nCategoryCounts, categories);
        for (CRegisteredApplication* entry : listed) InsertEntryItem(entry, categories[entry->m_nCategory], TVI_SORT);
    });
}

HTREEITEM COSLMainDlg::InsertEntryItem(CRegisteredApplication* entry, HTREEITEM category, HTREEITEM after) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = category;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(entry->m_strName.GetString());
    insert.item.lParam = reinterpret_cast<LPARAM>(entry);
    HTREEITEM item = TreeView_InsertItem(m_tree, &insert);
    if (entry->GetEntryType() == ENTRY_SYSTEM_INFO) m_hSystemInfoItem = item;
    return item;
}

void COSLMainDlg::InsertCategories(const int counts[15], HTREEITEM items[15]) {
    for (UINT category = 0; category < kCategoryCount; ++category) {
        if (counts[category] > 0) items[category] = InsertCategoryItem(category);
    }
}

CStringW COSLMainDlg::CategoryName(UINT category) { return base::LoadResString(CategoryNameId(category)); }

HTREEITEM COSLMainDlg::InsertCategoryItem(UINT category) {
    CStringW name = CategoryName(category);
    TVINSERTSTRUCTW insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(name.GetString());
    insert.item.cChildren = 1;
    insert.item.lParam = 0;
    HTREEITEM item = TreeView_InsertItem(m_tree, &insert);
    if (!m_categoryIcons.count(name)) {
        int size = m_layout.ScaleX(32);
        m_categoryIcons[name] = static_cast<HICON>(::LoadImageW(base::CurrentResourceModule(),
                                                                MAKEINTRESOURCEW(IDI_CATEGORY_FIRST + category),
                                                                IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    }
    return item;
}

HTREEITEM COSLMainDlg::CategoryItem(UINT category) {
    if (category >= kCategoryCount) return nullptr;
    CStringW name = CategoryName(category);
    for (HTREEITEM item = TreeView_GetRoot(m_tree); item; item = TreeView_GetNextSibling(m_tree, item)) {
        if (ostrel::TreeItemText(m_tree, item) == name) return item;
    }
    return nullptr;
}

CRegisteredApplication* COSLMainDlg::EntryOfItem(HTREEITEM item) {
    if (!item) return nullptr;
    TVITEMW tv = {};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!TreeView_GetItem(m_tree, &tv)) return nullptr;
    return reinterpret_cast<CRegisteredApplication*>(tv.lParam);
}

CRegisteredApplication* COSLMainDlg::ChooseStartEntry() {
    CRegisteredApplication* systemInfo = EntryOfItem(m_hSystemInfoItem);
    CRegisteredApplication* start = nullptr;
    if (!m_strStartClassId.IsEmpty() && SelectPluginClass(m_strStartClassId)) start = m_pCurrentEntry;
    if (!start) {
        CStringW key;
        if (CSettingServices* services = GetSettingServices()) {
            wchar_t buffer[256] = {};
            if (services->Settory() && services->Settory()->GetCurrentValueEx(kLastEntryClass, 1, buffer) == S_OK) {
                buffer[255] = 0;
                key = buffer;
            }
        }
        if (!key.IsEmpty() && m_pOwner) {
            m_pOwner->Catalogue().Walk([&](const CCatalogue::Entries& entries) {
                for (CRegisteredApplication* entry : entries) {
                    if (entry->m_strKey == key) {
                        start = entry;
                        break;
                    }
                }
            });
        }
        if (!start) start = systemInfo;
    }
    if (start && !start->IsVisible()) start = systemInfo;
    return start;
}

void COSLMainDlg::RaiseStartPriorities(CRegisteredApplication* start) {
    if (!start || !m_pOwner) return;
    // The entries the user sees first are completed first.
    CCatalogue::Raises raises;
    HTREEITEM category = CategoryItem(start->m_nCategory);
    for (HTREEITEM item = category ? TreeView_GetChild(m_tree, category) : nullptr; item;
         item = TreeView_GetNextSibling(m_tree, item)) {
        if (CRegisteredApplication* entry = EntryOfItem(item)) raises.emplace_back(entry, 4);
    }
    raises.emplace_back(start, 5);
    // The main thread may be sorting the catalogue right now; the catalogue raises them between sorts.
    m_pOwner->Catalogue().Raise(raises);
}

CRegisteredApplication* COSLMainDlg::FindPluginClass(const wchar_t* classId) {
    if (!m_pOwner || !classId || !*classId) return nullptr;
    CRegisteredApplication* found = nullptr;
    m_pOwner->Catalogue().Walk([&](const CCatalogue::Entries& entries) {
        for (CRegisteredApplication* entry : entries) {
            if (entry->GetEntryType() != ENTRY_PLUGIN_PAGE) continue;
            if (static_cast<CPluginRegisteredApplication*>(entry)->m_strClassId.CompareNoCase(classId) == 0) {
                found = entry;
                break;
            }
        }
    });
    return found;
}

BOOL COSLMainDlg::SelectPluginClass(const wchar_t* classId) {
    CRegisteredApplication* found = FindPluginClass(classId);
    if (!found) return FALSE;
    m_pCurrentEntry = found;
    return TRUE;
}

void COSLMainDlg::SelectStartItem() { SelectEntryItem(m_pCurrentEntry); }

void COSLMainDlg::SelectEntryItem(CRegisteredApplication* entry) {
    HWND tree = m_tree;
    if (!tree) return;
    // A page asked for from outside is shown in the whole tree, also when a search narrowed it.
    if (m_bSearching && !ItemOfEntry(entry)) m_searchBox.SetWindowText(L"");
    HTREEITEM target = nullptr;
    HTREEITEM category = entry ? CategoryItem(entry->m_nCategory) : nullptr;
    for (HTREEITEM item = category ? TreeView_GetChild(tree, category) : nullptr; item;
         item = TreeView_GetNextSibling(tree, item)) {
        if (ostrel::TreeItemText(tree, item) == entry->m_strName) {
            target = item;
            break;
        }
    }
    if (!target) {
        category = CategoryItem(0);
        target = m_hSystemInfoItem;
    }
    if (category) TreeView_Expand(tree, category, TVE_EXPAND);
    if (target) TreeView_SelectItem(tree, target);
}

BOOL COSLMainDlg::GetItemLabel(HTREEITEM, CStringW*) { return FALSE; }

HICON COSLMainDlg::GetCategoryIcon(const CStringW& categoryName) {
    auto it = m_categoryIcons.find(categoryName);
    return it == m_categoryIcons.end() ? nullptr : it->second;
}

HICON COSLMainDlg::GetEntrySmallIcon(const CStringW& entryName) {
    if (!m_pOwner) return nullptr;
    // Looked up on every paint for every visible row; walking the whole catalogue each time made a
    // full repaint cost entries times rows.
    if (m_entryIcons.empty() || m_nEntryIconsOf != m_pOwner->Catalogue().Count()) {
        m_entryIcons.clear();
        m_pOwner->Catalogue().Walk([&](const CCatalogue::Entries& entries) {
            // The first entry of a name is the one the rows show, as before.
            for (CRegisteredApplication* entry : entries) m_entryIcons.emplace(entry->m_strName, entry->m_hSmallIcon);
            m_nEntryIconsOf = entries.size();
        });
    }
    auto it = m_entryIcons.find(entryName);
    return it == m_entryIcons.end() ? nullptr : it->second;
}
