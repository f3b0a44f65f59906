#include "catalogue/text_match.h"

#include <cwchar>
#include <vector>

namespace ostrel {

namespace {
constexpr DWORD kLinguisticFlags = LINGUISTIC_IGNORECASE | LINGUISTIC_IGNOREDIACRITIC;

bool IsWordChar(wchar_t c) { return c && ::IsCharAlphaNumericW(c); }

// Asked once: systems (and Wine versions) that reject the flags, or ignore the accent flag, get
// the folded comparison instead of a search that misses "Écran" for "ecran".
bool LinguisticSearchWorks() {
    int length = 0;
    int found = ::FindNLSStringEx(LOCALE_NAME_USER_DEFAULT, FIND_FROMSTART | kLinguisticFlags, L"R\u00E9glage \u00C9cran",
                                  -1, L"ecran", -1, &length, nullptr, nullptr, 0);
    return found == 8 && length == 5;
}

CStringW Map(const CStringW& text, DWORD flags) {
    int chars = ::LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, text, text.GetLength(), nullptr, 0, nullptr, nullptr, 0);
    if (chars <= 0) return text;
    CStringW out;
    chars = ::LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, text, text.GetLength(), out.GetBufferSetLength(chars), chars,
                            nullptr, nullptr, 0);
    out.ReleaseBuffer(chars > 0 ? chars : 0);
    return out;
}

CStringW Decompose(const CStringW& text) {
    int chars = ::FoldStringW(MAP_COMPOSITE | MAP_FOLDCZONE, text, text.GetLength(), nullptr, 0);
    if (chars <= 0) return text;
    CStringW out;
    chars = ::FoldStringW(MAP_COMPOSITE | MAP_FOLDCZONE, text, text.GetLength(), out.GetBufferSetLength(chars), chars);
    out.ReleaseBuffer(chars > 0 ? chars : 0);
    return out;
}
}  // namespace

CTextMatcher::CTextMatcher() {
    static const Mode detected = LinguisticSearchWorks() ? Mode::Linguistic : Mode::Folded;
    mode_ = detected;
}

CStringW CTextMatcher::Fold(const CStringW& text) {
    CStringW decomposed = Decompose(text);
    const int length = decomposed.GetLength();
    if (length == 0) return decomposed;
    std::vector<WORD> types(static_cast<size_t>(length));
    if (!::GetStringTypeW(CT_CTYPE3, decomposed, length, types.data())) return Map(decomposed, LCMAP_LOWERCASE);
    CStringW bare;
    for (int i = 0; i < length; ++i) {
        if (!(types[static_cast<size_t>(i)] & C3_NONSPACING)) bare += decomposed[i];
    }
    return Map(bare, LCMAP_LOWERCASE | LCMAP_LINGUISTIC_CASING);
}

CStringW CTextMatcher::Prepare(const CStringW& text) const { return mode_ == Mode::Folded ? Fold(text) : text; }

bool CTextMatcher::Locate(const CStringW& text, int from, const CStringW& word, int* start, int* length) const {
    if (from >= text.GetLength()) return false;
    if (mode_ == Mode::Folded) {
        const wchar_t* found = wcsstr(text.GetString() + from, word.GetString());
        if (!found) return false;
        *start = static_cast<int>(found - text.GetString());
        *length = word.GetLength();
        return true;
    }
    int found = ::FindNLSStringEx(LOCALE_NAME_USER_DEFAULT, FIND_FROMSTART | kLinguisticFlags, text.GetString() + from,
                                  text.GetLength() - from, word, word.GetLength(), length, nullptr, nullptr, 0);
    if (found < 0) return false;
    *start = from + found;
    return true;
}

MatchQuality CTextMatcher::Find(const CStringW& text, const CStringW& word) const {
    if (word.IsEmpty()) return MatchQuality::None;
    MatchQuality best = MatchQuality::None;
    int from = 0, start = 0, length = 0;
    while (best != MatchQuality::WholeWord && Locate(text, from, word, &start, &length)) {
        bool opens = start == 0 || !IsWordChar(text[start - 1]);
        int end = start + (length > 0 ? length : 1);
        bool closes = end >= text.GetLength() || !IsWordChar(text[end]);
        MatchQuality quality = opens ? (closes ? MatchQuality::WholeWord : MatchQuality::WordStart) : MatchQuality::InsideWord;
        if (quality > best) best = quality;
        from = start + 1;
    }
    return best;
}

}  // namespace ostrel
