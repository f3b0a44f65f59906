#pragma once
// Texts of registered applications that name a string resource instead of holding it:
// "@<module>,-<id>" (the module may be a registry reference), or "@@text" for a literal text that
// begins with an at sign.
#include <vector>

#include "base/cstringw.h"

namespace ostrel {

// Splits at every comma and trims spaces from each part.
std::vector<CStringW> SplitTrimmed(const CStringW& text);

// FALSE when the text is indirect but cannot be resolved. A text that is not indirect is returned as
// it is. A module or string that is missing resolves to an empty text.
BOOL ResolveIndirectString(const CStringW& text, CStringW* resolved);

// The decimal integer a part holds, as the C library reads it; FALSE when it holds none.
BOOL ParseDecimal(const CStringW& part, long* value);

}  // namespace ostrel
