#pragma once
// Text written into the XML files and output the command produces: escaped for an attribute or an
// element, and the whole document stored as UTF-8.
#include <string>

namespace settorycli {

// Escapes &, <, >, " and ', and writes characters XML 1.0 cannot carry (controls other than tab,
// line feed and carriage return) as '?', so that a value read from a file never makes the output
// unreadable.
std::wstring XmlEscape(const std::wstring& text);

std::string Utf8(const std::wstring& text);

// Writes the text as UTF-8 into a new file beside the target and renames it over the target, so a
// reader never sees half a file. False when the file could not be written.
bool WriteUtf8File(const std::wstring& path, const std::wstring& text);

}  // namespace settorycli
