// The Control Panel entry's icon group and the module's version and manifest resources.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "panel/panel_module.h"
#include "support/fixtures.h"

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;  // 0 means 256
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

struct ImageFacts {
    int width = 0;
    int height = 0;
    int bits = 0;
};

// Size and depth as the image data itself states them (PNG header or bitmap header).
ImageFacts FactsOf(const std::vector<BYTE>& image) {
    ImageFacts facts;
    static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (image.size() >= 33 && std::memcmp(image.data(), kPng, 8) == 0) {
        auto be32 = [&](size_t at) {
            return (image[at] << 24) | (image[at + 1] << 16) | (image[at + 2] << 8) | image[at + 3];
        };
        facts.width = be32(16);
        facts.height = be32(20);
        const int depth = image[24], colourType = image[25];
        const int channels = colourType == 6 ? 4 : colourType == 2 ? 3 : colourType == 4 ? 2 : 1;
        facts.bits = depth * channels;
    } else if (image.size() >= sizeof(BITMAPINFOHEADER)) {
        BITMAPINFOHEADER header;
        std::memcpy(&header, image.data(), sizeof(header));
        facts.width = header.biWidth;
        facts.height = header.biHeight / 2;  // colour rows and mask rows
        facts.bits = header.biBitCount;
    }
    return facts;
}

TEST(PanelIcon, Group101HoldsEightImagesInSizeThenDepthOrder) {
    base::UniqueModule panel = paneltest::LoadPanel();
    ASSERT_TRUE(panel.valid());
    std::vector<BYTE> group = paneltest::ResourceBytes(panel.get(), RT_GROUP_ICON, MAKEINTRESOURCEW(101),
                                                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_GE(group.size(), sizeof(GroupIconHeader));
    GroupIconHeader header;
    std::memcpy(&header, group.data(), sizeof(header));
    EXPECT_EQ(header.type, 1);
    ASSERT_EQ(header.count, 8);
    ASSERT_EQ(group.size(), sizeof(GroupIconHeader) + 8 * sizeof(GroupIconEntry));

    const struct {
        int size;
        int bits;
    } expected[8] = {{256, 8}, {48, 8}, {32, 8}, {16, 8}, {256, 32}, {48, 32}, {32, 32}, {16, 32}};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(testing::Message() << "image " << i + 1);
        GroupIconEntry entry;
        std::memcpy(&entry, group.data() + sizeof(GroupIconHeader) + i * sizeof(GroupIconEntry), sizeof(entry));
        EXPECT_EQ(entry.id, i + 1);
        EXPECT_EQ(entry.width == 0 ? 256 : entry.width, expected[i].size);
        EXPECT_EQ(entry.height == 0 ? 256 : entry.height, expected[i].size);
        EXPECT_EQ(entry.bitCount, expected[i].bits);

        // The image itself must agree with its directory entry, and the system must accept it.
        HRSRC info = ::FindResourceW(panel.get(), MAKEINTRESOURCEW(entry.id), RT_ICON);
        ASSERT_NE(info, nullptr);
        const BYTE* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(panel.get(), info)));
        std::vector<BYTE> image(bytes, bytes + ::SizeofResource(panel.get(), info));
        EXPECT_EQ(image.size(), entry.bytes);
        ImageFacts facts = FactsOf(image);
        EXPECT_EQ(facts.width, expected[i].size);
        EXPECT_EQ(facts.height, expected[i].size);
        EXPECT_EQ(facts.bits, expected[i].bits);
        base::UniqueIcon icon(::CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                                         0x00030000, expected[i].size, expected[i].size, 0));
        EXPECT_TRUE(icon.valid());
    }
}

TEST(PanelIcon, ShellPicksTheTrueColourImageOfTheAskedSize) {
    base::UniqueModule panel = paneltest::LoadPanel();
    ASSERT_TRUE(panel.valid());
    HRSRC info = ::FindResourceW(panel.get(), MAKEINTRESOURCEW(101), RT_GROUP_ICON);
    ASSERT_NE(info, nullptr);
    auto* dir = static_cast<BYTE*>(::LockResource(::LoadResource(panel.get(), info)));
    EXPECT_EQ(::LookupIconIdFromDirectoryEx(dir, TRUE, 32, 32, LR_DEFAULTCOLOR), 7);
    EXPECT_EQ(::LookupIconIdFromDirectoryEx(dir, TRUE, 16, 16, LR_DEFAULTCOLOR), 8);
    base::UniqueIcon large(static_cast<HICON>(
        ::LoadImageW(panel.get(), MAKEINTRESOURCEW(101), IMAGE_ICON, 48, 48, LR_DEFAULTCOLOR)));
    EXPECT_TRUE(large.valid());
}

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    std::wstring path = std::wstring(L"\\StringFileInfo\\000004b0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.data(), path.c_str(), &value, &length) || !value) return L"";
    return static_cast<const wchar_t*>(value);
}

TEST(PanelVersion, NamesTheProductAndItsVersion) {
    CStringW file = testsupport::BinFile(L"OstrelPanel.dll");
    DWORD size = ::GetFileVersionInfoSizeW(file, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(file, 0, size, info.data()));

    EXPECT_EQ(VersionString(info, L"CompanyName"), L"Quor Corporation");
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Ostrel");
    EXPECT_EQ(VersionString(info, L"FileDescription"), L"OstrelPanel");
    EXPECT_EQ(VersionString(info, L"InternalName"), L"Ostrel");
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"2.0.00.11020");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"2.0.00.11020");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 2));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(11020, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 2));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(11020, 0));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                                 &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0000);
    EXPECT_EQ(translation[1], 0x04B0);
}

TEST(PanelManifest, IsolationAwareManifestIsAnEmptyAssembly) {
    base::UniqueModule panel = paneltest::LoadPanel();
    ASSERT_TRUE(panel.valid());
    std::vector<BYTE> bytes = paneltest::ResourceBytes(panel.get(), RT_MANIFEST, MAKEINTRESOURCEW(2),
                                                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_FALSE(bytes.empty());
    std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("<assembly"), std::string::npos);
    EXPECT_NE(text.find("manifestVersion=\"1.0\""), std::string::npos);
    EXPECT_NE(text.find("</assembly>"), std::string::npos);
    // Empty: no identity, no dependencies, nothing the loader would have to resolve.
    EXPECT_EQ(text.find("<assemblyIdentity"), std::string::npos);
    EXPECT_EQ(text.find("<dependency"), std::string::npos);
}

}  // namespace
