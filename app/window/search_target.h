#pragma once
// Finding, on a live page, the control a search result names, and bringing it before the person:
// to the front of its tab, and to a control that can take the focus without changing a setting.
#include <windows.h>

#include "base/cstringw.h"

namespace ostrel {

// The page's control with this number, or, for numbers several controls share (-1 for most
// labels), the one whose text is rawText.
HWND FindPageControl(HWND page, int controlId, const CStringW& rawText);
// When control hides on a tab that is not shown, selects the page's tabs in turn, each announced
// to the page as a click would, until it shows. FALSE when it stays hidden.
BOOL BringControlTabForward(HWND page, HWND control);
// The control that takes the focus for control: itself, the control after a label or group box,
// or, within a group of radio buttons, the checked one; focusing an unchecked automatic radio
// button would check it. Null when there is none.
HWND FocusTargetFor(HWND page, HWND control);

}  // namespace ostrel
