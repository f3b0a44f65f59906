#pragma once
// The version line of the About box, read from "Version.txt" beside the installed program.
#include <string>
#include "base/cstringw.h"

namespace ostrel {
// The text after "Version=" (any letter case) on the first line that starts with it; FALSE when no
// line does. Lines end at LF, CRLF or the end of the text.
BOOL ParseVersionText(const std::string& text, CStringW* version);
// Reads the file at path (narrow text); FALSE when it is missing or has no version line.
BOOL ReadVersionFile(const wchar_t* path, CStringW* version);
// "%programfiles%\Quor\Ostrel\Version.txt", expanded.
CStringW InstalledVersionFilePath();
}  // namespace ostrel
