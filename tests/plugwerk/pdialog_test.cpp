// The plug-in dialog run modally, ended by its buttons and by its close box.
#include <gtest/gtest.h>

#include <functional>

#include "plugwerk/plugwerk.h"
#include "test_resource.h"

namespace {

// Once the dialog is up, posts what the test wants the user to do.
class ScriptedDialog : public CPDialog {
public:
    explicit ScriptedDialog(std::function<void(HWND)> script) : CPDialog(::GetModuleHandleW(nullptr)), script_(script) {}
    long WndFunc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_INITDIALOG) {
            window = GetDlgHWND();
            script_(window);
        }
        return CPDialog::WndFunc(message, wParam, lParam);
    }
    int oks = 0, cancels = 0;
    HWND window = nullptr;

protected:
    void OnOK() override {
        ++oks;
        CPDialog::OnOK();
    }
    void OnCancel() override {
        ++cancels;
        CPDialog::OnCancel();
    }

private:
    std::function<void(HWND)> script_;
};

void PostCommand(HWND dialog, int id, int code = BN_CLICKED) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

TEST(PDialog, ButtonsAndCloseBoxEndTheDialog) {
    struct Case {
        const char* what;
        std::function<void(HWND)> script;
        long result;
        int oks, cancels;
    } cases[] = {
        {"OK", [](HWND d) { PostCommand(d, IDOK); }, IDOK, 1, 0},
        {"Cancel", [](HWND d) { PostCommand(d, IDCANCEL); }, IDCANCEL, 0, 1},
        {"close box", [](HWND d) { ::PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL, 0, 1},
        {"OK with another notification, then Cancel",
         [](HWND d) {
             PostCommand(d, IDOK, BN_SETFOCUS);
             PostCommand(d, IDCANCEL);
         },
         IDCANCEL, 0, 1},
    };
    for (const Case& c : cases) {
        ScriptedDialog dialog(c.script);
        EXPECT_EQ(dialog.Create(nullptr, IDD_PDIALOG), c.result) << c.what;
        // OK is not followed by a cancel when the window goes away.
        EXPECT_EQ(dialog.oks, c.oks) << c.what;
        EXPECT_EQ(dialog.cancels, c.cancels) << c.what;
        EXPECT_FALSE(::IsWindow(dialog.window)) << c.what;
    }
}

TEST(PDialog, MissingTemplateGivesMinusOne) {
    ScriptedDialog dialog([](HWND) {});
    EXPECT_EQ(dialog.Create(nullptr, 4711), -1);
}

}  // namespace
