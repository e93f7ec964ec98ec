#pragma once
// Case-blind hashing of keys: both cases of a letter hash alike, so that the
// index compares a key's text only where the hashes agree. The parse hashes
// every key it meets: the common shapes are force-inlined into it, and the
// rare ones (keys beyond ASCII, keys of odd lengths) are kept out of line so
// that they do not bloat the loop.
#include <algorithm>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/case_fold.h"
#include "platform/utf8.h"
#include "store/profile_text.h"

namespace tvx::store::detail {

constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Eight bytes with the case bit of each set: both cases of a letter hash
// alike. So do a few other pairs ("@" and "`", say); the key comparison after
// the hash tells those apart.
inline uint64_t CaseBlur(uint64_t x) { return x | 0x2020202020202020ull; }
// The same for text beyond ASCII: a byte above 127 has bits 0, 4 and 5 set.
// The two cases of most letters of two or three UTF-8 bytes then hash alike
// without decoding them: Latin-1 (À, à), Cyrillic (Р, р: D0 A0 and D1 80),
// most of Greek, fullwidth Latin, pairs that differ in the lowest bit.
// KeyBlur::Needs says which letters do not (see HashKey).
inline uint64_t Blur(uint64_t x) { return CaseBlur(x) | ((x >> 7) & 0x0101010101010101ull) * 0x11; }

constexpr uint64_t kHashMultiplier = 0x9E3779B97F4A7C15ull;

// What a section adds to the hashes of its keys: equal keys of different
// sections land apart.
inline uint64_t SectionSeed(uint32_t section) { return uint64_t{section} * 0xC2B2AE3D27D4EB4Full; }

// The words of a key shorter than 4 or longer than 8 bytes, mixed into one,
// blurred; `high` gathers their bits. Equal keys load equal bytes, so the
// last word may overlap the one before.
TVX_FORCE_INLINE uint64_t OddKeyWords(const char* p, size_t n, uint64_t& high) {
  if (n < 4) {
    if (n == 0) return 0;
    const uint64_t w = static_cast<unsigned char>(p[0]) | (uint64_t{static_cast<unsigned char>(p[n / 2])} << 8) |
                       (uint64_t{static_cast<unsigned char>(p[n - 1])} << 16);
    high = w;
    return Blur(w);
  }
  uint64_t h = 0, any = 0;
  for (size_t i = 0; i + 8 < n; i += 8) {
    const uint64_t w = Load64(p + i);
    any |= w;
    h = (h ^ Blur(w)) * kHashMultiplier;
    h ^= h >> 29;
  }
  const uint64_t w = Load64(p + n - 8);
  high = any | w;
  return h ^ Blur(w);
}

// Case-free hash of a key within its section (seed: SectionSeed). A key of
// 4 to 8 bytes, what command files are made of, is two loads and one
// multiply; the high half of the product is the hash, and its top bits pick
// the first slot.
inline uint32_t FinishHash(uint64_t words, size_t n, uint64_t seed) {
  return static_cast<uint32_t>(((words ^ seed ^ n) * kHashMultiplier) >> 32);
}

inline uint32_t BlurredHash(const char* p, size_t n, uint64_t seed) {
  uint64_t high = 0;
  return FinishHash(n - 4 <= 4 ? Blur(Load32(p) | (Load32(p + n - 4) << 32)) : OddKeyWords(p, n, high), n, seed);
}

// Which letters beyond ASCII the blur does not match to their fold: those
// whose fold has another UTF-8 length or differs in more than the blurred
// bits ("Ё" and "ё" blur alike; the Kelvin sign and "k", "Ĺ" and "ĺ", "Ά"
// and "ά" do not). Kept per lead byte, so that a key of none of those leads
// needs no decoding, and per letter of two bytes.
struct KeyBlur {
  uint8_t leadNeedsCheck[256] = {};
  std::bitset<0x800> apart;  // of U+0000 to U+07FF

  static unsigned char BlurByte(unsigned char b) {
    return static_cast<unsigned char>(b | 0x20 | (b >= 0x80 ? 0x11 : 0));
  }
  static bool BlursAlike(char32_t c, char32_t f) {
    std::string a, b;
    utf8::Append(a, c);
    utf8::Append(b, f);
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (BlurByte(static_cast<unsigned char>(a[i])) != BlurByte(static_cast<unsigned char>(b[i]))) return false;
    return true;
  }
  static bool Apart(char32_t c) {
    const char32_t f = text::FoldCase(c);
    return f != c && !BlursAlike(c, f);
  }

  KeyBlur() {
    for (char32_t c = 0x80; c < 0x800; ++c)
      if (Apart(c)) {
        apart.set(c);
        leadNeedsCheck[0xC0 | (c >> 6)] = 1;
      }
    // Leads of three bytes: checked letter by letter where anything folds.
    for (unsigned lead = 0xE0; lead <= 0xEF; ++lead) {
      const char32_t first = (lead & 0x0F) << 12;
      leadNeedsCheck[lead] = !text::FoldsToItself(std::max<char32_t>(first, 0x800), first + 0xFFF);
    }
    for (unsigned lead = 0xF0; lead <= 0xF4; ++lead) leadNeedsCheck[lead] = 1;
  }
  static const KeyBlur& Get() {
    static const KeyBlur blur;
    return blur;
  }

  uint8_t LeadsIn(uint64_t w) const {
    const uint8_t* t = leadNeedsCheck;
    return t[w & 0xFF] | t[(w >> 8) & 0xFF] | t[(w >> 16) & 0xFF] | t[(w >> 24) & 0xFF] | t[(w >> 32) & 0xFF] |
           t[(w >> 40) & 0xFF] | t[(w >> 48) & 0xFF] | t[w >> 56];
  }
  // Whether the key holds a lead byte of a letter the blur may not match.
  TVX_FORCE_INLINE bool MayNeed(const char* p, size_t n) const {
    uint8_t any = 0;
    if (n >= 8) {
      for (size_t i = 0; i + 8 < n; i += 8) any |= LeadsIn(Load64(p + i));
      any |= LeadsIn(Load64(p + n - 8));
    } else if (n >= 4) {
      any = LeadsIn(Load32(p) | (Load32(p + n - 4) << 32));
    } else {
      for (size_t i = 0; i < n; ++i) any |= leadNeedsCheck[static_cast<unsigned char>(p[i])];
    }
    return any != 0;
  }
  // Whether some letter of the key is one the blur does not match.
  bool Needs(std::string_view key) const {
    for (size_t i = 0; i < key.size();) {
      if (static_cast<unsigned char>(key[i]) < 0x80) {
        ++i;
        continue;
      }
      const char32_t c = utf8::Next(key, i);
      if (c < 0x800 ? apart.test(c) : c < utf8::kInvalidByte && Apart(c)) return true;
    }
    return false;
  }
};

// The hash proper has internal linkage on purpose, though it sits in a header:
// each file that hashes gets its own copy, whose register use and argument
// passing the compiler sees and tailors to the parse loop, as it did when the
// engine was one file; shared copies cost the UTF-8 list read about 7 %.
namespace {

inline TVX_NO_INLINE uint32_t CheckedKeyHash(const char* p, size_t n, uint64_t words, uint64_t seed) {
  const std::string_view key(p, n);
  if (!KeyBlur::Get().Needs(key)) return FinishHash(words, n, seed);
  const std::string folded = text::Folded(key);
  return BlurredHash(folded.data(), folded.size(), seed);
}

// A key with bytes above 127 hashes as the blur of its folded text, so that
// every spelling that matches it lands alike: for most keys the blur of the
// key itself is that already (`words`, its words as BlurredHash mixes them).
TVX_FORCE_INLINE uint32_t HighKeyHash(const char* p, size_t n, uint64_t words, uint64_t seed) {
  if (!KeyBlur::Get().MayNeed(p, n)) return FinishHash(words, n, seed);
  return CheckedKeyHash(p, n, words, seed);
}

inline TVX_NO_INLINE uint32_t ShortHighKeyHash(const char* p, size_t n, uint64_t words, uint64_t seed) {
  return HighKeyHash(p, n, words, seed);
}

inline TVX_NO_INLINE uint32_t OddKeyHash(const char* p, size_t n, uint64_t seed) {
  uint64_t high = 0;
  const uint64_t words = OddKeyWords(p, n, high);
  if (high & kHighBits) return HighKeyHash(p, n, words, seed);
  return FinishHash(words, n, seed);
}

TVX_FORCE_INLINE uint32_t HashKey(const char* p, size_t n, uint64_t seed) {
  if (n - 4 <= 4) {
    const uint64_t words = Load32(p) | (Load32(p + n - 4) << 32);
    if (words & kHighBits) return ShortHighKeyHash(p, n, Blur(words), seed);
    return FinishHash(CaseBlur(words), n, seed);
  }
  return OddKeyHash(p, n, seed);
}

// A key looked for by walking the lines: a line's key is compared only where
// its hash agrees (equal keys hash alike), so that keys beyond ASCII, which
// compare letter by letter through the fold table, are seldom compared.
class WantedKey {
 public:
  explicit WantedKey(std::string_view key) : key_(key), hash_(HashKey(key.data(), key.size(), 0)) {}
  // Whether [s, e), as the profile calls see it (up to a zero byte), is the key.
  bool Is(const char* s, const char* e) const {
    const std::string_view seen = UpToZero(std::string_view(s, static_cast<size_t>(e - s)));
    return HashKey(seen.data(), seen.size(), 0) == hash_ && EqualNoCase(seen, key_);
  }

 private:
  std::string_view key_;
  uint32_t hash_;
};

}  // namespace
}  // namespace tvx::store::detail
