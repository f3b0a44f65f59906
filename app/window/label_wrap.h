#pragma once
// Wrapping of entry labels in the category tree: at spaces where the text has them, otherwise hard
// at a fixed number of characters per line.
#include <functional>

#include "base/cstringw.h"

namespace ostrel {

struct WrappedLabel {
    CStringW text;      // with line feeds where it was broken
    int lineCount = 0;  // the number of lines added
    bool changed = false;
};

// measure returns the width of a text in the entry font; width is the room of the row.
WrappedLabel WrapLabel(const CStringW& label, int width, const std::function<int(const CStringW&)>& measure);

// The tree's width at 96 dpi for a user-interface language name: wider for the languages whose
// category names need it.
int TreeLabelWidthForLanguage(const wchar_t* languageName);
// The same for the user's first preferred user-interface language.
int TreeLabelWidth();

}  // namespace ostrel
