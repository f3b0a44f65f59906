#pragma once
// The category tree as assistive technology reads it. The tree paints its rows itself, so the
// standard object of a tree view would report rows it never drew; this object reports the rows as the
// tree lays them out: one outline item per tree item, in display order (categories with their entries
// below them), child id = position + 1. Each item's value is its level (1 category, 2 entry).
#include <windows.h>
#include <commctrl.h>

#include "ui/accessible_object.h"

namespace ostrel {

// The child id by which TreeAccessible reports an item (0 when the item is not in the tree); the tree
// names its rows by it in the events it raises for screen readers.
long TreeChildId(HWND tree, HTREEITEM item);

class TreeAccessible : public AccessibleObject {
public:
    // Messages the tree answers on its own thread for this object (the object runs on COM's threads).
    // wParam = item, lParam = CStringW* that receives the row's label.
    static constexpr UINT kLabelMessage = WM_APP + 0x140;
    // wParam = item, lParam = RECT* that receives the row in client coordinates; FALSE when not shown.
    static constexpr UINT kRowRectMessage = WM_APP + 0x141;
    // lParam = POINT* in client coordinates; the item of the row under it, or 0.
    static constexpr UINT kHitRowMessage = WM_APP + 0x142;

    explicit TreeAccessible(HWND tree) : AccessibleObject(tree) {}

    STDMETHODIMP get_accChildCount(long* count) override;
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** dispatch) override;
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    STDMETHODIMP get_accFocus(VARIANT* focus) override;
    STDMETHODIMP get_accSelection(VARIANT* selection) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    STDMETHODIMP accSelect(long flags, VARIANT child) override;
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;

private:
    // The item with this child id, or null.
    HTREEITEM ItemOf(long childId) const;
    // The child id of an item, or 0 when it is not in the tree.
    long ChildIdOf(HTREEITEM item) const;
    bool IsCategory(HTREEITEM item) const;
    bool IsExpanded(HTREEITEM item) const;
    bool HasFocus() const;
    // The item a VARIANT names; E_INVALIDARG when it names none (CHILDID_SELF is not an item).
    HRESULT Resolve(const VARIANT& child, HTREEITEM* item) const;
};

}  // namespace ostrel
