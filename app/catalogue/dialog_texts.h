#pragma once
// The texts a dialog template shows, read from the template as data: its caption, every control's
// text (labels, buttons, check boxes, group boxes) and the combo and list box strings its DLGINIT
// companion declares. No window is made, so a page can be searched before it was ever opened.
#include <windows.h>

#include <vector>

#include "base/cstringw.h"

namespace ostrel {

struct DialogText {
    // The control's number; kCaption for the template's own caption. Several controls may share a
    // number (-1 for most labels), so rawText tells them apart on the live page.
    int controlId;
    CStringW rawText;  // as in the template, "&" mnemonics included
    CStringW text;     // as the person reads it
};
constexpr int kCaption = INT_MIN;

// "&Apply" reads "Apply"; "&&" is a literal ampersand.
CStringW StripMnemonics(const wchar_t* text);

// The texts of a DLGTEMPLATE or DLGTEMPLATEEX held in size bytes. A template cut short or otherwise
// malformed gives the texts read before the fault.
std::vector<DialogText> ReadDialogTemplateTexts(const void* data, size_t size);
// The strings of a DLGINIT block (combo and list box items by control number).
std::vector<DialogText> ReadDialogInitTexts(const void* data, size_t size);
// Both, for the template with this number in module; empty when there is none.
std::vector<DialogText> ReadDialogTexts(HMODULE module, UINT templateId);

}  // namespace ostrel
