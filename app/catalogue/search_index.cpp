#include "catalogue/search_index.h"

#include <algorithm>
#include <cwchar>

#include "base/handles.h"
#include "catalogue/plugin_registered_application.h"

namespace ostrel {

namespace {
// A hit in the name counts most; a category name matches every entry below it, so it counts like a
// control's label; a description is long and matches by chance more often.
int Weight(SearchField field) {
    switch (field) {
    case SearchField::Name: return 5;
    case SearchField::Keyword:
    case SearchField::Category:
    case SearchField::Control: return 3;
    case SearchField::Description: return 2;
    }
    return 1;
}

// The trimmed, non-empty pieces of text between any of the separators.
std::vector<CStringW> SplitOn(const CStringW& text, const wchar_t* separators) {
    std::vector<CStringW> pieces;
    CStringW piece;
    auto flush = [&] {
        piece.Trim();
        if (!piece.IsEmpty()) pieces.push_back(piece);
        piece.Empty();
    };
    for (int i = 0; i < text.GetLength(); ++i) {
        if (wcschr(separators, text[i])) flush();
        else piece += text[i];
    }
    flush();
    return pieces;
}

// Words in UTF-8 never hold bytes below a tab, apart from a terminating zero, and always decode; an
// L"..." block of any script does one or the other (Latin and Cyrillic have such high bytes, the
// wide characters of CJK rarely pair into valid UTF-8).
bool LooksLikeUtf16(const BYTE* bytes, size_t size) {
    if (size < 2 || size % 2) return false;
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) return true;
    for (size_t i = 0; i + 1 < size; ++i) {
        if (bytes[i] < 0x09) return true;
    }
    size_t length = bytes[size - 1] ? size : size - 1;
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                                 static_cast<int>(length), nullptr, 0) == 0;
}

CStringW DecodeText(const BYTE* bytes, size_t size) {
    CStringW text;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        bytes += 3;
        size -= 3;
    } else if (LooksLikeUtf16(bytes, size)) {
        // UTF-16: an L"..." block, or a file saved with its byte-order mark.
        size_t chars = size / sizeof(wchar_t);
        const wchar_t* wide = reinterpret_cast<const wchar_t*>(bytes);
        if (chars && wide[0] == 0xFEFF) {
            ++wide;
            --chars;
        }
        return CStringW(wide, static_cast<int>(wcsnlen(wide, chars)));
    }
    int length = static_cast<int>(strnlen(reinterpret_cast<const char*>(bytes), size));
    int chars = ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes), length, nullptr, 0);
    if (chars > 0) {
        ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes), length, text.GetBufferSetLength(chars),
                              chars);
        text.ReleaseBuffer(chars);
    }
    return text;
}

CStringW ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    DWORD chars = ::GetModuleFileNameW(module, path, MAX_PATH);
    return chars && chars < MAX_PATH ? CStringW(path) : CStringW();
}

std::vector<CStringW> KeywordsOfPage(CPluginRegisteredApplication* page) {
    // The words live with the page's texts, in its resource module when it names one.
    if (!page->m_strIconPath.IsEmpty() && page->m_strIconPath.CompareNoCase(ModulePath(page->m_hModule)) != 0) {
        base::UniqueModule strings(::LoadLibraryExW(page->m_strIconPath, nullptr,
                                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        std::vector<CStringW> words = ReadPageKeywords(strings.get(), page->m_nIDD);
        if (!words.empty()) return words;
    }
    return ReadPageKeywords(page->m_hModule, page->m_nIDD);
}
}  // namespace

std::vector<CStringW> SplitKeywords(const void* data, size_t size) {
    if (!data || size == 0) return {};
    return SplitOn(DecodeText(static_cast<const BYTE*>(data), size), L",;\r\n");
}

std::vector<CStringW> ReadPageKeywords(HMODULE module, UINT templateId) {
    if (!module || !templateId) return {};
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(templateId), kPageKeywordsType);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    return data ? SplitKeywords(data, ::SizeofResource(module, found)) : std::vector<CStringW>();
}

std::vector<SearchText> CSearchIndex::TextsOf(CRegisteredApplication* entry, const CStringW& categoryName) {
    std::vector<SearchText> texts;
    if (!entry) return texts;
    texts.push_back({SearchField::Name, entry->m_strName});
    if (!entry->m_strDescription.IsEmpty()) texts.push_back({SearchField::Description, entry->m_strDescription});
    if (!categoryName.IsEmpty()) texts.push_back({SearchField::Category, categoryName});
    if (entry->GetEntryType() != ENTRY_PLUGIN_PAGE) return texts;
    auto* page = static_cast<CPluginRegisteredApplication*>(entry);
    for (const DialogText& t : ReadDialogTexts(page->m_hModule, page->m_nIDD)) {
        texts.push_back({SearchField::Control, t.text, t.controlId, t.rawText});
    }
    for (const CStringW& word : KeywordsOfPage(page)) texts.push_back({SearchField::Keyword, word});
    return texts;
}

void CSearchIndex::Add(CRegisteredApplication* entry, const std::vector<SearchText>& texts) {
    Document document{entry, texts};
    for (SearchText& t : document.texts) t.text = matcher_.Prepare(t.text);
    documents_.push_back(std::move(document));
}

std::vector<SearchHit> CSearchIndex::Find(const CStringW& query) const {
    std::vector<SearchHit> hits;
    std::vector<CStringW> words = SplitOn(query, L" \t\r\n");
    if (words.empty()) return hits;
    for (CStringW& word : words) word = matcher_.Prepare(word);

    std::vector<int> textScores;
    for (const Document& document : documents_) {
        textScores.assign(document.texts.size(), 0);
        int total = 0;
        bool everyWord = true;
        for (const CStringW& word : words) {
            int best = 0;
            for (size_t t = 0; t < document.texts.size(); ++t) {
                const SearchText& text = document.texts[t];
                int score = Weight(text.field) * static_cast<int>(matcher_.Find(text.text, word));
                textScores[t] += score;
                best = std::max(best, score);
            }
            if (best == 0) {
                everyWord = false;
                break;
            }
            total += best;
        }
        if (!everyWord) continue;
        SearchHit hit;
        hit.entry = document.entry;
        hit.score = total;
        // A page found by its name is simply opened; one found by a control's text leads to that control.
        int bestControl = 0;
        for (size_t t = 0; t < document.texts.size(); ++t) {
            if (document.texts[t].field == SearchField::Name) bestControl = std::max(bestControl, textScores[t] - 1);
        }
        for (size_t t = 0; t < document.texts.size(); ++t) {
            const SearchText& text = document.texts[t];
            if (text.field != SearchField::Control || text.controlId == kCaption || textScores[t] <= bestControl) continue;
            bestControl = textScores[t];
            hit.hasControl = true;
            hit.controlId = text.controlId;
            hit.controlText = text.rawText;
        }
        hits.push_back(hit);
    }
    std::stable_sort(hits.begin(), hits.end(), [](const SearchHit& a, const SearchHit& b) {
        if (a.score != b.score) return a.score > b.score;
        return ::CompareStringEx(LOCALE_NAME_USER_DEFAULT, LINGUISTIC_IGNORECASE, a.entry->m_strName, -1,
                                 b.entry->m_strName, -1, nullptr, nullptr, 0) == CSTR_LESS_THAN;
    });
    return hits;
}

}  // namespace ostrel
