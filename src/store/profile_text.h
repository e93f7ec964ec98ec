#pragma once
// The text rules the whole data file engine shares: what a blank and
// a line break are, trimming, names compared regardless of case, and the
// unaligned loads the scans and the hash read words with. Inline, as the
// parse calls them for every line (but the two in profile_text.cpp).
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TVX_HAVE_SSE2 1
#endif

// The parse is a handful of small functions and lambdas that only pay when
// they are one loop: these say so to the compiler, and keep the rare paths out.
#if defined(_MSC_VER)
#define TVX_FORCE_INLINE __forceinline
#define TVX_LAMBDA_INLINE
#define TVX_NO_INLINE __declspec(noinline)
#else
#define TVX_FORCE_INLINE inline __attribute__((always_inline))
#define TVX_LAMBDA_INLINE __attribute__((always_inline))
#define TVX_NO_INLINE __attribute__((noinline))
#endif

namespace tvx::store::detail {

inline bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A; }
inline bool IsBreak(unsigned char c) { return c == '\r' || c == '\n'; }
inline unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// s without blanks or line breaks at either end.
std::string_view TrimView(std::string_view s);

// End of [s, e) without its trailing blanks.
inline const char* TrimmedEnd(const char* s, const char* e) {
  while (e > s && IsBlank(static_cast<unsigned char>(e[-1]))) --e;
  return e;
}

// [s, e) without blanks at either end.
inline std::string_view Trimmed(const char* s, const char* e) {
  e = TrimmedEnd(s, e);
  while (s < e && IsBlank(static_cast<unsigned char>(*s))) ++s;
  return std::string_view(s, static_cast<size_t>(e - s));
}

// Text as the profile calls see it: up to a zero byte.
inline std::string_view UpToZero(std::string_view v) {
  if (const void* z = std::memchr(v.data(), 0, v.size())) v = v.substr(0, static_cast<const char*>(z) - v.data());
  return v;
}

// Names match as the case-fold table says; ASCII names, nearly all of them,
// byte by byte.
// Out of line: the lookups call it where hashes agree, which keeps them small
// enough to be inlined into the reads.
bool EqualNoCase(std::string_view a, std::string_view b);

// Whether the section name [s, e), as the profile calls see it (up to a zero
// byte), is `want`, regardless of letter case.
inline bool SectionIs(const char* s, const char* e, std::string_view want) {
  return EqualNoCase(UpToZero(std::string_view(s, static_cast<size_t>(e - s))), want);
}

inline uint64_t Load64(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline uint32_t Load16(const char* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
// CR LF as Load16 sees it.
constexpr uint32_t kCrLf = std::endian::native == std::endian::little ? '\r' | ('\n' << 8) : ('\r' << 8) | '\n';
inline uint64_t Load32(const char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Position after the line break at pos (CR LF counts as one), or pos at the end.
inline size_t SkipBreak(const std::string& d, size_t pos) {
  if (pos >= d.size()) return pos;
  if (d[pos] == '\r' && pos + 1 < d.size() && d[pos + 1] == '\n') return pos + 2;
  return pos + 1;
}

}  // namespace tvx::store::detail
