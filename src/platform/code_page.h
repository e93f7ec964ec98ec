#pragma once
// The system's ANSI code page: the encoding of data files written before the
// program spoke Unicode. Windows asks the system; elsewhere it is
// Windows-1252 (Western European).
#include <string>
#include <string_view>

namespace tvx::codepage {

// ANSI bytes to UTF-8; never fails (a byte the code page does not define
// becomes what the system makes of it).
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 to ANSI bytes; false when the code page cannot hold every character
// exactly (no look-alike substitutes).
bool Utf8ToAnsi(std::string_view utf8, std::string& ansi);

}  // namespace tvx::codepage
