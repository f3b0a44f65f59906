#pragma once
// What the settings window's search box looks through: for every listed entry its name, description
// and category name, and for a plug-in page also the texts of its dialog template and the words its
// plug-in declares. Built once; each query then only compares the texts kept here.
#include <vector>

#include "base/cstringw.h"
#include "catalogue/dialog_texts.h"
#include "catalogue/registered_application.h"
#include "catalogue/text_match.h"

namespace ostrel {

// The resource type of a page's search words, named by the page's dialog template number.
constexpr const wchar_t kPageKeywordsType[] = L"PLUGWERK_KEYWORDS";

// The words and phrases of a keywords resource: UTF-16 (an L"..." block in the .rc) or UTF-8 text,
// separated by commas, semicolons or line ends.
std::vector<CStringW> SplitKeywords(const void* data, size_t size);
// The search words of the page with this template number, from module.
std::vector<CStringW> ReadPageKeywords(HMODULE module, UINT templateId);

enum class SearchField { Name, Keyword, Category, Control, Description };

struct SearchText {
    SearchField field;
    CStringW text;
    int controlId = kCaption;  // Control texts: the control on the page
    CStringW rawText;          // Control texts: the template's text, to tell controls of one number apart
};

struct SearchHit {
    CRegisteredApplication* entry = nullptr;
    int score = 0;
    // The control whose text matched best, when the entry was found through one.
    bool hasControl = false;
    int controlId = kCaption;
    CStringW controlText;
};

class CSearchIndex {
public:
    void Add(CRegisteredApplication* entry, const std::vector<SearchText>& texts);
    size_t Size() const noexcept { return documents_.size(); }
    // The entries in which every word of the query occurs, best first: hits in names and whole
    // words rank above hits inside words and in other texts.
    std::vector<SearchHit> Find(const CStringW& query) const;
    const CTextMatcher& Matcher() const noexcept { return matcher_; }

    // What an entry is found by; categoryName is the text of its category row.
    static std::vector<SearchText> TextsOf(CRegisteredApplication* entry, const CStringW& categoryName);

private:
    struct Document {
        CRegisteredApplication* entry;
        std::vector<SearchText> texts;  // prepared for the matcher
    };
    std::vector<Document> documents_;
    CTextMatcher matcher_;
};

}  // namespace ostrel
