// Every text of every dialog, in every language and in the pseudo-language, fits its control at 96
// and at 144 dpi. The controls are laid out from their templates as the dialog manager does (dialog
// units from the template font's average character width and height), and each text is measured in
// that font, so a control too small for its translation fails here rather than on a customer's screen.
#include <gtest/gtest.h>

#include <tuple>

#include "../app/resource.h"
#include "locale/dialog_template.h"
#include "locale/languages.h"

namespace {

using localetest::Narrow;

using localetest::DialogControl;
using localetest::DialogTemplate;

// A dialog's font at one dpi, selected into a memory DC, with the dialog's base units.
class DialogFont {
public:
    DialogFont(const DialogTemplate& dialog, int dpi) : dpi_(dpi), dc_(::CreateCompatibleDC(nullptr)) {
        font_.reset(::CreateFontW(-::MulDiv(dialog.pointSize, dpi, 72), 0, 0, 0, dialog.weight, 0, 0, 0, dialog.charset,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                  dialog.face.c_str()));
        previous_ = ::SelectObject(dc_.get(), font_.get());
        TEXTMETRICW metrics = {};
        ::GetTextMetricsW(dc_.get(), &metrics);
        SIZE size = {};
        const wchar_t alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        ::GetTextExtentPoint32W(dc_.get(), alphabet, 52, &size);
        baseX_ = (size.cx / 26 + 1) / 2;
        baseY_ = metrics.tmHeight;
        lineHeight_ = metrics.tmHeight;
    }
    ~DialogFont() { ::SelectObject(dc_.get(), previous_); }

    RECT Pixels(const RECT& units) const {
        return {::MulDiv(units.left, baseX_, 4), ::MulDiv(units.top, baseY_, 8), ::MulDiv(units.right, baseX_, 4),
                ::MulDiv(units.bottom, baseY_, 8)};
    }
    int Scale(int pixelsAt96) const { return ::MulDiv(pixelsAt96, dpi_, 96); }
    int LineHeight() const { return lineHeight_; }

    // The extent of the text as the control draws it: one line, or wrapped at the given width.
    SIZE Extent(const std::wstring& text, int wrapWidth, bool prefix) const {
        RECT r = {0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
        UINT format = DT_CALCRECT | DT_EXPANDTABS | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE) | (prefix ? 0 : DT_NOPREFIX);
        ::DrawTextW(dc_.get(), text.c_str(), static_cast<int>(text.size()), &r, format);
        return {r.right - r.left, r.bottom - r.top};
    }

private:
    int dpi_;
    base::UniqueDc dc_;
    base::UniqueGdiObject font_;
    HGDIOBJ previous_ = nullptr;
    int baseX_ = 0;
    int baseY_ = 0;
    int lineHeight_ = 0;
};

// Empty when the text fits the control, else what is cut off and how.
std::string Overflow(const DialogFont& font, const DialogControl& control, const std::wstring& text) {
    if (text.empty()) return {};
    RECT r = font.Pixels(control.units);
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    SIZE need = {};
    if (control.windowClass == L"Static") {
        DWORD type = control.style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP) return {};
        need = font.Extent(text, type == SS_LEFTNOWORDWRAP ? 0 : width, !(control.style & SS_NOPREFIX));
    } else if (control.windowClass == L"Button") {
        DWORD type = control.style & BS_TYPEMASK;
        int beside = 0;  // room the control keeps for itself on the text's line
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
            // The frame, the focus rectangle and a little air on each side.
            beside = font.Scale(16);
        } else if (type == BS_GROUPBOX) {
            beside = font.Scale(16);
        } else {
            beside = font.Scale(13 + 5);
        }
        need = font.Extent(text, (control.style & BS_MULTILINE) ? width - beside : 0, true);
        need.cx += beside;
    } else {
        return {};
    }
    if (need.cx <= width && need.cy <= height) return {};
    return "needs " + std::to_string(need.cx) + "x" + std::to_string(need.cy) + ", has " + std::to_string(width) + "x" +
           std::to_string(height);
}

// Texts the windows put into template controls when they open.
struct PlacedString {
    UINT string;
    WORD dialog;
    DWORD control;
    const wchar_t* appended;
};
const PlacedString kPlacedStrings[] = {
    {IDS_ABOUT_VERSION_PREFIX, IDD_ABOUTBOX, IDC_ABOUT_VERSION, L"2.0.00.11020"},
    {IDS_STATUS_CAPTION_FIRST, IDD_STATUS_INFO, IDC_STATUS_CAPTION_FIRST, L""},
    {IDS_STATUS_CAPTION_FIRST + 1, IDD_STATUS_INFO, IDC_STATUS_CAPTION_FIRST + 1, L""},
    {IDS_STATUS_CAPTION_FIRST + 2, IDD_STATUS_INFO, IDC_STATUS_CAPTION_FIRST + 2, L""},
    {IDS_STATUS_LABEL_FIRST, IDD_STATUS_INFO, IDC_STATUS_LABEL_FIRST, L""},
    {IDS_STATUS_LABEL_FIRST + 1, IDD_STATUS_INFO, IDC_STATUS_LABEL_FIRST + 1, L""},
    {IDS_STATUS_LABEL_FIRST + 2, IDD_STATUS_INFO, IDC_STATUS_LABEL_FIRST + 2, L""},
    {IDS_STATUS_JUMP, IDD_STATUS_INFO, IDC_STATUS_JUMP, L""},
    {IDS_STATUS_CLOSE, IDD_STATUS_INFO, IDC_STATUS_CLOSE, L""},
};

class TextFit : public testing::TestWithParam<std::tuple<localetest::Language, int>> {
protected:
    const localetest::Language& language() const { return std::get<0>(GetParam()); }
    int dpi() const { return std::get<1>(GetParam()); }
    std::map<WORD, DialogTemplate> Dialogs(HMODULE module) const { return localetest::ReadDialogs(module, language().id); }
};

TEST_P(TextFit, EveryTemplateTextFitsItsControl) {
    for (const auto& translated : localetest::kModules) {
        // The pseudo-language is made for the program's module only.
        if (!translated.folderPerLanguage && language().id == localetest::kPseudo) continue;
        base::UniqueModule module = localetest::LoadModule(translated, language().name);
        ASSERT_TRUE(module.valid()) << Narrow(translated.file);
        auto dialogs = Dialogs(module.get());
        // The framework has strings but no dialogs of its own.
        base::UniqueModule english = localetest::LoadModule(translated, L"en-US");
        EXPECT_EQ(localetest::ReadDialogs(english.get(), localetest::kEnglish).empty(), dialogs.empty()) << Narrow(translated.file);
        for (const auto& [id, dialog] : dialogs) {
            DialogFont font(dialog, dpi());
            for (const auto& control : dialog.controls) {
                std::string overflow = Overflow(font, control, control.text);
                EXPECT_TRUE(overflow.empty()) << Narrow(translated.file) << " dialog " << id << " control " << control.id
                                              << " \"" << Narrow(control.text) << "\" " << overflow;
            }
        }
    }
}

TEST_P(TextFit, TextsTheWindowsPlaceInTemplateControlsFit) {
    base::UniqueModule module = localetest::LoadModule(language().name);
    ASSERT_TRUE(module.valid());
    auto dialogs = Dialogs(module.get());
    auto strings = localetest::ReadStrings(module.get(), language().id);
    for (const auto& placed : kPlacedStrings) {
        auto dialog = dialogs.find(placed.dialog);
        ASSERT_NE(dialog, dialogs.end());
        DialogFont font(dialog->second, dpi());
        for (const auto& control : dialog->second.controls) {
            if (control.id != placed.control) continue;
            std::wstring text = strings[placed.string] + placed.appended;
            std::string overflow = Overflow(font, control, text);
            EXPECT_TRUE(overflow.empty()) << "string " << placed.string << " \"" << Narrow(text) << "\" " << overflow;
        }
    }
}

// The settings window's buttons are sized in code from the module's button width.
TEST_P(TextFit, ButtonCaptionsFitTheButtonWidthTheModuleGives) {
    base::UniqueModule module = localetest::LoadModule(language().name);
    ASSERT_TRUE(module.valid());
    auto dialogs = Dialogs(module.get());
    auto strings = localetest::ReadStrings(module.get(), language().id);
    auto dialog = dialogs.find(IDD_OSL_MAIN_DIALOG);
    ASSERT_NE(dialog, dialogs.end());
    DialogFont font(dialog->second, dpi());
    int width = font.Scale(_wtoi(strings[IDS_BUTTON_WIDTH].c_str()));
    ASSERT_GT(width, 0);
    for (UINT id : {IDS_BUTTON_OK, IDS_BUTTON_CANCEL, IDS_BUTTON_APPLY, IDS_BUTTON_DEFAULTS, IDS_BUTTON_LAUNCH}) {
        SIZE need = font.Extent(strings[id], 0, true);
        EXPECT_LE(need.cx + font.Scale(16), width) << "string " << id << " \"" << Narrow(strings[id]) << "\"";
        EXPECT_LE(need.cy, font.Scale(21)) << "string " << id;
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, TextFit, testing::Combine(testing::ValuesIn(localetest::kLanguages), testing::Values(96, 144)),
                         [](const testing::TestParamInfo<std::tuple<localetest::Language, int>>& info) {
                             return localetest::TestName({std::get<0>(info.param), info.index}) + "_" +
                                    std::to_string(std::get<1>(info.param)) + "dpi";
                         });

}  // namespace
