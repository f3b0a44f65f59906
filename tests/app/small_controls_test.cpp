#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <memory>

#include "base/resource_module.h"
#include "resource.h"
#include "support/fixtures.h"
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

}  // namespace
