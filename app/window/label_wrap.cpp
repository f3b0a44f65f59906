#include "window/label_wrap.h"

#include <windows.h>

#include <vector>

namespace ostrel {

namespace {
WrappedLabel WrapAtSpaces(const CStringW& text, int chars) {
    WrappedLabel result;
    CStringW rest = text;
    CStringW out;
    do {
        if (rest.GetLength() < chars) break;
        CStringW piece = rest.Left(chars + 1);
        int space = piece.ReverseFind(L' ');
        // No space after the second character: the rest stays on one line (never dropped).
        if (space <= 1) break;
        out += rest.Left(space) + L"\n";
        rest = rest.Mid(space + 1);
        rest.Trim();
        ++result.lineCount;
    } while (rest.GetLength() > chars);
    out += rest;
    result.text = out;
    result.changed = result.lineCount > 0;
    return result;
}

WrappedLabel WrapHard(const CStringW& text, int textWidth, int width) {
    WrappedLabel result;
    int length = text.GetLength();
    int perLine = static_cast<int>(static_cast<long long>(length) * width / textWidth);
    int breaks = (textWidth + width - 1) / width;
    result.text = text;
    if (perLine > 0 && perLine != length) {
        // Positions count in the text as it grows, so later lines are one character shorter.
        for (int k = 1; k <= breaks; ++k) {
            int at = k * perLine;
            if (at >= result.text.GetLength()) {
                result.text += L"\n";
            } else {
                result.text.Insert(at, L"\n");
            }
        }
        result.changed = true;
    }
    result.lineCount = textWidth / width;
    return result;
}
}  // namespace

WrappedLabel WrapLabel(const CStringW& label, int width, const std::function<int(const CStringW&)>& measure) {
    WrappedLabel result;
    CStringW text = label;
    text.Trim();
    result.text = text;
    int room = width - 6;
    int textWidth = measure(text);
    if (room <= 0 || textWidth <= room || text.IsEmpty()) return result;
    int space = text.Find(L' ', 2);
    if (space > 1) {
        int chars = static_cast<int>(static_cast<long long>(text.GetLength()) * room / textWidth);
        return WrapAtSpaces(text, chars);
    }
    return WrapHard(text, textWidth, room);
}

int TreeLabelWidthForLanguage(const wchar_t* languageName) {
    for (const wchar_t* wide : {L"ru-RU", L"es-ES", L"fr-FR"}) {
        if (languageName && ::lstrcmpiW(languageName, wide) == 0) return 254;
    }
    return 232;
}

int TreeLabelWidth() {
    static const int width = [] {
        ULONG count = 0;
        ULONG chars = 0;
        if (::GetThreadPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &chars) && chars > 0) {
            std::vector<wchar_t> names(chars);
            if (::GetThreadPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &chars)) {
                return TreeLabelWidthForLanguage(names.data());
            }
        }
        return TreeLabelWidthForLanguage(nullptr);
    }();
    return width;
}

}  // namespace ostrel
