// Every language module against the English one: the same strings with the same format specifiers,
// the same dialogs with the same controls, mnemonics that stay unique within each window, and fonts
// that have a glyph for every character the module shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "../app/resource.h"
#include "base/handles.h"
#include "locale/dialog_template.h"
#include "locale/languages.h"
#include "support/fixtures.h"

namespace {

using localetest::Narrow;

using localetest::DialogTemplate;
using localetest::Mnemonic;

// "%s", "%d", "%1", ... in order of appearance; "%%" is text.
std::vector<std::wstring> FormatSpecifiers(const std::wstring& text) {
    std::vector<std::wstring> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') continue;
        if (i + 1 < text.size() && text[i + 1] == L'%') {
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < text.size() && !iswalpha(text[end]) && text[end] != L' ') ++end;
        if (end < text.size() && iswalpha(text[end])) ++end;
        found.push_back(text.substr(i, end - i));
        i = end - 1;
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Strings that one window shows side by side as captions of its buttons and labels: the settings
// window's buttons and highlight switch; the status window's buttons and the section captions that
// name its lists.
const std::vector<std::vector<UINT>> kStringsSharingAWindow = {
    {IDS_BUTTON_OK, IDS_BUTTON_CANCEL, IDS_BUTTON_APPLY, IDS_BUTTON_DEFAULTS, IDS_BUTTON_LAUNCH, IDS_HIGHLIGHT_CHANGED},
    {IDS_STATUS_JUMP, IDS_STATUS_CLOSE, IDS_STATUS_CAPTION_FIRST, IDS_STATUS_CAPTION_FIRST + 1, IDS_STATUS_CAPTION_FIRST + 2},
};

class LanguageModule : public testing::TestWithParam<localetest::Language> {
protected:
    // Runs check(module, English resources, this language's resources) for the program's resource
    // module, every sample plug-in and the framework.
    template <typename Check>
    void ForEachModule(Check check) {
        for (const auto& translated : localetest::kModules) {
            // The pseudo-language is made for the program's module only.
            if (!translated.folderPerLanguage && GetParam().id == localetest::kPseudo) continue;
            SCOPED_TRACE(Narrow(translated.file));
            base::UniqueModule english = localetest::LoadModule(translated, L"en-US");
            base::UniqueModule module = localetest::LoadModule(translated, GetParam().name);
            ASSERT_TRUE(english.valid());
            ASSERT_TRUE(module.valid()) << "no module for " << Narrow(GetParam().name);
            check(translated, english.get(), module.get());
        }
    }
};

TEST_P(LanguageModule, HasEveryEnglishStringWithTheSameSpecifiersAndAMnemonicWhereEnglishHasOne) {
    ForEachModule([&](const localetest::TranslatedModule& translated, HMODULE englishModule, HMODULE module) {
        auto english = localetest::ReadStrings(englishModule, localetest::kEnglish);
        auto strings = localetest::ReadStrings(module, GetParam().id);
        ASSERT_FALSE(english.empty());
        for (const auto& [id, text] : english) {
            auto found = strings.find(id);
            if (found == strings.end()) {
                ADD_FAILURE() << "string " << id << " missing in " << Narrow(GetParam().name);
                continue;
            }
            EXPECT_EQ(FormatSpecifiers(found->second), FormatSpecifiers(text)) << "string " << id;
            EXPECT_EQ(Mnemonic(found->second) != 0, Mnemonic(text) != 0) << "string " << id << ": " << Narrow(found->second);
        }
        if (!translated.folderPerLanguage) return;
        for (const auto& group : kStringsSharingAWindow) {
            std::set<wchar_t> used;
            for (UINT id : group) {
                wchar_t key = Mnemonic(strings[id]);
                if (key) EXPECT_TRUE(used.insert(key).second) << "mnemonic of string " << id << " repeats in its window";
            }
        }
    });
}

TEST_P(LanguageModule, HasEveryEnglishDialogWithTheSameControlsAndUniqueMnemonics) {
    // Pages sit in the settings window beside its buttons and highlight switch: their letters are taken.
    base::UniqueModule program = localetest::LoadModule(GetParam().name);
    ASSERT_TRUE(program.valid());
    auto programStrings = localetest::ReadStrings(program.get(), GetParam().id);
    std::set<wchar_t> settingsWindowKeys;
    for (UINT id : kStringsSharingAWindow[0]) {
        if (wchar_t key = Mnemonic(programStrings[id])) settingsWindowKeys.insert(key);
    }
    ForEachModule([&](const localetest::TranslatedModule& translated, HMODULE englishModule, HMODULE module) {
        auto english = localetest::ReadDialogs(englishModule, localetest::kEnglish);
        auto dialogs = localetest::ReadDialogs(module, GetParam().id);
        // The framework has strings only; every other module has dialogs.
        ASSERT_EQ(english.empty(), !wcscmp(translated.file, L"Plugwerk.dll"));
        for (const auto& [id, expected] : english) {
            auto found = dialogs.find(id);
            if (found == dialogs.end()) {
                ADD_FAILURE() << "dialog " << id << " missing in " << Narrow(GetParam().name);
                continue;
            }
            const DialogTemplate& dialog = found->second;
            EXPECT_EQ(dialog.caption.empty(), expected.caption.empty()) << "dialog " << id;
            ASSERT_EQ(dialog.controls.size(), expected.controls.size()) << "dialog " << id;
            bool page = translated.folderPerLanguage ? id == IDD_SYSTEM_INFO : dialog.caption.empty();
            std::set<wchar_t> used = page ? settingsWindowKeys : std::set<wchar_t>();
            for (size_t i = 0; i < dialog.controls.size(); ++i) {
                const auto& control = dialog.controls[i];
                const auto& original = expected.controls[i];
                EXPECT_EQ(control.id, original.id) << "dialog " << id << " control " << i;
                EXPECT_EQ(control.windowClass, original.windowClass) << "dialog " << id << " control " << i;
                EXPECT_EQ(control.text.empty(), original.text.empty()) << "dialog " << id << " control " << i;
                if (control.windowClass == L"Static" && (control.style & SS_NOPREFIX)) continue;
                wchar_t key = Mnemonic(control.text);
                EXPECT_EQ(key != 0, Mnemonic(original.text) != 0) << "dialog " << id << ": " << Narrow(control.text);
                if (key) EXPECT_TRUE(used.insert(key).second) << "dialog " << id << ": mnemonic of " << Narrow(control.text) << " repeats";
            }
        }
    });
}

// Wine draws a character the chosen font lacks as an empty box; so does Windows without font linking.
TEST_P(LanguageModule, FontsHaveAGlyphForEveryCharacterShown) {
    ForEachModule([&](const localetest::TranslatedModule& translated, HMODULE, HMODULE module) {
        auto strings = localetest::ReadStrings(module, GetParam().id);
        auto dialogs = localetest::ReadDialogs(module, GetParam().id);
        std::set<std::wstring> faces;
        if (translated.folderPerLanguage) faces.insert(strings[IDS_UI_FONT_FACE]);
        std::wstring shown;
        for (const auto& [id, text] : strings) shown += text;
        for (const auto& [id, dialog] : dialogs) {
            faces.insert(dialog.face);
            shown += dialog.caption;
            for (const auto& control : dialog.controls) shown += control.text;
        }
        shown.erase(std::remove_if(shown.begin(), shown.end(), [](wchar_t c) { return c < L' '; }), shown.end());

        base::UniqueDc dc(::CreateCompatibleDC(nullptr));
        for (const std::wstring& face : faces) {
            base::UniqueGdiObject font(
                ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face.c_str()));
            ASSERT_TRUE(font.valid());
            HGDIOBJ previous = ::SelectObject(dc.get(), font.get());
            std::vector<WORD> glyphs(shown.size());
            ::GetGlyphIndicesW(dc.get(), shown.c_str(), static_cast<int>(shown.size()), glyphs.data(),
                               GGI_MARK_NONEXISTING_GLYPHS);
            std::wstring missing;
            for (size_t i = 0; i < shown.size(); ++i) {
                if (glyphs[i] == 0xFFFF && missing.find(shown[i]) == std::wstring::npos) missing += shown[i];
            }
            EXPECT_TRUE(missing.empty()) << Narrow(face) << " lacks " << Narrow(missing);
            ::SelectObject(dc.get(), previous);
        }
    });
}

// The shell names the Start-menu shortcuts from the program file, so it carries the windows' names in
// every language, the same as the language's module.
TEST_P(LanguageModule, ProgramFileNamesTheWindowsAsTheModuleDoes) {
    if (GetParam().id == localetest::kPseudo) return;
    base::UniqueModule program(::LoadLibraryExW(testsupport::BinFile(L"Ostrel.exe"), nullptr,
                                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    base::UniqueModule module = localetest::LoadModule(GetParam().name);
    ASSERT_TRUE(program.valid());
    ASSERT_TRUE(module.valid());
    auto names = localetest::ReadStrings(program.get(), GetParam().id);
    auto strings = localetest::ReadStrings(module.get(), GetParam().id);
    for (UINT id : {IDS_SETTINGS_WINDOW_CAPTION, IDS_STATUS_WINDOW_CAPTION}) {
        EXPECT_FALSE(names[id].empty()) << "string " << id;
        EXPECT_EQ(names[id], strings[id]) << "string " << id;
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageModule, testing::ValuesIn(localetest::kLanguages), localetest::TestName);

}  // namespace
