#include "policy_lock.h"

#include <map>

#include "base/com_ptr.h"
#include "base/handles.h"
#include "base/policy_key.h"
#include "internal.h"
#include "plugwerk/item.h"

namespace plugwerk {
namespace {

base::CriticalSection g_lock;
// The items whose controls the framework disabled for a policy, with their page window.
std::map<SettingItem*, HWND>* g_locked = nullptr;

std::map<SettingItem*, HWND>& Locked() {
    if (!g_locked) g_locked = new std::map<SettingItem*, HWND>();
    return *g_locked;
}

HMODULE ThisModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

bool AnyLockedOn(HWND page) {
    base::CriticalSectionLock hold(g_lock);
    for (const auto& entry : Locked()) {
        if (entry.second == page) return true;
    }
    return false;
}

struct LowestChild {
    HWND line;
    int bottom;
};

BOOL CALLBACK NoteLowest(HWND child, LPARAM param) {
    auto* lowest = reinterpret_cast<LowestChild*>(param);
    if (child == lowest->line || ::GetParent(child) != ::GetParent(lowest->line) ||
        !(::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) {
        return TRUE;
    }
    RECT rect = {};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    if (rect.bottom > lowest->bottom) lowest->bottom = rect.bottom;
    return TRUE;
}

int TextLineHeight(HWND line) {
    int height = 16;
    if (HDC dc = ::GetDC(line)) {
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(line, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics = {};
        if (::GetTextMetricsW(dc, &metrics)) height = metrics.tmHeight + 2;
        ::SelectObject(dc, old);
        ::ReleaseDC(line, dc);
    }
    return height;
}

// One text line under the page's lowest control, placed on every showing since the host may have laid
// the page out meanwhile. Page templates end just below their last control, so a page without room
// for the line grows by it rather than have it drawn over a control.
void PlaceBelowControls(HWND page, HWND line) {
    const int margin = 7;
    LowestChild lowest = {line, 0};
    ::EnumChildWindows(page, NoteLowest, reinterpret_cast<LPARAM>(&lowest));
    RECT client = {};
    ::GetClientRect(page, &client);
    const int height = TextLineHeight(line);
    const int top = lowest.bottom + margin;
    if (top + height + margin / 2 > client.bottom) {
        RECT window = {};
        ::GetWindowRect(page, &window);
        ::SetWindowPos(page, nullptr, 0, 0, window.right - window.left,
                       window.bottom - window.top + top + height + margin / 2 - client.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SetWindowPos(line, HWND_TOP, margin, top, client.right - 2 * margin, height, SWP_NOACTIVATE);
}

// Most machines carry no policy for a page's settings. Two key opens tell that here, where the
// service's answer is a round trip to its host for every item of every page shown. A key there, or
// one that cannot be opened for another reason, leaves the answer to the service.
bool NoPolicyForClass(const CStringW& classId) {
    if (classId.IsEmpty()) return false;
    CStringW path = CStringW(base::kPolicyKey) + L"\\" + classId;
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        base::UniqueHKey key;
        if (::RegOpenKeyExW(hive, path, 0, KEY_QUERY_VALUE, key.put()) != ERROR_FILE_NOT_FOUND) return false;
    }
    return true;
}

}  // namespace

bool IsLockedByPolicy(SettingItem& item) {
    if (item.GetSettingID() == 0 || NoPolicyForClass(item.GetClassID())) return false;
    CSettingServices* services = GetSettingServices();
    ISettory* settory = services ? services->Settory() : nullptr;
    if (!settory) return false;
    base::ComPtr<ISettory3> policies;
    if (FAILED(settory->QueryInterface(IID_ISettory3, policies.PutVoid()))) return false;
    int lock = 0;
    return policies->IsLocked(item.GetClassID(), static_cast<int>(item.GetSettingID()), &lock) == 0 && lock != 0;
}

bool FollowPolicyLock(SettingItem& item, HWND page) {
    const bool locked = IsLockedByPolicy(item);
    bool disabledByUs = false;
    {
        base::CriticalSectionLock hold(g_lock);
        auto it = Locked().find(&item);
        disabledByUs = it != Locked().end();
        if (locked) {
            Locked()[&item] = page;
        } else if (disabledByUs) {
            Locked().erase(it);
        }
    }
    if (locked) {
        item.EnableItem(FALSE);
    } else if (disabledByUs) {
        item.EnableItem(TRUE);
    }
    return locked;
}

bool HadPolicyLock(SettingItem& item) {
    base::CriticalSectionLock hold(g_lock);
    return g_locked && g_locked->count(&item) != 0;
}

void ForgetPolicyLock(SettingItem& item) {
    base::CriticalSectionLock hold(g_lock);
    if (g_locked) g_locked->erase(&item);
}

void CreateManagedLine(HWND page) {
    if (!page || !::IsWindow(page) || ::GetDlgItem(page, kManagedLineId)) return;
    wchar_t text[256] = {};
    if (::LoadStringW(ThisModule(), kIdsManagedBySettings, text, ARRAYSIZE(text)) <= 0) return;
    HWND line = ::CreateWindowExW(0, L"STATIC", text, WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, page,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kManagedLineId)), nullptr, nullptr);
    if (!line) return;
    ::SendMessageW(line, WM_SETFONT, ::SendMessageW(page, WM_GETFONT, 0, 0), FALSE);
}

void UpdateManagedLine(HWND page) {
    if (!page || !::IsWindow(page)) return;
    HWND line = ::GetDlgItem(page, kManagedLineId);
    if (!line) return;
    const bool show = AnyLockedOn(page);
    if (show) PlaceBelowControls(page, line);
    ::ShowWindow(line, show ? SW_SHOWNA : SW_HIDE);
}

}  // namespace plugwerk
