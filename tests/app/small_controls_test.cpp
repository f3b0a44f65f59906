#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <memory>
#include <vector>

#include "base/resource_module.h"
#include "resource.h"
#include "support/fixtures.h"
#include "window/help_button.h"
#include "window/png_resource.h"

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
        RECT client;
        ::GetClientRect(button.m_hWnd, &client);
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        base::UniqueDc dc(::CreateCompatibleDC(nullptr));
        base::UniqueGdiObject bitmap(::CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        HGDIOBJ old = ::SelectObject(dc.get(), bitmap.get());
        button.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        ::GdiFlush();
        DWORD p = static_cast<DWORD*>(bits)[y * client.right + x];
        ::SelectObject(dc.get(), old);
        return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
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

}  // namespace
