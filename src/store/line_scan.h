#pragma once
// The line walk over the data file's text, sixteen and sixty-four bytes at a
// time where SSE2 is there. Templates and force-inlined functions: the parse,
// the write planning and the lookups each inline the walk with their own
// callbacks, which is what makes one pass over a large file cheap.
#include <bit>
#include <cstdint>
#include <cstring>

#include "store/profile_text.h"

namespace tvx::store::detail {

// First CR or LF at or after p, or end.
inline const char* FindBreak(const char* p, const char* end) {
#ifdef TVX_HAVE_SSE2
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  while (end - p >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (m) return p + std::countr_zero(static_cast<unsigned>(m));
    p += 16;
  }
#endif
  while (p < end && !IsBreak(static_cast<unsigned char>(*p))) ++p;
  return p;
}

// Where 64 bytes hold control characters up to CR (LF, CR, the zero byte,
// tab and a few more): one bit per byte. One test finds all three kinds the
// parse cares about; the few tabs it also finds are passed over.
TVX_FORCE_INLINE uint64_t ControlsOf(const char* p) {
#if defined(TVX_HAVE_SSE2)
  const __m128i limit = _mm_set1_epi8('\r'), zero = _mm_setzero_si128();
  auto controls = [&](int at) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
    // v up to CR exactly when v minus CR (stopping at 0) is 0
    return static_cast<uint64_t>(
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(v, limit), zero))));
  };
  return controls(0) | (controls(16) << 16) | (controls(32) << 32) | (controls(48) << 48);
#else
  uint64_t m = 0;
  for (int i = 0; i < 64; ++i)
    if (static_cast<unsigned char>(p[i]) <= '\r') m |= uint64_t{1} << i;
  return m;
#endif
}

inline TVX_NO_INLINE const char* FirstEqualsAfter(const char* p, const char* end) {
  return static_cast<const char*>(std::memchr(p, '=', static_cast<size_t>(end - p)));
}

// The first "=" in [p, end), or null. Keys are short, so one look at 16
// bytes mostly settles it.
TVX_FORCE_INLINE const char* FirstEquals(const char* p, const char* end) {
#ifdef TVX_HAVE_SSE2
  if (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (const int m = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('='))))
      return p + std::countr_zero(static_cast<unsigned>(m));
    p += 16;
  }
#endif
  return FirstEqualsAfter(p, end);
}

// Walks the non-blank lines from p to end in file order:
// onSection(nameStart, nameEnd, lineEnd) for a section line, and
// onEntry(keyStart, keyEnd, equals, lineEnd) for any other, with the key
// trimmed and equals at the line's first "=" (null for a line without one;
// the value is then the trimmed text between equals and lineEnd). lineEnd
// is the end of the line's text before any trimming. Either may return
// false to stop the walk after that line. onBlock() runs before each 64
// bytes' lines. Returns where the walk stopped: the start of the line
// after the last one walked, or end; sawZero tells whether the bytes
// walked held a zero byte.
template <typename OnSection, typename OnEntry, typename OnBlock>
TVX_FORCE_INLINE const char* WalkLines(const char* p, const char* end, bool& sawZero, OnSection&& onSection,
                                       OnEntry&& onEntry, OnBlock&& onBlock) {
  // One line: ts its start, le the end of its text. Blanks next to a
  // line's parts are rare, so one test settles most places; the value's
  // blanks are left to whoever reads it.
  auto line = [&](const char* ts, const char* le) TVX_LAMBDA_INLINE {
    if (static_cast<unsigned char>(*ts) <= ' ') {
      while (ts < le && IsBlank(static_cast<unsigned char>(*ts))) ++ts;
      if (ts == le) return true;
    }
    if (*ts == '[') {
      const char* te = TrimmedEnd(ts, le);
      const char* close = nullptr;
      for (const char* q = te; q > ts + 1;)
        if (*--q == ']') {
          close = q;
          break;
        }
      if (close) {
        const char* ns = ts + 1;
        const char* ne = close;
        while (ns < ne && IsBlank(static_cast<unsigned char>(*ns))) ++ns;
        return onSection(ns, TrimmedEnd(ns, ne), le);
      }
    }
    if (const char* eq = FirstEquals(ts, le)) {
      const char* ke = eq;
      if (ke > ts && static_cast<unsigned char>(ke[-1]) <= ' ') ke = TrimmedEnd(ts, ke);
      return onEntry(ts, ke, eq, le);
    }
    return onEntry(ts, TrimmedEnd(ts, le), static_cast<const char*>(nullptr), le);
  };

  // One pass over the bytes, 64 at a time. A line ends at an LF (its text
  // before a CR right ahead of it) or at a CR with no LF after it. Returns
  // null, or where the walk stopped.
  const char* lineStart = p;
  auto block = [&](const char* at64, uint64_t controls) TVX_LAMBDA_INLINE -> const char* {
    onBlock();
    while (controls) {
      const char* at = at64 + std::countr_zero(controls);
      controls &= controls - 1;
      // The byte after the text is always readable: the string ends in a zero.
      if (Load16(at) == kCrLf) {
        // CR LF is one line break. Its LF is the next bit, or in the next
        // block when the CR is this block's last byte.
        if (at != lineStart && !line(lineStart, at)) return at + 2;
        lineStart = at + 2;
        controls &= controls - 1;
        continue;
      }
      const char c = *at;
      if (c == '\r') {
        if (at != lineStart && !line(lineStart, at)) return at + 1;
        lineStart = at + 1;
      } else if (c == '\n') {
        if (at + 1 == lineStart) continue;  // the LF of a CR LF across two blocks
        if (at != lineStart && !line(lineStart, at)) return at + 1;
        lineStart = at + 1;
      } else if (c == 0) {
        sawZero = true;
      }
    }
    return nullptr;
  };
  const char* at64 = p;
  for (; end - at64 >= 64; at64 += 64)
    if (const char* stopped = block(at64, ControlsOf(at64))) return stopped;
  if (at64 < end) {
    char tail[64] = {};
    const auto n = static_cast<size_t>(end - at64);
    std::memcpy(tail, at64, n);
    if (const char* stopped = block(at64, ControlsOf(tail) & ((uint64_t{1} << n) - 1))) return stopped;
  }
  onBlock();
  if (lineStart < end) line(lineStart, end);
  return end;
}

}  // namespace tvx::store::detail
