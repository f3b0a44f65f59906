#include "policy_lock.h"

#include <map>

#include "base/com_ptr.h"
#include "base/handles.h"
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

}  // namespace

bool IsLockedByPolicy(SettingItem& item) {
    if (item.GetSettingID() == 0) return false;
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
    if (show) {
        // One text line at the foot of the page, where page templates leave their margin; placed on
        // every showing, since the host may have resized the page meanwhile.
        RECT client = {};
        ::GetClientRect(page, &client);
        TEXTMETRICW metrics = {};
        int height = 16;
        if (HDC dc = ::GetDC(line)) {
            HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(line, WM_GETFONT, 0, 0)));
            if (::GetTextMetricsW(dc, &metrics)) height = metrics.tmHeight + 2;
            ::SelectObject(dc, old);
            ::ReleaseDC(line, dc);
        }
        const int margin = 7;
        ::SetWindowPos(line, HWND_TOP, margin, client.bottom - height - margin / 2, client.right - 2 * margin, height,
                       SWP_NOACTIVATE);
    }
    ::ShowWindow(line, show ? SW_SHOWNA : SW_HIDE);
}

}  // namespace plugwerk
