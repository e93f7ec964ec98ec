#include "store/file_encoding.h"

#include <bit>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TVX_HAVE_SSE2 1
#endif

#include "platform/code_page.h"
#include "platform/utf8.h"

namespace tvx::store {
namespace {

inline bool IsBreak(char c) { return c == '\r' || c == '\n'; }

size_t CountBreaks(std::string_view s) {
  size_t n = 0, i = 0;
#ifdef TVX_HAVE_SSE2
  // Matches counted per byte lane (a match is -1), summed every 255 rounds.
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
  while (s.size() - i >= 16) {
    __m128i lanes = zero;
    for (int round = 0; round < 255 && s.size() - i >= 16; ++round, i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
      lanes = _mm_sub_epi8(lanes, _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    }
    const __m128i sums = _mm_sad_epu8(lanes, zero);
    n += static_cast<size_t>(_mm_cvtsi128_si32(sums)) + static_cast<size_t>(_mm_extract_epi16(sums, 4));
  }
#endif
  for (; i < s.size(); ++i) n += IsBreak(s[i]);
  return n;
}

bool HasUtf16Mark(std::string_view bytes) { return bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE'; }
bool HasUtf16BeMark(std::string_view bytes) { return bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF'; }

bool IsUtf16(FileEncoding encoding) { return encoding == FileEncoding::Utf16 || encoding == FileEncoding::Utf16Be; }

// The bytes of UTF-16 in the other order.
std::string Swapped(std::string_view units) {
  std::string out(units.size(), '\0');
  for (size_t i = 0; i + 1 < units.size(); i += 2) {
    out[i] = units[i + 1];
    out[i + 1] = units[i];
  }
  if (units.size() % 2) out.back() = units.back();
  return out;
}

// Calls each(line, lineBreak) for every line of the bytes, the break after
// it (CR, LF or none) apart.
template <typename Each>
void EachLine(std::string_view bytes, Each&& each) {
  for (size_t i = 0; i < bytes.size();) {
    size_t e = i;
    while (e < bytes.size() && !IsBreak(bytes[e])) ++e;
    each(bytes.substr(i, e - i), bytes.substr(e, e < bytes.size() ? 1 : 0));
    i = e + (e < bytes.size());
  }
}

// A line beyond ASCII that is valid UTF-8 is not ANSI text by chance.
bool IsUtf8Line(std::string_view line) { return !utf8::IsAscii(line) && utf8::IsValid(line); }

// The first CR or LF at or after i, or the end.
size_t NextBreak(std::string_view s, size_t i) {
#ifdef TVX_HAVE_SSE2
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; s.size() - i >= 16; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
    if (const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))))
      return i + static_cast<size_t>(std::countr_zero(static_cast<unsigned>(m)));
  }
#endif
  while (i < s.size() && !IsBreak(s[i])) ++i;
  return i;
}

}  // namespace

FileEncoding DetectEncoding(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Mark)) return FileEncoding::Utf8;
  if (HasUtf16Mark(bytes)) return FileEncoding::Utf16;
  if (HasUtf16BeMark(bytes)) return FileEncoding::Utf16Be;
  if (utf8::IsValid(bytes)) return FileEncoding::Utf8;
  // From one line beyond ASCII to the next, ASCII passed over in blocks.
  size_t lineStart = 0;
  for (size_t i = utf8::AsciiPrefix(bytes); i < bytes.size();) {
    size_t start = i;
    while (start > lineStart && !IsBreak(bytes[start - 1])) --start;
    const size_t end = NextBreak(bytes, i);
    if (utf8::IsValid(bytes.substr(start, end - start))) return FileEncoding::Utf8AndAnsi;
    lineStart = end;
    i = end + utf8::AsciiPrefix(bytes.substr(end));
  }
  return FileEncoding::Ansi;
}

std::string DecodeText(std::string_view bytes, FileEncoding encoding) {
  std::string text;
  DecodeText(bytes, encoding, text);
  return text;
}

void DecodeText(std::string_view bytes, FileEncoding encoding, std::string& text) {
  if (encoding == FileEncoding::Utf8) {
    text.assign(bytes);
    return;
  }
  if (encoding == FileEncoding::Utf16) {
    text = utf8::FromUtf16(bytes.substr(2));
    return;
  }
  if (encoding == FileEncoding::Utf16Be) {
    text = utf8::FromUtf16(Swapped(bytes.substr(2)));
    return;
  }
  if (encoding == FileEncoding::Utf8AndAnsi) {
    text.clear();
    EachLine(bytes, [&](std::string_view line, std::string_view lineBreak) {
      if (IsUtf8Line(line))
        text += line;
      else
        text += codepage::AnsiToUtf8(line);
      text += lineBreak;
    });
    return;
  }
  if (codepage::AnsiToUtf8(bytes, text) || CountBreaks(text) == CountBreaks(bytes)) return;
  // A code page of two-byte characters may swallow a line break after a
  // stray lead byte: decode line by line, so that lines still match.
  text.clear();
  for (size_t i = 0; i < bytes.size();) {
    size_t e = i;
    while (e < bytes.size() && !IsBreak(bytes[e])) ++e;
    text += codepage::AnsiToUtf8(bytes.substr(i, e - i));
    if (e < bytes.size()) text += bytes[e++];
    i = e;
  }
}

bool EncodeText(std::string_view text, FileEncoding encoding, std::string& out) {
  if (!utf8::IsValid(text)) return false;
  switch (encoding) {
    case FileEncoding::Utf8:
      out.assign(text);
      return true;
    case FileEncoding::Utf16:
      out = utf8::ToUtf16(text);
      return true;
    case FileEncoding::Utf16Be:
      out = Swapped(utf8::ToUtf16(text));
      return true;
    case FileEncoding::Ansi:
    case FileEncoding::Utf8AndAnsi:
      return codepage::Utf8ToAnsi(text, out);
  }
  return false;
}

size_t ByteOffsetOfLine(std::string_view text, std::string_view bytes, FileEncoding encoding, size_t at) {
  const size_t unit = IsUtf16(encoding) ? 2 : 1;
  const size_t first = IsUtf16(encoding) ? 2 : 0;
  if (at >= text.size()) return bytes.size() - (bytes.size() - first) % unit;
  // Where a unit's low byte lies.
  const size_t low = encoding == FileEncoding::Utf16Be ? 1 : 0;
  size_t breaks = CountBreaks(text.substr(0, at));
  size_t i = first;
  for (; breaks && i + unit <= bytes.size(); i += unit)
    if (IsBreak(bytes[i + low]) && (unit == 1 || bytes[i + 1 - low] == 0)) --breaks;
  return i;
}

}  // namespace tvx::store
