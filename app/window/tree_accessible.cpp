#include "window/tree_accessible.h"

#include "base/resource_module.h"
#include "resource.h"

namespace ostrel {
namespace {
// The item after this one in display order, counting the children of collapsed categories too (a
// reader may list what a category holds before the user opens it; such rows are reported invisible).
HTREEITEM NextInOrder(HWND tree, HTREEITEM item) {
    if (HTREEITEM child = TreeView_GetChild(tree, item)) return child;
    for (; item; item = TreeView_GetParent(tree, item)) {
        if (HTREEITEM next = TreeView_GetNextSibling(tree, item)) return next;
    }
    return nullptr;
}
}  // namespace

HTREEITEM TreeAccessible::ItemOf(long childId) const {
    if (childId <= 0) return nullptr;
    HTREEITEM item = TreeView_GetRoot(Window());
    for (long id = 1; item && id < childId; ++id) item = NextInOrder(Window(), item);
    return item;
}

long TreeChildId(HWND tree, HTREEITEM target) {
    long id = 1;
    for (HTREEITEM item = TreeView_GetRoot(tree); item && target; item = NextInOrder(tree, item), ++id) {
        if (item == target) return id;
    }
    return 0;
}

long TreeAccessible::ChildIdOf(HTREEITEM target) const { return TreeChildId(Window(), target); }

bool TreeAccessible::IsCategory(HTREEITEM item) const {
    if (TreeView_GetChild(Window(), item)) return true;
    TVITEMW tv = {};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    return TreeView_GetItem(Window(), &tv) && tv.cChildren != 0;
}

bool TreeAccessible::IsExpanded(HTREEITEM item) const {
    return (TreeView_GetItemState(Window(), item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

// GetFocus answers for the calling thread only; these calls run on COM's threads.
bool TreeAccessible::HasFocus() const {
    GUITHREADINFO info = {sizeof(info)};
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(Window(), nullptr), &info) && info.hwndFocus == Window();
}

HRESULT TreeAccessible::Resolve(const VARIANT& child, HTREEITEM* item) const {
    if (!::IsWindow(Window())) return E_FAIL;
    *item = ItemOf(ChildId(child));
    return *item ? S_OK : E_INVALIDARG;
}

STDMETHODIMP TreeAccessible::get_accChildCount(long* count) {
    if (!count) return E_POINTER;
    if (!::IsWindow(Window())) return E_FAIL;
    *count = static_cast<long>(TreeView_GetCount(Window()));
    return S_OK;
}

STDMETHODIMP TreeAccessible::get_accChild(VARIANT child, IDispatch** dispatch) {
    if (!dispatch) return E_POINTER;
    *dispatch = nullptr;
    HTREEITEM item = nullptr;
    HRESULT hr = Resolve(child, &item);
    // The rows are simple elements of this object, not objects of their own.
    return FAILED(hr) ? hr : S_FALSE;
}

STDMETHODIMP TreeAccessible::get_accName(VARIANT child, BSTR* name) {
    if (ChildId(child) == CHILDID_SELF) return AccessibleObject::get_accName(child, name);
    HTREEITEM item = nullptr;
    if (HRESULT hr = Resolve(child, &item); FAILED(hr)) return hr;
    CStringW label;
    ::SendMessageW(Window(), kLabelMessage, reinterpret_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&label));
    return ReturnText(label, name);
}

STDMETHODIMP TreeAccessible::get_accValue(VARIANT child, BSTR* value) {
    if (ChildId(child) == CHILDID_SELF) return AccessibleObject::get_accValue(child, value);
    HTREEITEM item = nullptr;
    if (HRESULT hr = Resolve(child, &item); FAILED(hr)) return hr;
    int level = 1;
    for (HTREEITEM parent = TreeView_GetParent(Window(), item); parent; parent = TreeView_GetParent(Window(), parent)) {
        ++level;
    }
    CStringW text;
    text.Format(L"%d", level);
    return ReturnText(text, value);
}

STDMETHODIMP TreeAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (ChildId(child) == CHILDID_SELF) return ReturnLong(ROLE_SYSTEM_OUTLINE, role);
    HTREEITEM item = nullptr;
    if (HRESULT hr = Resolve(child, &item); FAILED(hr)) return hr;
    return ReturnLong(ROLE_SYSTEM_OUTLINEITEM, role);
}

STDMETHODIMP TreeAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (ChildId(child) == CHILDID_SELF) return AccessibleObject::get_accState(child, state);
    HTREEITEM item = nullptr;
    if (HRESULT hr = Resolve(child, &item); FAILED(hr)) return hr;
    long bits = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (IsCategory(item)) bits |= IsExpanded(item) ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
    for (HTREEITEM parent = TreeView_GetParent(Window(), item); parent; parent = TreeView_GetParent(Window(), parent)) {
        if (!IsExpanded(parent)) bits |= STATE_SYSTEM_INVISIBLE;
    }
    if (TreeView_GetSelection(Window()) == item) {
        bits |= STATE_SYSTEM_SELECTED;
        if (HasFocus()) bits |= STATE_SYSTEM_FOCUSED;
    }
    return ReturnLong(bits, state);
}

STDMETHODIMP TreeAccessible::get_accFocus(VARIANT* focus) {
    if (!focus) return E_POINTER;
    ::VariantInit(focus);
    if (!::IsWindow(Window())) return E_FAIL;
    if (!HasFocus()) return S_FALSE;
    long id = ChildIdOf(TreeView_GetSelection(Window()));
    return ReturnLong(id ? id : CHILDID_SELF, focus);
}

STDMETHODIMP TreeAccessible::get_accSelection(VARIANT* selection) {
    if (!selection) return E_POINTER;
    ::VariantInit(selection);
    if (!::IsWindow(Window())) return E_FAIL;
    long id = ChildIdOf(TreeView_GetSelection(Window()));
    return id ? ReturnLong(id, selection) : S_FALSE;
}

STDMETHODIMP TreeAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (ChildId(child) == CHILDID_SELF) return AccessibleObject::get_accDefaultAction(child, action);
    HTREEITEM item = nullptr;
    if (HRESULT hr = Resolve(child, &item); FAILED(hr)) return hr;
    UINT id = !IsCategory(item) ? IDS_ACTION_SELECT : IsExpanded(item) ? IDS_ACTION_COLLAPSE : IDS_ACTION_EXPAND;
    return ReturnText(base::LoadResString(id), action);
}

STDMETHODIMP TreeAccessible::accSelect(long flags, VARIANT child) {
    if (ChildId(child) == CHILDID_SELF) return AccessibleObject::accSelect(flags, child);
    HTREEITEM item = nullptr;
    if (HRESULT hr = Resolve(child, &item); FAILED(hr)) return hr;
    // One row is selected at a time: adding or extending a selection is not possible here.
    if (flags & (SELFLAG_ADDSELECTION | SELFLAG_EXTENDSELECTION | SELFLAG_REMOVESELECTION)) return E_INVALIDARG;
    // SetFocus works only on the window's own thread; the dialog moves the focus there for us.
    if (flags & SELFLAG_TAKEFOCUS) ::SendMessageW(::GetParent(Window()), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Window()), TRUE);
    if (flags & (SELFLAG_TAKESELECTION | SELFLAG_TAKEFOCUS)) TreeView_SelectItem(Window(), item);
    return S_OK;
}

STDMETHODIMP TreeAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (ChildId(child) == CHILDID_SELF) return AccessibleObject::accLocation(left, top, width, height, child);
    if (!left || !top || !width || !height) return E_POINTER;
    HTREEITEM item = nullptr;
    if (HRESULT hr = Resolve(child, &item); FAILED(hr)) return hr;
    RECT row = {};
    if (!::SendMessageW(Window(), kRowRectMessage, reinterpret_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row))) {
        return S_FALSE;
    }
    ::MapWindowPoints(Window(), nullptr, reinterpret_cast<POINT*>(&row), 2);
    *left = row.left;
    *top = row.top;
    *width = row.right - row.left;
    *height = row.bottom - row.top;
    return S_OK;
}

STDMETHODIMP TreeAccessible::accHitTest(long x, long y, VARIANT* child) {
    if (!child) return E_POINTER;
    ::VariantInit(child);
    if (!::IsWindow(Window())) return E_FAIL;
    POINT point = {x, y};
    ::ScreenToClient(Window(), &point);
    RECT client = {};
    ::GetClientRect(Window(), &client);
    if (!::PtInRect(&client, point)) return AccessibleObject::accHitTest(x, y, child);
    auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(Window(), kHitRowMessage, 0, reinterpret_cast<LPARAM>(&point)));
    long id = item ? ChildIdOf(item) : 0;
    return ReturnLong(id ? id : CHILDID_SELF, child);
}

STDMETHODIMP TreeAccessible::accDoDefaultAction(VARIANT child) {
    if (ChildId(child) == CHILDID_SELF) return AccessibleObject::accDoDefaultAction(child);
    HTREEITEM item = nullptr;
    if (HRESULT hr = Resolve(child, &item); FAILED(hr)) return hr;
    TreeView_SelectItem(Window(), item);
    if (IsCategory(item)) TreeView_Expand(Window(), item, TVE_TOGGLE);
    return S_OK;
}

}  // namespace ostrel
