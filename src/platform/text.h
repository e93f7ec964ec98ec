#pragma once
// Text helpers shared by every subsystem, on UTF-8 text. LowerAscii and
// UpperAscii touch A-Z / a-z only; EqualsNoCase folds every letter.
//
// None fails or raises: bytes that are not UTF-8 are carried as they are.
#include <string>
#include <vector>

namespace tvx::text {

// Removes leading and trailing characters with codes up to 32 (blanks and controls).
std::string Trim(const std::string& s);
// Removes leading and trailing blanks (32) only.
std::string TrimBlanks(const std::string& s);
std::string LowerAscii(std::string s);
std::string UpperAscii(std::string s);
bool EqualsNoCase(const std::string& a, const std::string& b);

// Replaces every occurrence, left to right, without overlaps, case significant.
std::string ReplaceAll(const std::string& s, const std::string& from, const std::string& to);

// Splits into lines as a text list does: a line ends at CR, LF or CR LF; a
// break at the very end adds no empty piece; the empty text gives no piece.
std::vector<std::string> SplitLines(const std::string& s);
// Turns every separator into a line break, then takes the lines.
std::vector<std::string> SplitAt(const std::string& s, const std::string& separator);

// Extension: from the last "." after the last "\" or ":" to the end; empty
// when there is no such dot.
std::string ExtractExtension(const std::string& path);
// Text up to and including the last "\" or ":"; empty when neither occurs.
std::string ExtractPath(const std::string& path);
// Text after the last "\" or ":".
std::string ExtractFileName(const std::string& path);

// Length in UTF-16 code units, as the system counts a path's characters (a
// character beyond U+FFFF counts two). Bytes that are no valid UTF-8 count one
// each, as their replacement character would.
std::size_t Utf16Length(const std::string& utf8);

}  // namespace tvx::text
