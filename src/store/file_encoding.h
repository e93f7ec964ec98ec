#pragma once
// How the data file's bytes hold its text. The engine works on UTF-8; a file
// in another encoding is decoded once when read, and each change is encoded
// into the file's own bytes, so that lines it does not touch keep theirs.
#include <cstddef>
#include <string>
#include <string_view>

namespace tvx::store {

enum class FileEncoding {
  Utf8,     // with or without the byte order mark; pure ASCII counts as UTF-8
  Utf16,    // little-endian, after its byte order mark FF FE
  Utf16Be,  // big-endian, after its byte order mark FE FF
  Ansi,     // the system's ANSI code page: a file without a mark that is not UTF-8
  // Without a mark, lines of both: a line that is valid UTF-8 is UTF-8 (an
  // editor that writes UTF-8 wrote it), any other line is in the ANSI code
  // page (a slip of a byte, a program that writes ANSI). Changes are
  // encoded as in an ANSI file.
  Utf8AndAnsi,
};

inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

FileEncoding DetectEncoding(std::string_view bytes);

// The text of a file in any encoding but UTF-8, as UTF-8 (a UTF-16 file's
// mark dropped), holding the same line breaks as the bytes do.
// The second form reuses text's storage.
std::string DecodeText(std::string_view bytes, FileEncoding encoding);
void DecodeText(std::string_view bytes, FileEncoding encoding, std::string& text);
// Text in the encoding; false when the encoding cannot hold all of it.
bool EncodeText(std::string_view text, FileEncoding encoding, std::string& out);
// Where in the bytes of a file in any encoding but UTF-8 the line begins that begins at
// offset `at` of its decoded text (at a line start or the text's end).
size_t ByteOffsetOfLine(std::string_view text, std::string_view bytes, FileEncoding encoding, size_t at);

}  // namespace tvx::store
