#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <functional>
#include <memory>
#include <vector>

#include "base/resource_module.h"
#include "resource.h"
#include "support/fixtures.h"
#include "high_contrast_scheme.h"
#include "window/help_button.h"
#include "ui/png_resource.h"
#include "window/progress_ctrl.h"

namespace {

using testsupport::BinFile;

// The program starts GDI+ for itself; each test does so for what it draws. Declared before any
// bitmap so that the bitmaps are gone before GDI+ shuts down.
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (ok_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Ok() const noexcept { return ok_; }

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

base::UniqueModule LoadImageModule(const CStringW& path) {
    return base::UniqueModule(
        ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

struct Rgb {
    int r, g, b;
    int Brightness() const { return r + g + b; }
};

class SmallControls : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gdiplus_.Ok());
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        resources_ = base::LoadLocalisedModule(testsupport::BinFolder(), L"Ostrel.exe.mui");
        ASSERT_TRUE(resources_.valid());
        previous_ = base::SetResourceModule(resources_.get());
    }
    void TearDown() override { base::SetResourceModule(previous_); }

    GdiplusSession gdiplus_;
    base::UniqueModule resources_;
    HINSTANCE previous_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// PNG resources

using PngResource = SmallControls;

TEST_F(PngResource, HelpImagesDecodeAtTheirDrawnSize) {
    for (UINT id : {IDP_HELP_NORMAL, IDP_HELP_HOVER, IDP_HELP_PRESSED}) {
        std::unique_ptr<Gdiplus::Bitmap> bitmap(ostrel::LoadPngResource(id, resources_.get()));
        ASSERT_TRUE(bitmap) << id;
        EXPECT_EQ(48u, bitmap->GetWidth()) << id;
        EXPECT_EQ(48u, bitmap->GetHeight()) << id;
        Gdiplus::Color corner, onCircle;
        ASSERT_EQ(Gdiplus::Ok, bitmap->GetPixel(0, 0, &corner)) << id;
        ASSERT_EQ(Gdiplus::Ok, bitmap->GetPixel(8, 23, &onCircle)) << id;
        EXPECT_EQ(0, corner.GetA()) << id;
        EXPECT_EQ(255, onCircle.GetA()) << id;
        EXPECT_GT(onCircle.GetB(), onCircle.GetR() + 40) << id;
    }
}

TEST_F(PngResource, MissingEmptyOrUndecodableResourcesGiveNone) {
    base::UniqueModule broken = LoadImageModule(BinFile(L"BrokenImages.dll"));
    ASSERT_TRUE(broken.valid());
    struct {
        HMODULE module;
        UINT id;
        const char* what;
    } cases[] = {
        {resources_.get(), 999, "no such number"},
        {broken.get(), IDP_HELP_NORMAL, "module without it"},
        {broken.get(), 1, "zero bytes"},
        {broken.get(), 2, "not an image"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<Gdiplus::Bitmap> bitmap(ostrel::LoadPngResource(c.id, c.module));
        EXPECT_FALSE(bitmap) << c.what;
    }
}

TEST(PngResourceLifetime, BitmapStaysDrawableAfterItsModuleIsUnloaded) {
    GdiplusSession gdiplus;
    ASSERT_TRUE(gdiplus.Ok());
    base::UniqueModule module = LoadImageModule(BinFile(L"en-US\\Ostrel.exe.mui"));
    ASSERT_TRUE(module.valid());
    std::unique_ptr<Gdiplus::Bitmap> bitmap(ostrel::LoadPngResource(IDP_HELP_NORMAL, module.get()));
    ASSERT_TRUE(bitmap);
    module.reset();

    Gdiplus::Bitmap canvas(48, 48, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&canvas);
        graphics.Clear(Gdiplus::Color(255, 255, 255));
        ASSERT_EQ(Gdiplus::Ok, graphics.DrawImage(bitmap.get(), 0, 0, 48, 48));
    }
    Gdiplus::Color onCircle;
    ASSERT_EQ(Gdiplus::Ok, canvas.GetPixel(8, 23, &onCircle));
    EXPECT_GT(onCircle.GetB(), onCircle.GetR() + 40);
}

// ---------------------------------------------------------------------------------------------
// Help button

// Stands in for the settings window: records the commands its children send.
class RecordingParent : public CWnd {
public:
    std::vector<std::pair<WPARAM, LPARAM>> commands;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND) commands.emplace_back(wParam, lParam);
        return Default();
    }
};

class HelpButton : public SmallControls {
protected:
    static constexpr COLORREF kBackground = RGB(236, 233, 216);

    void SetUp() override {
        SmallControls::SetUp();
        // Hidden unless a test needs the screen: under Xvfb, taking a shown window away costs seconds.
        ASSERT_TRUE(parent_.CreateEx(0, nullptr, L"help host", WS_POPUP, RECT{200, 200, 400, 400}, nullptr, 0));
    }
    void ShowParent() {
        parent_.ShowWindow(SW_SHOWNA);
        ::UpdateWindow(parent_.m_hWnd);
    }
    // The control as the settings window's template makes it: a static without SS_NOTIFY is fine,
    // the button adds it.
    std::unique_ptr<CHelpButton> MakeButton(int size) {
        HWND control = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, size, size, parent_.m_hWnd,
                                         reinterpret_cast<HMENU>(IDC_HELP_BUTTON), nullptr, nullptr);
        auto button = std::make_unique<CHelpButton>();
        if (!control || !button->Attach(control)) return nullptr;
        button->SetBackgroundColor(kBackground);
        return button;
    }
    static void ExpectOneState(const CHelpButton& button, const char* expected, const char* context) {
        int set = (button.IsNormal() ? 1 : 0) + (button.IsHover() ? 1 : 0) + (button.IsPressed() ? 1 : 0);
        EXPECT_EQ(1, set) << context;
        const char* actual = button.IsPressed() ? "pressed" : button.IsHover() ? "hover" : "normal";
        EXPECT_STREQ(expected, actual) << context;
    }
    // Paints the button into a bitmap of its size and returns the colour at a point.
    static Rgb PixelAt(CHelpButton& button, int x, int y) {
        COLORREF c = testsupport::PaintedPixel(
            button.m_hWnd,
            [&button](HDC dc) { button.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT); }, x, y);
        return {GetRValue(c), GetGValue(c), GetBValue(c)};
    }
    static void ExpectBackground(const Rgb& c, const char* context) {
        EXPECT_EQ(GetRValue(kBackground), c.r) << context;
        EXPECT_EQ(GetGValue(kBackground), c.g) << context;
        EXPECT_EQ(GetBValue(kBackground), c.b) << context;
    }

    RecordingParent parent_;
};

TEST_F(HelpButton, HoverOnlyInsideTheOutermostPixelRing) {
    auto button = MakeButton(24);
    ASSERT_TRUE(button);
    ExpectOneState(*button, "normal", "at construction");
    struct {
        int x, y;
        const char* state;
    } cases[] = {
        {12, 12, "hover"}, {1, 12, "normal"}, {2, 12, "hover"},  {22, 12, "hover"}, {23, 12, "normal"},
        {12, 1, "normal"}, {12, 2, "hover"},  {12, 23, "normal"}, {0, 0, "normal"},  {-3, 12, "normal"},
    };
    for (const auto& c : cases) {
        button->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(c.x, c.y));
        char context[32];
        wsprintfA(context, "(%d, %d)", c.x, c.y);
        ExpectOneState(*button, c.state, context);
    }
}

TEST_F(HelpButton, PressShowsPressedReleaseShowsHoverAndTheClickReachesTheParent) {
    auto button = MakeButton(24);
    ASSERT_TRUE(button);
    EXPECT_TRUE(::GetWindowLongW(button->m_hWnd, GWL_STYLE) & SS_NOTIFY);
    button->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(12, 12));
    button->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 12));
    ExpectOneState(*button, "pressed", "button down");
    ASSERT_EQ(1u, parent_.commands.size());
    EXPECT_EQ(IDC_HELP_BUTTON, LOWORD(parent_.commands[0].first));
    EXPECT_EQ(STN_CLICKED, HIWORD(parent_.commands[0].first));
    EXPECT_EQ(reinterpret_cast<LPARAM>(button->m_hWnd), parent_.commands[0].second);
    // Dragging while held clears pressed: the rule is the pointer's position alone.
    button->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(13, 12));
    ExpectOneState(*button, "hover", "moved while held");
    button->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(13, 12));
    button->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(13, 12));
    ExpectOneState(*button, "hover", "button up");
}

TEST_F(HelpButton, KeyboardReachesAndPressesItWithAVisibleFocus) {
    ShowParent();
    auto button = MakeButton(24);
    ASSERT_TRUE(button);
    EXPECT_TRUE(::GetWindowLongW(button->m_hWnd, GWL_STYLE) & WS_TABSTOP);
    MSG enter = {button->m_hWnd, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(button->SendMessage(WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE);
    // Space presses on the way down and clicks on the way up; Enter clicks at once.
    button->SendMessage(WM_KEYDOWN, VK_SPACE, 0);
    ExpectOneState(*button, "pressed", "space down");
    EXPECT_TRUE(parent_.commands.empty());
    button->SendMessage(WM_KEYUP, VK_SPACE, 0);
    ExpectOneState(*button, "normal", "space up");
    button->SendMessage(WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(2u, parent_.commands.size());
    for (const auto& command : parent_.commands) EXPECT_EQ(MAKEWPARAM(IDC_HELP_BUTTON, STN_CLICKED), command.first);

    // The focus shows as a dotted frame over the corner that is otherwise background.
    Rgb before[2] = {PixelAt(*button, 0, 0), PixelAt(*button, 1, 0)};
    ::SetFocus(button->m_hWnd);
    Rgb focused[2] = {PixelAt(*button, 0, 0), PixelAt(*button, 1, 0)};
    bool changed = false;
    for (int i = 0; i < 2; ++i) changed |= before[i].r != focused[i].r || before[i].b != focused[i].b;
    EXPECT_TRUE(changed);
}

TEST_F(HelpButton, HighContrastDrawsARingInTheSchemesColoursInsteadOfTheImage) {
    auto button = MakeButton(48);
    ASSERT_TRUE(button);
    apptest::HighContrastScheme scheme;
    Rgb corner = PixelAt(*button, 47, 0);
    Rgb ring = PixelAt(*button, 0, 24);
    EXPECT_EQ(RGB(corner.r, corner.g, corner.b), apptest::HighContrastScheme::kWindow);
    EXPECT_EQ(RGB(ring.r, ring.g, ring.b), apptest::HighContrastScheme::kWindowText);
    button->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(24, 24));
    Rgb hover = PixelAt(*button, 10, 24);
    EXPECT_EQ(RGB(hover.r, hover.g, hover.b), apptest::HighContrastScheme::kHighlight);
}

TEST_F(HelpButton, LeavingTheButtonShowsNormalAgain) {
    ShowParent();
    auto button = MakeButton(24);
    ASSERT_TRUE(button);
    RECT onScreen;
    ::GetWindowRect(button->m_hWnd, &onScreen);
    ASSERT_TRUE(::SetCursorPos(onScreen.left + 12, onScreen.top + 12));
    button->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(12, 12));
    button->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 12));
    ExpectOneState(*button, "pressed", "before leaving");
    // The pointer goes away without a last mouse move inside: only the leave notice can tell.
    ASSERT_TRUE(::SetCursorPos(onScreen.right + 150, onScreen.bottom + 150));
    EXPECT_TRUE(testsupport::PumpUntil([&] { return button->IsNormal() == TRUE; }, 3000));
    ExpectOneState(*button, "normal", "after leaving");
    // Tracking starts again on the next entry.
    ASSERT_TRUE(::SetCursorPos(onScreen.left + 12, onScreen.top + 12));
    button->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(12, 12));
    ExpectOneState(*button, "hover", "back inside");
    ASSERT_TRUE(::SetCursorPos(onScreen.right + 150, onScreen.bottom + 150));
    EXPECT_TRUE(testsupport::PumpUntil([&] { return button->IsNormal() == TRUE; }, 3000));
}

TEST_F(HelpButton, PaintsTheCurrentStatesImageOverTheBackground) {
    ShowParent();
    auto button = MakeButton(48);
    ASSERT_TRUE(button);
    // A point on the circle left of the question mark, in each state's drawing.
    Rgb normal = PixelAt(*button, 8, 23);
    button->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(24, 24));
    Rgb hover = PixelAt(*button, 8, 23);
    button->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(24, 24));
    Rgb pressed = PixelAt(*button, 8, 23);
    for (const Rgb& c : {normal, hover, pressed}) EXPECT_GT(c.b, c.r + 40);
    EXPECT_GT(hover.Brightness(), normal.Brightness());
    EXPECT_LT(pressed.Brightness(), normal.Brightness());
    ExpectBackground(PixelAt(*button, 0, 0), "corner");

    button->SetBackgroundColor(RGB(10, 200, 30));
    Rgb corner = PixelAt(*button, 47, 0);
    EXPECT_EQ(200, corner.g);

    // The real paint path: it must validate the window, or WM_PAINT would come back for ever.
    ::InvalidateRect(button->m_hWnd, nullptr, TRUE);
    ::UpdateWindow(button->m_hWnd);
    EXPECT_FALSE(::GetUpdateRect(button->m_hWnd, nullptr, FALSE));
}

TEST_F(HelpButton, WithoutItsImagesOnlyTheBackgroundShows) {
    base::UniqueModule broken = LoadImageModule(BinFile(L"BrokenImages.dll"));
    ASSERT_TRUE(broken.valid());
    std::unique_ptr<CHelpButton> button;
    {
        base::ScopedResourceModule withoutImages(broken.get());
        button = MakeButton(48);
    }
    ASSERT_TRUE(button);
    ExpectBackground(PixelAt(*button, 8, 23), "normal");
    button->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(24, 24));
    ExpectBackground(PixelAt(*button, 24, 24), "pressed");
}

// ---------------------------------------------------------------------------------------------
// Progress dialog

// The settings window during an apply, as the dialog sees it. Each tick of the dialog asks
// IsApplying first; the test's script runs there, on the dialog's own thread.
struct FakeApply : IApplyProgressOwner {
    HWND owner = nullptr;
    COSLProgressCtrl* dialog = nullptr;
    std::function<void(FakeApply&)> onTick;
    int ticks = 0;
    BOOL applying = TRUE;
    BOOL waitingUI = FALSE;
    BOOL workerRunning = TRUE;
    std::vector<int> positions;
    std::vector<DWORD> terminateGraces;

    HWND Bar() const { return ::GetDlgItem(dialog->m_hWnd, IDC_PROGRESS_BAR); }
    HWND OwnerWindow() override { return owner; }
    BOOL IsApplying() override {
        ++ticks;
        positions.push_back(static_cast<int>(::SendMessageW(Bar(), PBM_GETPOS, 0, 0)));
        if (onTick) onTick(*this);
        return applying;
    }
    BOOL IsPageWaitingUI() override { return waitingUI; }
    BOOL IsApplyWorkerRunning() override { return workerRunning; }
    void TerminateApplyWorker(DWORD graceMs) override {
        terminateGraces.push_back(graceMs);
        workerRunning = FALSE;
    }
};

constexpr INT_PTR kGaveUp = 0x7E57;
HWND g_modalDialog = nullptr;

void CALLBACK GiveUpOnDialog(HWND, UINT, UINT_PTR, DWORD) {
    if (g_modalDialog) ::EndDialog(g_modalDialog, kGaveUp);
}

class ProgressDialog : public SmallControls {
protected:
    void SetUp() override {
        SmallControls::SetUp();
        // Hidden: the dialog is the one window these tests need on screen.
        owner_ = ::CreateWindowExW(0, L"STATIC", L"settings window", WS_POPUP, 100, 80, 600, 400, nullptr, nullptr,
                                   nullptr, nullptr);
        ASSERT_TRUE(owner_);
        fake_.owner = owner_;
    }
    void TearDown() override {
        if (::IsWindow(owner_)) ::DestroyWindow(owner_);
        SmallControls::TearDown();
    }
    // Runs the dialog modally as the settings window does; a dialog still open after timeoutMs is
    // ended from outside and the run gives kGaveUp.
    INT_PTR RunModal(UINT tickMs, UINT limitMs, DWORD timeoutMs = 10000) {
        COSLProgressCtrl dialog(&fake_, tickMs, limitMs);
        fake_.dialog = &dialog;
        UINT_PTR guard = ::SetTimer(nullptr, 0, timeoutMs, GiveUpOnDialog);
        auto noteWindow = fake_.onTick;
        fake_.onTick = [this, noteWindow](FakeApply& f) {
            g_modalDialog = f.dialog->m_hWnd;
            if (noteWindow) noteWindow(f);
        };
        INT_PTR result = dialog.DoModal(owner_);
        ::KillTimer(nullptr, guard);
        g_modalDialog = nullptr;
        fake_.dialog = nullptr;
        return result;
    }

    HWND owner_ = nullptr;
    FakeApply fake_;
};

TEST_F(ProgressDialog, BarCountsToTwentyThenWrapsWhileTheApplyLasts) {
    LRESULT range = 0;
    fake_.onTick = [&](FakeApply& f) {
        if (f.ticks == 1) range = ::SendMessageW(f.Bar(), PBM_GETRANGE, FALSE, 0);
        if (f.ticks == 25) f.applying = FALSE;
    };
    EXPECT_EQ(IDOK, RunModal(5, 60000));
    EXPECT_EQ(20, range);
    std::vector<int> expected;
    for (int i = 0; i < 25; ++i) expected.push_back(i % 21);
    EXPECT_EQ(expected, fake_.positions);
    EXPECT_TRUE(fake_.terminateGraces.empty());
}

TEST_F(ProgressDialog, EndsOnTheFirstTickAfterTheApplyFinishes) {
    constexpr UINT kTick = 150;
    // The worker finishes between two ticks, as a real one does.
    static FakeApply* s_fake;
    static DWORD s_finishedAt;
    s_fake = &fake_;
    s_finishedAt = 0;
    UINT_PTR finish = ::SetTimer(nullptr, 0, 2 * kTick + kTick / 2, [](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        s_fake->applying = FALSE;
        s_fake->workerRunning = FALSE;
        s_finishedAt = ::GetTickCount();
    });
    DWORD lastTickAt = 0;
    fake_.onTick = [&](FakeApply&) { lastTickAt = ::GetTickCount(); };
    EXPECT_EQ(IDOK, RunModal(kTick, 60000));
    ::KillTimer(nullptr, finish);
    ASSERT_NE(0u, s_finishedAt);
    // The tick that saw the apply over was the last one, and it came within one interval.
    EXPECT_GE(lastTickAt, s_finishedAt);
    EXPECT_LT(lastTickAt - s_finishedAt, kTick + 100);
    EXPECT_GE(fake_.ticks, 2);
}

TEST_F(ProgressDialog, EndsWhenThePageWaitsForTheUser) {
    fake_.onTick = [](FakeApply& f) {
        if (f.ticks == 3) f.waitingUI = TRUE;
    };
    EXPECT_EQ(IDOK, RunModal(10, 60000));
    EXPECT_EQ(3, fake_.ticks);
    EXPECT_TRUE(fake_.terminateGraces.empty());
}

TEST_F(ProgressDialog, TimeLimitEndsItAndTerminatesAWorkerThatStillRuns) {
    for (BOOL running : {TRUE, FALSE}) {
        fake_ = FakeApply();
        fake_.owner = owner_;
        // The flag can say applying while the worker has gone, e.g. when it died without clearing it.
        fake_.workerRunning = running;
        EXPECT_EQ(IDOK, RunModal(20, 300)) << running;
        EXPECT_GE(fake_.ticks, 3) << running;
        EXPECT_EQ(running ? std::vector<DWORD>{1000} : std::vector<DWORD>{}, fake_.terminateGraces) << running;
    }
}

TEST_F(ProgressDialog, UserCannotCloseIt) {
    BOOL openAfterAttempts = FALSE;
    fake_.onTick = [&](FakeApply& f) {
        HWND dialog = f.dialog->m_hWnd;
        if (f.ticks == 1) {
            ::SendMessageW(dialog, WM_CLOSE, 0, 0);
            ::SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            ::SendMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
            // Through the modal loop, where the dialog manager turns keys into OK and Cancel.
            for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
                ::PostMessageW(f.Bar(), WM_KEYDOWN, key, 0);
                ::PostMessageW(f.Bar(), WM_KEYUP, key, 0);
            }
        }
        if (f.ticks == 6) {
            openAfterAttempts = ::IsWindow(dialog) && ::IsWindowVisible(dialog);
            f.applying = FALSE;
        }
    };
    EXPECT_EQ(IDOK, RunModal(40, 60000));
    EXPECT_EQ(6, fake_.ticks);
    EXPECT_TRUE(openAfterAttempts);
    EXPECT_EQ(0, ::GetWindowLongW(owner_, GWL_STYLE) & WS_DISABLED) << "the owner is enabled again";
}

TEST_F(ProgressDialog, CentredOnTheOwnerWithoutResizing) {
    RECT shown = {};
    fake_.onTick = [&](FakeApply& f) {
        ::GetWindowRect(f.dialog->m_hWnd, &shown);
        f.applying = FALSE;
    };
    EXPECT_EQ(IDOK, RunModal(10, 60000));
    // The owner spans 100..700 by 80..480.
    EXPECT_NEAR(400, (shown.left + shown.right) / 2, 1);
    EXPECT_NEAR(280, (shown.top + shown.bottom) / 2, 1);
    // Still the template's size: wider than tall, and not the owner's.
    EXPECT_GT(shown.right - shown.left, shown.bottom - shown.top);
    EXPECT_LT(shown.right - shown.left, 600);
}

TEST_F(ProgressDialog, DestroyedWithItsOwnerTheModalRunEnds) {
    fake_.onTick = [&](FakeApply& f) {
        if (f.ticks == 2) ::DestroyWindow(f.owner);
    };
    INT_PTR result = RunModal(10, 60000);
    EXPECT_NE(kGaveUp, result);
    EXPECT_EQ(2, fake_.ticks);
    EXPECT_FALSE(::IsWindow(owner_));
}

}  // namespace
