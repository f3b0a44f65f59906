// The Control Panel entry's strings: every language carries the product key, the value name of the
// installation folder, the entry's name and its tool tip, with exactly these texts.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "panel/panel_module.h"

namespace {

struct LanguageTexts {
    WORD language;
    const wchar_t* description;
};

const LanguageTexts kLanguages[] = {
    {0x0404, L"顯示系統資訊和指定您電腦的設定值。"},
    {0x0407, L"Systeminformationen anzeigen und Einstellungen für Ihren Computer festlegen."},
    {0x0409, L"Display system information and specify settings for your computer."},
    {0x040C, L"Vous pouvez afficher les informations système et configurer votre ordinateur."},
    {0x0410, L"Visualizza informazioni di sistema e specifica le impostazioni del computer in uso."},
    {0x0411, L"ヴァルヌのシステム情報の管理と設定"},
    {0x0412, L"시스템 정보를 표시하고 해당 컴퓨터에 대한 설정을 지정합니다."},
    {0x0413, L"Systeeminformatie weergeven en instellingen voor de computer specificeren."},
    {0x0419, L"Отображение системной информации и задание настроек компьютера."},
    {0x0804, L"计算机系统信息的管理和设置。"},
    {0x0C0A, L"Consulte la información del sistema y especifique la configuración del ordenador."},
};

class PanelStrings : public testing::TestWithParam<LanguageTexts> {};

TEST_P(PanelStrings, LanguageHoldsAllFourTextsExactly) {
    base::UniqueModule panel = paneltest::LoadPanel();
    ASSERT_TRUE(panel.valid());
    const LanguageTexts& expected = GetParam();
    const struct {
        UINT id;
        const wchar_t* text;
    } strings[] = {
        {112, L"Software\\Quor Corporation\\Ostrel"},
        {117, L"InstalledPath"},
        {200, L"Ostrel"},
        {300, expected.description},
    };
    for (const auto& s : strings) {
        std::wstring text;
        EXPECT_TRUE(paneltest::StringInLanguage(panel.get(), s.id, expected.language, &text))
            << "string " << s.id << " missing in language 0x" << std::hex << expected.language;
        EXPECT_EQ(text, s.text) << "string " << s.id << " in language 0x" << std::hex << expected.language;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLanguage, PanelStrings, testing::ValuesIn(kLanguages),
                         [](const testing::TestParamInfo<LanguageTexts>& info) {
                             char name[16];
                             wsprintfA(name, "lang_%04X", info.param.language);
                             return std::string(name);
                         });

TEST(PanelStringsLookup, LoadStringFindsTheEntryTexts) {
    base::UniqueModule panel = paneltest::LoadPanel();
    ASSERT_TRUE(panel.valid());
    wchar_t text[256] = {};
    ASSERT_GT(::LoadStringW(panel.get(), 200, text, 256), 0);
    EXPECT_STREQ(text, L"Ostrel");
    ASSERT_GT(::LoadStringW(panel.get(), 112, text, 256), 0);
    EXPECT_STREQ(text, L"Software\\Quor Corporation\\Ostrel");
    // No other ids: a shell that asks for a neighbour gets nothing instead of a wrong text.
    EXPECT_EQ(::LoadStringW(panel.get(), 201, text, 256), 0);
}

// The lookup above falls back to another language when the asked one is missing, so the texts that
// are the same everywhere (112, 117, 200) need this check to prove each language really has them.
TEST(PanelStringsLookup, EveryStringBlockCarriesExactlyTheElevenLanguages) {
    base::UniqueModule panel = paneltest::LoadPanel();
    ASSERT_TRUE(panel.valid());
    std::set<WORD> shipped;
    for (const auto& l : kLanguages) shipped.insert(l.language);
    for (UINT id : {112u, 117u, 200u, 300u}) {
        std::set<WORD> found;
        ::EnumResourceLanguagesW(
            panel.get(), RT_STRING, MAKEINTRESOURCEW(id / 16 + 1),
            [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) -> BOOL {
                reinterpret_cast<std::set<WORD>*>(param)->insert(language);
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&found));
        EXPECT_EQ(found, shipped) << "string " << id;
    }
}

}  // namespace
