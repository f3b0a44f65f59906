#pragma once
// A minimal stand-in for the host's page view: creates a page's dialog from a template, binds the page
// and forwards every dialog message to it, as the settings window does.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <thread>

#include "base/com_ptr.h"
#include "plugwerk/plugwerk.h"
#include "support/fixtures.h"

namespace pwtest {

class HostedPage {
public:
    HostedPage(HINSTANCE module, PluginClass* page) : page_(page) {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&icc);
        // Pages are child dialogs: they need a parent, as inside the host's view. The frame stays hidden:
        // under Xvfb without a window manager Wine waits about 2 s for every shown top-level window.
        frame_ = ::CreateWindowExW(0, L"Static", L"Host", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                   nullptr, nullptr);
        window_ = ::CreateDialogParamW(module, MAKEINTRESOURCEW(page->GetIDD()), frame_, Proc,
                                       reinterpret_cast<LPARAM>(this));
    }
    ~HostedPage() {
        if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
        if (frame_) ::DestroyWindow(frame_);
    }
    HostedPage(const HostedPage&) = delete;
    HostedPage& operator=(const HostedPage&) = delete;

    HWND Window() const { return window_; }
    HWND Control(int id) const { return ::GetDlgItem(window_, id); }
    // PWM_VALUE_CHANGED messages the page window received.
    int ValueChanges() const { return valueChanges_; }
    long BindResult() const { return bindResult_; }

    // Runs the host's apply on a worker thread while this thread keeps pumping, as the host does.
    long Apply() {
        long result = 0;
        bool done = false;
        std::thread worker([&] {
            base::ComInit com;
            result = page_->WndFunc(PWM_APPLY, 0, 0);
            done = true;
            ::PostMessageW(window_, WM_NULL, 0, 0);
        });
        testsupport::PumpUntil([&] { return done; }, 10000);
        worker.join();
        return result;
    }

    // A notification from a control as the control itself would send it.
    long Command(int id, int code) {
        return page_->WndFunc(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Control(id)));
    }
    // Clicks a button the way the dialog manager reports it.
    long Click(int id) {
        ::SendMessageW(Control(id), BM_CLICK, 0, 0);
        return lastCommandResult_;
    }

private:
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<HostedPage*>(::GetWindowLongPtrW(window, DWLP_USER));
        if (message == WM_INITDIALOG) {
            self = reinterpret_cast<HostedPage*>(lParam);
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            self->window_ = window;
            self->bindResult_ = self->page_->BindClassWnd(window);
            self->page_->WndFunc(WM_INITDIALOG, wParam, 0);
            return TRUE;
        }
        if (!self) return FALSE;
        if (message == PWM_VALUE_CHANGED) ++self->valueChanges_;
        long result = self->page_->WndFunc(message, wParam, lParam);
        if (message == WM_COMMAND) self->lastCommandResult_ = result;
        return FALSE;
    }

    PluginClass* page_;
    HWND frame_ = nullptr;
    HWND window_ = nullptr;
    int valueChanges_ = 0;
    long bindResult_ = 0;
    long lastCommandResult_ = 0;
};

// Lets a test drive protected registration from outside.
template <typename Base = PluginClass>
class OpenPage : public Base {
public:
    explicit OpenPage(unsigned idd, const wchar_t* classID = L"11111111-2222-3333-4444-555555555555")
        : Base(1, 2, idd, classID) {}
    using Base::RegisterItem;
    using Base::SetControlPos;
    using Base::RegisterStatus;
    bool CanShow() override { return canShow; }
    long DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam) override {
        return onMessage ? onMessage(message, wParam, lParam) : PW_NOT_HANDLED;
    }
    bool canShow = true;
    std::function<long(UINT, WPARAM, LPARAM)> onMessage;
};

inline VARIANT Int(int value, VARTYPE type = VT_INT) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = type;
    if (type == VT_BOOL) {
        v.boolVal = static_cast<VARIANT_BOOL>(value);
    } else {
        v.intVal = value;
    }
    return v;
}

}  // namespace pwtest
