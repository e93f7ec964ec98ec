#include <cstdint>

#include "platform/code_page.h"
#include "platform/utf8.h"

namespace tvx::codepage {
namespace {

// Windows-1252 at 0x80..0x9F; the five bytes it leaves undefined map to the
// control characters of the same value, as Windows maps them.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t FromByte(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b; }

const ByteTable& Windows1252() {
  static const ByteTable table = [] {
    ByteTable t;
    for (int b = 0; b < 256; ++b) {
      std::string u;
      utf8::Append(u, FromByte(static_cast<unsigned char>(b)));
      u.copy(t.utf8[b], u.size());
      t.size[b] = static_cast<unsigned char>(u.size());
    }
    return t;
  }();
  return table;
}

}  // namespace

bool AnsiToUtf8(std::string_view ansi, std::string& out) {
  ConvertThroughTable(Windows1252(), ansi, out);
  return true;
}

bool Utf8ToAnsi(std::string_view text, std::string& ansi) {
  ansi.clear();
  for (size_t i = 0; i < text.size();) {
    const char32_t c = utf8::Next(text, i);
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      ansi += static_cast<char>(c);
      continue;
    }
    int b = 0x80;
    while (b < 0xA0 && kHigh[b - 0x80] != c) ++b;
    if (b == 0xA0) return false;
    ansi += static_cast<char>(b);
  }
  return true;
}

}  // namespace tvx::codepage
