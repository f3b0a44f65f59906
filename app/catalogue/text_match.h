#pragma once
// Finding a word inside a text the way the person's language compares them: case and accents do not
// count ("ecran" finds "Écran"). The system's linguistic search does the work where it takes those
// flags; elsewhere both sides are folded the same way (decomposed, marks dropped, lower-cased in the
// user's locale) and compared as plain characters.
#include <windows.h>

#include "base/cstringw.h"

namespace ostrel {

enum class MatchQuality { None = 0, InsideWord = 1, WordStart = 2, WholeWord = 3 };

class CTextMatcher {
public:
    enum class Mode { Linguistic, Folded };

    // Linguistic when the system's search ignores accents in the user's locale, Folded otherwise.
    CTextMatcher();
    explicit CTextMatcher(Mode mode) : mode_(mode) {}

    Mode GetMode() const noexcept { return mode_; }
    // The form of a text that Find takes (the folded text in Folded mode, the text itself otherwise).
    CStringW Prepare(const CStringW& text) const;
    // Where word occurs in text (both made by Prepare): the best of its occurrences.
    MatchQuality Find(const CStringW& text, const CStringW& word) const;

    static CStringW Fold(const CStringW& text);

private:
    bool Locate(const CStringW& text, int from, const CStringW& word, int* start, int* length) const;
    Mode mode_;
};

}  // namespace ostrel
