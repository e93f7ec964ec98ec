#pragma once
// The system's ANSI code page: the encoding of data files written before the
// program spoke Unicode. Windows asks the system; elsewhere it is
// Windows-1252 (Western European).
//
// Never raises: AnsiToUtf8 cannot fail; Utf8ToAnsi answers false when the
// code page cannot hold the text.
#include <string>
#include <string_view>

namespace tvx::codepage {

// ANSI bytes to UTF-8; never fails (a byte the code page does not define
// becomes what the system makes of it). The first form reuses out's storage
// and returns true when each byte became one character (a code page of one
// byte a character), so that every line break stands where it stood.
bool AnsiToUtf8(std::string_view ansi, std::string& out);
inline std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  AnsiToUtf8(ansi, out);
  return out;
}
// The UTF-8 of every byte of a code page of one byte a character, at most
// three bytes each (every such code page stays within U+FFFF).
struct ByteTable {
  char utf8[256][4] = {};
  unsigned char size[256] = {};
};
// Bytes to UTF-8 through the table, reusing out's storage.
void ConvertThroughTable(const ByteTable& table, std::string_view bytes, std::string& out);

// UTF-8 to ANSI bytes; false when the code page cannot hold every character
// exactly (no look-alike substitutes).
bool Utf8ToAnsi(std::string_view utf8, std::string& ansi);

}  // namespace tvx::codepage
