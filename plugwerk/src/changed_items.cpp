#include "plugwerk/changed_items.h"

#include <vector>

#include "internal.h"
#include "plugwerk/item.h"
#include "plugwerk/plugin_class.h"

namespace {

// The page's item list is protected, and the class's layout is fixed for plug-ins already built, so
// it is reached through a member pointer named from a derived class instead of a new accessor.
struct PageItems : PluginClass {
    static std::vector<SettingItem*>& Of(PluginClass& page) {
        std::vector<SettingItem*> PluginClass::*items = &PageItems::m_settingItems;
        return page.*items;
    }
};

// Items compare values by their "%d" text, under which every string equals every other; a mark must
// tell strings apart.
bool SameValue(const VARIANT& a, const VARIANT& b) {
    if (a.vt == VT_BSTR || b.vt == VT_BSTR) {
        if (a.vt != b.vt) return false;
        const wchar_t* left = a.bstrVal ? a.bstrVal : L"";
        const wchar_t* right = b.bstrVal ? b.bstrVal : L"";
        return wcscmp(left, right) == 0;
    }
    return plugwerk::ValueText(a) == plugwerk::ValueText(b);
}

// The value stored at the service for the item, typed as its default; false when none is stored.
bool ReadStored(ISettory* settory, SettingItem& item, const VARIANT& type, VARIANT& out) {
    const int id = static_cast<int>(item.GetSettingID());
    if (type.vt == VT_BSTR) {
        wchar_t buffer[SETTORY_VALUE_CAPACITY] = {};
        if (settory->GetCurrentValueEx(item.GetClassID(), id, buffer) != 0) return false;
        buffer[SETTORY_VALUE_CAPACITY - 1] = L'\0';
        out.vt = VT_BSTR;
        out.bstrVal = ::SysAllocString(buffer);
        return true;
    }
    out.vt = type.vt;
    return settory->GetCurrentValue(item.GetClassID(), id, &out) == 0 && out.vt == type.vt;
}

bool DiffersFromDefault(SettingItem& item, bool shown, ISettory* settory) {
    if (item.GetSettingID() == 0) return false;
    VARIANT def, value;
    plugwerk::ZeroVariant(def);
    plugwerk::ZeroVariant(value);
    if (item.GetDefault(def) != 0) return false;
    bool have = false;
    if (shown) {
        have = item.GetItemData(value) == 0;
    } else if (settory) {
        have = ReadStored(settory, item, def, value);
    }
    const bool differs = have && !SameValue(value, def);
    ::VariantClear(&value);
    ::VariantClear(&def);
    return differs;
}

}  // namespace

extern "C" PLUGWERK_API int PlugwerkChangedItems(PluginClass* page, SettingItem** items, int capacity) {
    if (!page) return -1;
    HWND window = page->GetSafeHwnd();
    const bool shown = window && ::IsWindow(window);
    ISettory* settory = nullptr;
    if (!shown) {
        CSettingServices* services = GetSettingServices();
        settory = services ? services->Settory() : nullptr;
    }
    int count = 0;
    for (SettingItem* item : PageItems::Of(*page)) {
        if (!plugwerk::Guarded(false, [&] { return DiffersFromDefault(*item, shown, settory); })) continue;
        if (items && count < capacity) items[count] = item;
        ++count;
    }
    return count;
}
