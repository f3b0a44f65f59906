#include "window/change_marks.h"

#include <algorithm>
#include <vector>

#include "base/handles.h"
#include "catalogue/plugin_registered_application.h"
#include "common/setting_services.h"
#include "plugwerk/changed_items.h"
#include "plugwerk/item.h"
#include "plugwerk/plugin_class.h"
#include "window/main_dlg.h"

namespace {

// A window's drawing context, given back to the window.
class WindowDc {
public:
    // Without DCX_CLIPCHILDREN: a bar may lie inside a group box, which is a child window that covers
    // the controls it frames.
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDCEx(window, nullptr, DCX_CACHE)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

std::vector<SettingItem*> ChangedItems(PluginClass* plugin) {
    std::vector<SettingItem*> items;
    int count = PlugwerkChangedItems(plugin, nullptr, 0);
    if (count <= 0) return items;
    items.resize(static_cast<size_t>(count));
    count = PlugwerkChangedItems(plugin, items.data(), count);
    items.resize(static_cast<size_t>(std::max(0, std::min(count, static_cast<int>(items.size())))));
    return items;
}

PluginClass* PluginOf(CRegisteredApplication* entry) {
    if (!entry || entry->GetEntryType() != ENTRY_PLUGIN_PAGE) return nullptr;
    return static_cast<CPluginRegisteredApplication*>(entry)->GetPluginClass();
}

}  // namespace

namespace ostrel {

bool ReadHighlightChanged() {
    CSettingServices* services = GetSettingServices();
    ISettory* settory = services ? services->Settory() : nullptr;
    wchar_t buffer[256] = {};
    if (!settory || settory->GetCurrentValueEx(COSLMainDlg::kLastEntryClass, kHighlightChangedSetting, buffer) != S_OK) {
        return false;
    }
    buffer[255] = 0;
    return wcstol(buffer, nullptr, 10) != 0;
}

void StoreHighlightChanged(bool on) {
    CSettingServices* services = GetSettingServices();
    ISettory* settory = services ? services->Settory() : nullptr;
    if (!settory) return;
    if (settory->SetCurrentValueEx(COSLMainDlg::kLastEntryClass, kHighlightChangedSetting, on ? L"1" : L"0") == S_OK) {
        settory->UpdateCurrentSetting();
    }
}

RECT PageMarkRect(const RECT& control, int dpiX) {
    const int width = ::MulDiv(3, dpiX, 96), gap = ::MulDiv(4, dpiX, 96);
    const int left = control.left >= gap + width ? control.left - gap - width : control.right + gap;
    return {left, control.top, left + width, control.bottom};
}

int PaintPageMarks(HWND page, PluginClass* plugin) {
    if (!page || !plugin) return 0;
    std::vector<SettingItem*> changed = ChangedItems(plugin);
    WindowDc dc(page);
    if (!dc.get()) return static_cast<int>(changed.size());
    int dpiX = ::GetDeviceCaps(dc.get(), LOGPIXELSX);
    if (dpiX <= 0) dpiX = 96;
    base::UniqueGdiObject markBrush(::CreateSolidBrush(kChangeMarkColour));
    // The page's own background: the host paints pages white.
    HBRUSH clear = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        SettingItem* item = plugin->GetSettingItem(static_cast<unsigned>(::GetDlgCtrlID(child)));
        if (!item || !::IsWindowVisible(child)) continue;
        RECT r;
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        RECT bar = PageMarkRect(r, dpiX);
        bool marked = std::find(changed.begin(), changed.end(), item) != changed.end();
        ::FillRect(dc.get(), &bar, marked ? static_cast<HBRUSH>(markBrush.get()) : clear);
    }
    return static_cast<int>(changed.size());
}

void DrawRowMark(HDC dc, const RECT& row, int dpiX, int dpiY) {
    const int size = ::MulDiv(8, dpiX, 96);
    const int right = row.right - ::MulDiv(10, dpiX, 96);
    const int top = row.top + ::MulDiv(8, dpiY, 96);
    base::UniqueGdiObject brush(::CreateSolidBrush(kChangeMarkColour));
    base::UniqueGdiObject pen(::CreatePen(PS_SOLID, 1, kChangeMarkColour));
    HGDIOBJ oldBrush = ::SelectObject(dc, brush.get());
    HGDIOBJ oldPen = ::SelectObject(dc, pen.get());
    ::Ellipse(dc, right - size, top, right, top + size);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
}

}  // namespace ostrel

bool CChangedPages::Update(CRegisteredApplication* entry) {
    PluginClass* plugin = PluginOf(entry);
    if (!plugin) return false;
    HANDLE ready = entry->GetReadyEvent();
    // A plug-in still starting may be registering its items on the main thread.
    if (!ready || ::WaitForSingleObject(ready, 0) != WAIT_OBJECT_0) return false;
    bool now = PlugwerkChangedItems(plugin, nullptr, 0) > 0;
    bool was = IsMarked(entry);
    if (now == was) return false;
    if (now) {
        m_marked.insert(entry);
    } else {
        m_marked.erase(entry);
    }
    return true;
}
