#pragma once
// UTF-8, the program's text, and UTF-16 LE, the text of wide files, without
// any call into the system.
//
// None fails or raises: a byte that starts no valid sequence is answered as
// kInvalidByte plus the byte (Next), or as U+FFFD (the UTF-16 conversions).
#include <cstddef>
#include <string>
#include <string_view>

namespace tvx::utf8 {

// What Next returns for a byte that starts no valid sequence: this plus the
// byte, above every code point, so that such bytes compare as themselves.
constexpr char32_t kInvalidByte = 0x110000;

// The code point at s[i], advancing i past it. Overlong forms, surrogates and
// values above U+10FFFF are invalid: one byte is passed and kInvalidByte + it
// returned.
char32_t Next(std::string_view s, size_t& i);
// Whether all of the text is valid UTF-8 (as Next tells it).
bool IsValid(std::string_view s);
bool IsAscii(std::string_view s);
// Length of the run of ASCII bytes at the start of s, found 64 bytes at a
// time: most of a data file is ASCII, and this runs on every read of it.
size_t AsciiPrefix(std::string_view s);
void Append(std::string& out, char32_t c);

// UTF-16 LE bytes to UTF-8: an unpaired surrogate, and an odd last byte,
// become U+FFFD.
std::string FromUtf16(std::string_view bytes);
// Valid UTF-8 to UTF-16 LE bytes.
std::string ToUtf16(std::string_view text);

}  // namespace tvx::utf8
