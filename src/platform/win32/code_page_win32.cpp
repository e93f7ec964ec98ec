#include <windows.h>

#include <emmintrin.h>

#include <bit>
#include <cstring>

#include "platform/code_page.h"
#include "platform/utf8.h"
#include "platform/win32/wide.h"

namespace tvx::codepage {

namespace {

// A code page of one byte a character converts through a table of the
// UTF-8 of each byte, asked of the system once: a large file then costs no
// two passes through UTF-16.
struct ByteTable {
  bool usable = false;
  char utf8[256][3] = {};
  unsigned char size[256] = {};
  ByteTable() {
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1) return;
    for (int b = 0; b < 256; ++b) {
      const char c = static_cast<char>(b);
      wchar_t w = 0;
      if (MultiByteToWideChar(CP_ACP, 0, &c, 1, &w, 1) != 1) return;
      const std::string u = win32::Narrow(std::wstring_view(&w, 1));
      if (u.empty() || u.size() > 3) return;
      u.copy(utf8[b], u.size());
      size[b] = static_cast<unsigned char>(u.size());
    }
    usable = true;
  }
};

}  // namespace

// Bytes above 127, sixteen at a time: most of a file is ASCII.
size_t CountHighBytes(std::string_view s) {
  size_t n = 0, i = 0;
  for (; s.size() - i >= 16; i += 16) {
    for (unsigned m = static_cast<unsigned>(
             _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i))));
         m; m &= m - 1)
      ++n;
  }
  for (; i < s.size(); ++i) n += static_cast<unsigned char>(s[i]) >= 0x80;
  return n;
}

bool AnsiToUtf8(std::string_view ansi, std::string& out) {
  out.clear();
  if (ansi.empty()) return true;
  static const ByteTable table;
  if (table.usable) {
    // Room for the longest result, written through a pointer, then cut.
    // Each byte gives at least one, so a block of sixteen ASCII bytes can
    // be stored whole wherever it stands.
    out.resize(ansi.size() + 2 * CountHighBytes(ansi));
    char* to = out.data();
    const char* from = ansi.data();
    const char* const end = from + ansi.size();
    auto one = [&](unsigned char b) {
      if (b < 0x80) {
        *to++ = static_cast<char>(b);
        return;
      }
      std::memcpy(to, table.utf8[b], 3);  // a high byte has room for three
      to += table.size[b];
    };
    // The ASCII bytes before the next high one go as one block.
    while (end - from >= 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
      const auto high = static_cast<unsigned>(_mm_movemask_epi8(v));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to), v);
      if (high == 0) {
        from += 16;
        to += 16;
        continue;
      }
      const int ascii = std::countr_zero(high);
      from += ascii;
      to += ascii;
      one(static_cast<unsigned char>(*from++));
    }
    for (; from < end; ++from) one(static_cast<unsigned char>(*from));
    out.resize(static_cast<size_t>(to - out.data()));
    return true;
  }
  const int size = static_cast<int>(ansi.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), n);
  out = win32::Narrow(wide);
  return false;
}

bool Utf8ToAnsi(std::string_view utf8, std::string& ansi) {
  ansi.clear();
  if (utf8.empty()) return true;
  if (!win32::IsValidUtf8(utf8)) return false;
  const std::wstring wide = win32::Widen(utf8);
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  ansi.assign(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, ansi.data(), n, nullptr, &usedDefault);
  // Some code pages take a character without the default one but not back
  // as itself; only an exact round trip counts as held.
  return !usedDefault && AnsiToUtf8(ansi) == utf8;
}

}  // namespace tvx::codepage
