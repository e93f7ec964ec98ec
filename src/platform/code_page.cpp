#include "platform/code_page.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TVX_HAVE_SSE2 1
#endif

namespace tvx::codepage {
namespace {

// Converts [from, end) into to, which has room for three bytes a byte and 32
// more; bytes up to `readable` may be read. Returns the end of what it wrote.
char* ConvertChunk(const ByteTable& table, const char* from, const char* end, const char* readable, char* to) {
#ifdef TVX_HAVE_SSE2
  // Sixteen bytes at a time: a block of ASCII is stored whole; in a block
  // with bytes above 127, the ASCII before each of them goes as one store
  // and the byte as its table entry.
  while (end - from >= 16 && readable - from >= 32) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    auto high = static_cast<unsigned>(_mm_movemask_epi8(v));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), v);
    if (high == 0) {
      from += 16;
      to += 16;
      continue;
    }
    unsigned done = 0;
    do {
      const auto at = static_cast<unsigned>(std::countr_zero(high));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + done)));
      to += at - done;
      const auto b = static_cast<unsigned char>(from[at]);
      std::memcpy(to, table.utf8[b], 4);
      to += table.size[b];
      done = at + 1;
      high &= high - 1;
    } while (high);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + done)));
    to += 16 - done;
    from += 16;
  }
#else
  (void)readable;
#endif
  for (; from < end; ++from) {
    const auto b = static_cast<unsigned char>(*from);
    if (b < 0x80) {
      *to++ = static_cast<char>(b);
      continue;
    }
    std::memcpy(to, table.utf8[b], 4);
    to += table.size[b];
  }
  return to;
}

}  // namespace

void ConvertThroughTable(const ByteTable& table, std::string_view bytes, std::string& out) {
  // Room for a quarter of the bytes to grow, checked before each chunk
  // against the most a chunk can give: no pass ahead to count them.
  constexpr size_t kChunk = 4096;
  out.clear();
  out.resize(bytes.size() + bytes.size() / 4 + 64);
  size_t written = 0;
  const char* const readable = bytes.data() + bytes.size();
  for (size_t i = 0; i < bytes.size(); i += kChunk) {
    const size_t n = std::min(kChunk, bytes.size() - i);
    if (out.size() - written < 3 * n + 32) out.resize(std::max(out.size() + out.size() / 2, written + 3 * n + 32));
    const char* from = bytes.data() + i;
    written = static_cast<size_t>(ConvertChunk(table, from, from + n, readable, out.data() + written) - out.data());
  }
  out.resize(written);
}

}  // namespace tvx::codepage
