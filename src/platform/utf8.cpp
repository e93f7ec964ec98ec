#include "platform/utf8.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TVX_HAVE_SSE2 1
#endif

namespace tvx::utf8 {

char32_t Next(std::string_view s, size_t& i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) {
    ++i;
    return c;
  }
  size_t n;
  char32_t cp, min;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 1, cp = c & 0x1F, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 2, cp = c & 0x0F, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 3, cp = c & 0x07, min = 0x10000;
  } else {
    ++i;
    return kInvalidByte + c;
  }
  if (s.size() - i <= n) {
    ++i;
    return kInvalidByte + c;
  }
  for (size_t k = 1; k <= n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) {
      ++i;
      return kInvalidByte + c;
    }
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kInvalidByte + c;
  }
  i += n + 1;
  return cp;
}

size_t AsciiPrefix(std::string_view s) {
  const char* p = s.data();
  size_t i = 0;
#ifdef TVX_HAVE_SSE2
  for (; s.size() - i >= 64; i += 64) {
    const auto* v = reinterpret_cast<const __m128i*>(p + i);
    const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(v), _mm_loadu_si128(v + 1)),
                                     _mm_or_si128(_mm_loadu_si128(v + 2), _mm_loadu_si128(v + 3)));
    if (_mm_movemask_epi8(any)) break;
  }
#endif
  for (; s.size() - i >= 8; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ull) break;
  }
  while (i < s.size() && static_cast<unsigned char>(p[i]) < 0x80) ++i;
  return i;
}

bool IsAscii(std::string_view s) { return AsciiPrefix(s) == s.size(); }

bool IsValid(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    i += AsciiPrefix(s.substr(i));
    if (i < s.size() && Next(s, i) >= kInvalidByte) return false;
  }
  return true;
}

void Append(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string FromUtf16(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2 + bytes.size() / 8);
  const auto unit = [&](size_t k) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[k]) |
                                 (static_cast<unsigned char>(bytes[k + 1]) << 8));
  };
  const size_t units = bytes.size() / 2;
  for (size_t u = 0; u < units; ++u) {
    char32_t c = unit(2 * u);
    if (c >= 0xD800 && c <= 0xDBFF && u + 1 < units && unit(2 * u + 2) >= 0xDC00 && unit(2 * u + 2) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(2 * u + 2) - 0xDC00);
      ++u;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    Append(out, c);
  }
  if (bytes.size() % 2) Append(out, 0xFFFD);
  return out;
}

std::string ToUtf16(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  auto put = [&](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (size_t i = 0; i < text.size();) {
    char32_t c = Next(text, i);
    if (c >= kInvalidByte) c = 0xFFFD;
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

}  // namespace tvx::utf8
