// What the search box looks through: template texts read as data, matching without case and
// accents, and the order of results. The window side is in main_dlg_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/handles.h"
#include "catalogue/dialog_texts.h"
#include "catalogue/search_index.h"
#include "support/fixtures.h"

namespace {

constexpr UINT kPowerTemplate = 100;  // samples/power_wireless: IDD_POWER

std::vector<CStringW> TextsOf(const std::vector<ostrel::DialogText>& texts) {
    std::vector<CStringW> out;
    for (const auto& t : texts) out.push_back(t.text);
    return out;
}

TEST(DialogTexts, ATemplateGivesEveryTextAndACutOrMangledOneGivesWhatCameBefore) {
    base::UniqueModule module(::LoadLibraryExW(testsupport::BinFile(L"OstrelPowerWireless.dll"), nullptr,
                                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(module.valid());
    std::vector<ostrel::DialogText> texts = ostrel::ReadDialogTexts(module.get(), kPowerTemplate);
    EXPECT_EQ((std::vector<CStringW>{L"Power plan", L"Quiet: lower fan speed and performance", L"Balanced",
                                     L"Performance: full speed when plugged in", L"When I close the lid",
                                     L"Stop charging at (percent; the charger accepts 60 or more)"}),
              TextsOf(texts));
    EXPECT_EQ(1002, texts[2].controlId);
    EXPECT_EQ(-1, texts[0].controlId);

    HRSRC found = ::FindResourceW(module.get(), MAKEINTRESOURCEW(kPowerTemplate), RT_DIALOG);
    const BYTE* data = static_cast<const BYTE*>(::LockResource(::LoadResource(module.get(), found)));
    const size_t size = ::SizeofResource(module.get(), found);
    std::vector<BYTE> copy(data, data + size);
    for (size_t cut = 0; cut <= size; ++cut) {
        std::vector<CStringW> prefix = TextsOf(ostrel::ReadDialogTemplateTexts(copy.data(), cut));
        ASSERT_LE(prefix.size(), texts.size()) << cut;
        for (size_t i = 0; i < prefix.size(); ++i) EXPECT_TRUE(texts[i].text.Find(prefix[i]) == 0) << cut;
    }
    // A count far beyond the items present, and creation data running past the end.
    std::vector<BYTE> lying = copy;
    lying[16] = 0xFF;  // DLGTEMPLATEEX: the item count's low byte
    EXPECT_EQ(texts.size(), ostrel::ReadDialogTemplateTexts(lying.data(), lying.size()).size());
    EXPECT_TRUE(ostrel::ReadDialogTemplateTexts(nullptr, 100).empty());
}

TEST(DialogTexts, DialogInitListsItsComboStringsAndMnemonicsAreDropped) {
    std::vector<BYTE> block;
    auto add = [&](WORD id, WORD message, const char* text) {
        DWORD length = static_cast<DWORD>(strlen(text) + 1);
        const BYTE* p = reinterpret_cast<const BYTE*>(&id);
        block.insert(block.end(), p, p + 2);
        p = reinterpret_cast<const BYTE*>(&message);
        block.insert(block.end(), p, p + 2);
        p = reinterpret_cast<const BYTE*>(&length);
        block.insert(block.end(), p, p + 4);
        block.insert(block.end(), text, text + length);
    };
    add(1004, 0x0403, "Hibernate");
    add(1004, 0x0999, "not a string message");
    add(1005, 0x0401, "Sleep");
    block.push_back(0);
    block.push_back(0);
    std::vector<ostrel::DialogText> texts = ostrel::ReadDialogInitTexts(block.data(), block.size());
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(L"Hibernate", texts[0].text);
    EXPECT_EQ(1005, texts[1].controlId);
    // A length past the end stops the walk.
    block[4] = 0xFF;
    EXPECT_TRUE(ostrel::ReadDialogInitTexts(block.data(), block.size()).empty());

    EXPECT_EQ(L"Apply", ostrel::StripMnemonics(L"&Apply"));
    EXPECT_EQ(L"Fish & Chips", ostrel::StripMnemonics(L"Fish && &Chips"));
}

TEST(TextMatcher, IgnoresCaseAndAccentsAndTellsWholeWordsFromPieces) {
    using Q = ostrel::MatchQuality;
    struct {
        const wchar_t* text;
        const wchar_t* word;
        Q quality;
    } cases[] = {
        {L"R\u00E9glage de l'\u00C9cran", L"ecran", Q::WholeWord},
        {L"Screen brightness", L"BRIGHT", Q::WordStart},
        {L"Keyboard backlight", L"light", Q::InsideWord},
        // The best occurrence counts, not the first.
        {L"Backlight light", L"light", Q::WholeWord},
        {L"Wi-Fi", L"fi", Q::WholeWord},
        {L"Bluetooth", L"wifi", Q::None},
    };
    for (auto mode : {ostrel::CTextMatcher::Mode::Linguistic, ostrel::CTextMatcher::Mode::Folded}) {
        ostrel::CTextMatcher matcher(mode);
        for (const auto& c : cases) {
            EXPECT_EQ(c.quality, matcher.Find(matcher.Prepare(c.text), matcher.Prepare(c.word)))
                << c.text << " / " << c.word << " mode " << static_cast<int>(mode);
        }
    }
    EXPECT_EQ(L"ecran lumiere", ostrel::CTextMatcher::Fold(L"\u00C9cran Lumi\u00E8re"));
}

TEST(SearchIndex, EveryWordMustMatchAndNamesAndWholeWordsRankFirst) {
    CRegisteredApplication power, wireless, keyboard;
    power.m_strName = L"Power";
    wireless.m_strName = L"Wireless";
    keyboard.m_strName = L"Display and keyboard";
    using F = ostrel::SearchField;
    ostrel::CSearchIndex index;
    index.Add(&power, {{F::Name, L"Power"}, {F::Control, L"When I close the lid", -1, L"When I close the lid"},
                       {F::Control, L"Power plan", -1, L"Power plan"}});
    index.Add(&wireless, {{F::Name, L"Wireless"}, {F::Description, L"Wi-Fi, Bluetooth and airplane mode"},
                          {F::Control, L"Airplane mode (all radios off)", 1010, L"Airplane mode (all radios off)"}});
    index.Add(&keyboard, {{F::Name, L"Display and keyboard"}, {F::Keyword, L"power saving"}});

    std::vector<ostrel::SearchHit> hits = index.Find(L"  power ");
    ASSERT_EQ(2u, hits.size());
    EXPECT_EQ(&power, hits[0].entry);  // the name outranks a declared word
    EXPECT_FALSE(hits[0].hasControl);  // found by its name, the page is simply opened

    hits = index.Find(L"close LID");
    ASSERT_EQ(1u, hits.size());
    EXPECT_TRUE(hits[0].hasControl);
    EXPECT_EQ(L"When I close the lid", hits[0].controlText);

    hits = index.Find(L"airplane");
    ASSERT_EQ(1u, hits.size());
    EXPECT_EQ(1010, hits[0].controlId);
    EXPECT_TRUE(index.Find(L"airplane keyboard").empty());
    EXPECT_TRUE(index.Find(L"   ").empty());
}

TEST(SearchIndex, KeywordsAreUtf16OrUtf8SplitAtCommasSemicolonsAndLineEnds) {
    const wchar_t wide[] = L"screen, dim;keyboard light\r\n Fn keys ,,";
    EXPECT_EQ((std::vector<CStringW>{L"screen", L"dim", L"keyboard light", L"Fn keys"}),
              ostrel::SplitKeywords(wide, sizeof(wide)));
    const char utf8[] = "\xEF\xBB\xBF\xC3\xA9" "cran; lumi\xC3\xA8re";
    EXPECT_EQ((std::vector<CStringW>{L"\u00E9cran", L"lumi\u00E8re"}), ostrel::SplitKeywords(utf8, sizeof(utf8) - 1));
    EXPECT_TRUE(ostrel::SplitKeywords(nullptr, 10).empty());
    // Blocks whose first character lies beyond Latin, with and without a terminator.
    const wchar_t cyrillic[] = L"\u042d\u043a\u0440\u0430\u043d, \u044f\u0440\u043a\u043e\u0441\u0442\u044c";
    EXPECT_EQ((std::vector<CStringW>{L"\u042d\u043a\u0440\u0430\u043d", L"\u044f\u0440\u043a\u043e\u0441\u0442\u044c"}),
              ostrel::SplitKeywords(cyrillic, sizeof(cyrillic) - sizeof(wchar_t)));
    const wchar_t cjk[] = L"\u753b\u9762\u3001\u660e\u308b\u3055;\u30ad\u30fc\u30dc\u30fc\u30c9";
    EXPECT_EQ((std::vector<CStringW>{L"\u753b\u9762\u3001\u660e\u308b\u3055", L"\u30ad\u30fc\u30dc\u30fc\u30c9"}),
              ostrel::SplitKeywords(cjk, sizeof(cjk)));
    const char plain[] = "abcd";
    EXPECT_EQ((std::vector<CStringW>{L"abcd"}), ostrel::SplitKeywords(plain, sizeof(plain) - 1));

    base::UniqueModule sample(::LoadLibraryExW(testsupport::BinFile(L"OstrelDisplayKeyboard.dll"), nullptr,
                                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    std::vector<CStringW> words = ostrel::ReadPageKeywords(sample.get(), 100);
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(L"Display", words.front());
}

}  // namespace
