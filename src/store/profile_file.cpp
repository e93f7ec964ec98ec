// The data file engine. The file is an INI text in UTF-8, UTF-16 or the ANSI
// code page (see file_encoding.h), read the way the system's profile calls
// read it:
//  - lines end at CR LF, LF or CR; blank lines are ignored; every line is
//    trimmed of blanks (space, tab, vertical tab, form feed, Ctrl-Z);
//  - a line beginning with "[" and holding a "]" opens a section named by the
//    trimmed text between the "[" and the last "]"; lines before the first
//    section belong to a nameless one;
//  - any other line is an entry: the key is the trimmed text before the first
//    "=", the value the trimmed text after it (a line without "=" is a key
//    without a value, which reads as empty and is not listed); keys starting
//    with ";" are comments, readable but not listed;
//  - sections and keys match regardless of letter case, for every letter; of duplicates
//    the first one counts; a value loses one enclosing pair of matching quotes;
//  - a leading UTF-8 byte order mark is passed over and kept.
// Writes change only the one line concerned (or add one); every other byte of
// the file stays as it was.
#include "store/profile_file.h"

#include <algorithm>
#include <bit>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string_view>
#include <utility>

#include "platform/case_fold.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/utf8.h"
#include "store/file_encoding.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TVX_HAVE_SSE2 1
#endif

namespace tvx::store {
namespace {

constexpr uint32_t kNoValue = 0xFFFFFFFFu;
constexpr uint32_t kNoEntry = 0xFFFFFFFFu;
// The largest file the 32-bit line positions can address (kNoValue stays free).
constexpr size_t kMaxBytes = 0xFFFFFFFEu;
// How long a write waits for another program's write to finish.
constexpr int kLockWaitMilliseconds = 4000;

inline bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A; }
inline bool IsBreak(unsigned char c) { return c == '\r' || c == '\n'; }
inline unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

std::string_view TrimView(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (IsBlank(s[b]) || IsBreak(s[b]))) ++b;
  while (e > b && (IsBlank(s[e - 1]) || IsBreak(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

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

constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Names match as the case-fold table says; ASCII names, nearly all of them,
// byte by byte.
bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() == b.size()) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
      const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
      if ((x | y) >= 0x80) break;
      if (Fold(x) != Fold(y)) return false;
    }
    if (i == a.size()) return true;
  }
  // A letter's cases may differ in length ("K" and the Kelvin sign).
  return !(utf8::IsAscii(a) && utf8::IsAscii(b)) && text::EqualsFolded(a, b);
}

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

#if defined(_MSC_VER)
#define TVX_FORCE_INLINE __forceinline
#define TVX_LAMBDA_INLINE
#else
#define TVX_FORCE_INLINE inline __attribute__((always_inline))
#define TVX_LAMBDA_INLINE __attribute__((always_inline))
#endif

constexpr uint64_t kHashMultiplier = 0x9E3779B97F4A7C15ull;

// What a section adds to the hashes of its keys: equal keys of different
// sections land apart.
inline uint64_t SectionSeed(uint32_t section) { return uint64_t{section} * 0xC2B2AE3D27D4EB4Full; }

#if defined(_MSC_VER)
#define TVX_NO_INLINE __declspec(noinline)
#else
#define TVX_NO_INLINE __attribute__((noinline))
#endif

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

TVX_NO_INLINE uint32_t CheckedKeyHash(const char* p, size_t n, uint64_t words, uint64_t seed) {
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

TVX_NO_INLINE uint32_t ShortHighKeyHash(const char* p, size_t n, uint64_t words, uint64_t seed) {
  return HighKeyHash(p, n, words, seed);
}

TVX_NO_INLINE uint32_t OddKeyHash(const char* p, size_t n, uint64_t seed) {
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

// Whether the section name [s, e), as the profile calls see it (up to a zero
// byte), is `want`, regardless of letter case.
inline bool SectionIs(const char* s, const char* e, std::string_view want) {
  return EqualNoCase(UpToZero(std::string_view(s, static_cast<size_t>(e - s))), want);
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

TVX_NO_INLINE const char* FirstEqualsAfter(const char* p, const char* end) {
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

// Position after the line break at pos (CR LF counts as one), or pos at the end.
inline size_t SkipBreak(const std::string& d, size_t pos) {
  if (pos >= d.size()) return pos;
  if (d[pos] == '\r' && pos + 1 < d.size() && d[pos + 1] == '\n') return pos + 2;
  return pos + 1;
}

std::string Shown(const std::string& s) {
  std::string out;
  for (char c : s) out += (static_cast<unsigned char>(c) < 32) ? '?' : c;
  return out;
}

}  // namespace

// Refuses text the format cannot hold: it would be cut, change meaning, or
// not be found again under the same name.
void CheckStorable(const std::string& section, const std::string& key, const std::string& value) {
  auto hasBreak = [](const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; };
  auto hasZero = [](const std::string& s) { return s.find('\0') != std::string::npos; };
  bool badSection = section.empty() || hasBreak(section) || hasZero(section) || !utf8::IsValid(section) ||
                    section.find(']') != std::string::npos || IsBlank(section.front()) || IsBlank(section.back());
  if (badSection) throw Error("Cannot store in section \"" + Shown(section) + "\" because its name is not valid");
  if (key.empty()) throw Error("Cannot store an entry without a name");
  const std::string prefix = "Cannot store \"" + Shown(key) + "\" because ";
  if (hasBreak(key)) throw Error(prefix + "a name cannot contain a line break");
  if (hasZero(key)) throw Error(prefix + "a name cannot contain a zero character");
  // Text that is not valid Unicode (a broken conversion, half of a surrogate
  // pair) would read back as something else.
  if (!utf8::IsValid(key)) throw Error(prefix + "the name is not valid Unicode text");
  if (key.find('=') != std::string::npos) throw Error(prefix + "a name cannot contain an equals sign");
  if (IsBlank(key.front()) || IsBlank(key.back())) throw Error(prefix + "a name cannot begin or end with a blank");
  if (key.front() == '[' || key.front() == ';')
    throw Error(prefix + "a name cannot begin with a bracket or a semicolon");
  const std::string valuePrefix = "Cannot store the value of \"" + Shown(key) + "\" because ";
  if (hasBreak(value)) throw Error(valuePrefix + "it contains a line break");
  if (hasZero(value)) throw Error(valuePrefix + "it contains a zero character");
  if (!utf8::IsValid(value)) throw Error(valuePrefix + "it is not valid Unicode text");
}

namespace {

// A growable array of plain records that are not zeroed on growth: the
// parse writes every record it adds.
template <typename T>
class RecordArray {
 public:
  RecordArray() = default;
  RecordArray(const RecordArray&) = delete;
  RecordArray& operator=(const RecordArray&) = delete;
  ~RecordArray() { delete[] items_; }
  void Clear() { size_ = 0; }
  void Reserve(size_t n) {
    if (n <= capacity_) return;
    T* grown = new T[n];
    if (size_) std::memcpy(static_cast<void*>(grown), items_, size_ * sizeof(T));
    delete[] items_;
    items_ = grown;
    capacity_ = n;
  }
  // Takes the first n records (written within the reserved room) as the content.
  void SetSize(size_t n) { size_ = n; }
  void Swap(RecordArray& other) {
    std::swap(items_, other.items_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }
  size_t capacity() const { return capacity_; }
  size_t size() const { return size_; }
  T& operator[](size_t i) { return items_[i]; }
  const T& operator[](size_t i) const { return items_[i]; }
  T* begin() { return items_; }
  T* end() { return items_ + size_; }
  const T* begin() const { return items_; }
  const T* end() const { return items_ + size_; }

 private:
  T* items_ = nullptr;
  size_t size_ = 0, capacity_ = 0;
};

struct Unlocker {
  fileio::LockFile& lock;
  ~Unlocker() { lock.Unlock(); }
};

}  // namespace

struct ProfileFile::Impl {
  explicit Impl(std::string p) : path(std::move(p)), target{path}, lock(path + ".lock") { TakeSpare(); }
  ~Impl() { GiveSpare(); }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  struct Entry {
    uint32_t keyOff, keyLen;
    // The text after the "=" to the line's end, blanks not yet trimmed
    // (see Value); valLen kNoValue: a line without "=".
    uint32_t valOff, valLen;
  };
  struct Section {
    uint32_t nameOff, nameLen;
    uint32_t firstEntry, endEntry;
    uint32_t lastLineEnd;  // end of the text of the section's last non-blank line
  };

  std::string path;
  // The file's text as UTF-8, which every lookup and edit works on. It is the
  // file's bytes themselves unless the file is in UTF-16 or the ANSI code
  // page; then those bytes are kept in raw, and each change is encoded into
  // them.
  std::string data;
  std::string raw;
  FileEncoding encoding = FileEncoding::Utf8;
  // The file writes replace: path, or the file a symbolic link there names,
  // so that the link stays a link. Its lock file and the files a write makes
  // on the way lie beside it.
  fileio::LinkTarget target;
  // How many names the file had when last read: a file with several is
  // written in place (see Store), so that every name keeps showing it.
  unsigned links = 0;
  // Writers take the lock (see LockAndRefresh).
  fileio::LockFile lock;
  bool inMemory = false;
  bool loaded = false;  // read since opened (see EnsureLoaded)
  RecordArray<Entry> entries;
  RecordArray<uint32_t> hashes;  // per entry: its key's hash within its section
  std::vector<Section> sections;
  // Open addressing: the entry's hash in the high half, its index + 1 in the
  // low half; 0 is an empty slot.
  mutable std::vector<uint64_t> table;  // built on demand
  mutable unsigned lookups = 0;         // since the last parse
  mutable uint32_t mask = 0;
  mutable int slotShift = 32;  // a hash's first slot: its top bits
  bool indexed = false;        // the index below holds the lines up to parsedTo
  size_t parsedTo = 0;
  std::string scratch;  // what a read brings in before it is taken

  // The storage a released file leaves for the next one this process opens.
  // Memory the process has not touched yet costs a page fault per page on
  // its first use, which under some systems (Wine, for one: about 9 us per
  // 4 KB page) costs several times the read of the file itself; the lists
  // of the file's lines are as large. Kept up to a limit, for one file.
  struct Storage {
    std::string data, raw, scratch;
    RecordArray<Entry> entries;
    RecordArray<uint32_t> hashes;
    std::vector<uint64_t> table;
    size_t Held() const {
      return data.capacity() + raw.capacity() + scratch.capacity() + entries.capacity() * sizeof(Entry) +
             hashes.capacity() * sizeof(uint32_t) + table.capacity() * sizeof(uint64_t);
    }
  };
  static constexpr size_t kSpareLimit = size_t{64} << 20;
  static Storage& Spare(std::unique_lock<std::mutex>& guard) {
    static std::mutex mutex;
    static Storage spare;
    guard = std::unique_lock<std::mutex>(mutex);
    return spare;
  }
  // Between this file and a Storage, or two Storages: the same members.
  template <typename A, typename B>
  static void SwapStorage(A& a, B& b) {
    a.data.swap(b.data);
    a.raw.swap(b.raw);
    a.scratch.swap(b.scratch);
    a.entries.Swap(b.entries);
    a.hashes.Swap(b.hashes);
    a.table.swap(b.table);
  }
  void TakeSpare() {
    std::unique_lock<std::mutex> guard;
    SwapStorage(*this, Spare(guard));
    data.clear();
    raw.clear();
    scratch.clear();
    entries.Clear();
    hashes.Clear();
    table.clear();
  }
  // Leaves this file's storage empty; the spare keeps the larger of its
  // own and this, within the limit.
  void GiveSpare() {
    Storage mine;
    SwapStorage(*this, mine);
    const size_t held = mine.Held();
    if (held > kSpareLimit) return;
    std::unique_lock<std::mutex> guard;
    Storage& spare = Spare(guard);
    if (held <= spare.Held()) return;
    // What the spare held before goes with mine.
    SwapStorage(spare, mine);
  }

  const std::string& FileBytes() const { return encoding == FileEncoding::Utf8 ? data : raw; }

  // Takes bytes read from the file (leaving bytes empty or holding the old
  // ones): decoded once here, so that reads need no conversion.
  void TakeBytes(std::string& bytes) {
    encoding = DetectEncoding(bytes);
    if (encoding == FileEncoding::Utf8) {
      data.swap(bytes);
      raw.clear();
    } else {
      DecodeText(bytes, encoding, data);
      raw.swap(bytes);
      // Positions in the text are 32-bit as in the bytes: decoding may grow it.
      if (data.size() > kMaxBytes) FailTooLarge();
    }
    indexed = false;
  }

  std::string_view View(uint32_t off, uint32_t len) const { return UpToZero(std::string_view(data.data() + off, len)); }
  std::string_view Key(const Entry& e) const { return std::string_view(data.data() + e.keyOff, e.keyLen); }
  // The entry's value, trimmed (an entry with a value only).
  std::string_view Value(const Entry& e) const {
    return Trimmed(data.data() + e.valOff, data.data() + e.valOff + e.valLen);
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
                                         OnEntry&& onEntry, OnBlock&& onBlock) const {
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

  const char* BodyStart() const {
    const char* base = data.data();
    return data.size() >= 3 && std::memcmp(base, "\xEF\xBB\xBF", 3) == 0 ? base + 3 : base;
  }

  // The index covers the lines before `parsedTo`; a lookup parses on only
  // as far as it needs, so that an action looking up a few names near the
  // start of a large file does not pay for the rest. Lines are indexed in
  // file order, so the first of equal keys stays first.
  void StartIndex() {
    entries.Clear();
    hashes.Clear();
    sections.clear();
    table.clear();
    lookups = 0;
    indexed = true;
    const auto bodyStart = static_cast<uint32_t>(BodyStart() - data.data());
    sections.push_back({0, 0, 0, 0, bodyStart});
    parsedTo = bodyStart;
    entries.Reserve(data.size() / 32 + 72);
    hashes.Reserve(entries.capacity());
  }

  bool Complete() const { return parsedTo >= data.size(); }

  // Where ParseOn stops early: at the next section line, or after an entry
  // of section `section` whose key hash is `hash`.
  struct Stop {
    bool atSection = false;
    uint32_t section = kNoEntry, hash = 0;
  };

  void ParseOn(Stop stop) {
    const char* base = data.data();
    // The walk keeps its state in locals: the compiler cannot tell stores
    // into the records from stores into the members, and would reload
    // the members on every line.
    const size_t first = entries.size();
    size_t count = first;
    uint64_t seed = SectionSeed(static_cast<uint32_t>(sections.size() - 1));
    const char* lastLineEnd = base + sections.back().lastLineEnd;
    Entry* ents = entries.begin();
    uint32_t* hs = hashes.begin();
    size_t capacity = entries.capacity();
    auto makeRoom = [&] {  // room for a block's lines and one more
      if (capacity - count >= 65) return;
      entries.SetSize(count);
      hashes.SetSize(count);
      entries.Reserve(capacity * 2);
      hashes.Reserve(capacity * 2);
      ents = entries.begin();
      hs = hashes.begin();
      capacity = entries.capacity();
    };
    auto onSection = [&](const char* ns, const char* ne, const char* le) TVX_LAMBDA_INLINE {
      sections.back().endEntry = static_cast<uint32_t>(count);
      sections.back().lastLineEnd = static_cast<uint32_t>(lastLineEnd - base);
      const auto n = static_cast<uint32_t>(count);
      lastLineEnd = le;
      sections.push_back(
          {static_cast<uint32_t>(ns - base), static_cast<uint32_t>(ne - ns), n, n, static_cast<uint32_t>(le - base)});
      seed = SectionSeed(static_cast<uint32_t>(sections.size() - 1));
      return !stop.atSection;
    };
    using Text = const char*;
    auto onEntry = [&](Text ks, Text ke, Text eq, Text le) TVX_LAMBDA_INLINE {
      Entry& e = ents[count];
      e.keyOff = static_cast<uint32_t>(ks - base);
      e.keyLen = static_cast<uint32_t>(ke - ks);
      e.valOff = eq ? static_cast<uint32_t>(eq + 1 - base) : e.keyOff;
      e.valLen = eq ? static_cast<uint32_t>(le - (eq + 1)) : kNoValue;
      const uint32_t h = HashKey(ks, e.keyLen, seed);
      hs[count] = h;
      ++count;
      lastLineEnd = le;
      return h != stop.hash || sections.size() - 1 != stop.section;
    };
    bool sawZero = false;
    const char* stopped = WalkLines(base + parsedTo, base + data.size(), sawZero, onSection, onEntry, makeRoom);
    parsedTo = static_cast<size_t>(stopped - base);
    entries.SetSize(count);
    hashes.SetSize(count);
    sections.back().endEntry = static_cast<uint32_t>(count);
    sections.back().lastLineEnd = static_cast<uint32_t>(lastLineEnd - base);
    // The profile calls see a key only up to a zero byte; rare enough to mend afterwards.
    if (sawZero) {
      uint32_t s = static_cast<uint32_t>(sections.size() - 1);
      for (size_t i = count; i-- > first;) {
        while (sections[s].firstEntry > i) --s;
        Entry& e = entries[i];
        const auto seen = static_cast<uint32_t>(UpToZero(Key(e)).size());
        if (seen != e.keyLen) {
          e.keyLen = seen;
          hashes[i] = HashKey(base + e.keyOff, e.keyLen, SectionSeed(s));
        }
      }
    }
  }

  // Indexes what is left of the file, for the uses that need it all.
  void EnsureComplete() {
    if (!indexed) StartIndex();
    if (!Complete()) ParseOn({});
  }

  // Slot of the section's entry with the key, or the empty slot where it belongs.
  template <typename SameKey>
  TVX_FORCE_INLINE uint32_t Probe(uint32_t h, const Section& sec, SameKey same) const {
    uint32_t slot = static_cast<uint32_t>(uint64_t{h} >> slotShift);
    for (uint64_t v; (v = table[slot]) != 0; slot = (slot + 1) & mask) {
      if ((v >> 32) != h) continue;
      const auto o = static_cast<uint32_t>(v) - 1;
      if (o >= sec.firstEntry && o < sec.endEntry && same(entries[o])) break;
    }
    return slot;
  }

  void BuildTable() const {
    size_t size = 16;
    while (size * 5 < entries.size() * 8) size <<= 1;  // at most 5/8 full
    table.assign(size, 0);
    mask = static_cast<uint32_t>(size - 1);
    slotShift = 32 - std::countr_zero(size);
    for (const Section& sec : sections) {
      for (uint32_t i = sec.firstEntry; i < sec.endEntry; ++i) {
        const Entry& e = entries[i];
        const std::string_view key = Key(e);
        const uint32_t h = hashes[i];
        uint32_t slot = Probe(h, sec, [&](const Entry& o) { return EqualNoCase(Key(o), key); });
        // Of equal keys the first one counts: a later one finds its slot taken.
        if (table[slot] == 0) table[slot] = (uint64_t{h} << 32) | (i + 1);
      }
    }
  }

  // Reads see only the first section of a name. The lines before the first
  // section line have no name to find them by: an empty name finds "[]", as
  // Windows' own calls do.
  uint32_t FindSection(std::string_view name) {
    if (!indexed) StartIndex();
    for (uint32_t from = 1;;) {
      for (uint32_t i = from; i < sections.size(); ++i)
        if (EqualNoCase(View(sections[i].nameOff, sections[i].nameLen), name)) return i;
      if (Complete()) return kNoEntry;
      from = static_cast<uint32_t>(sections.size());
      ParseOn({.atSection = true});
    }
  }

  // The first few lookups after a parse compare hashes one after another, a
  // few at a time: an action that looks up a handful of names needs no
  // table. Many lookups build the table once.
  static constexpr unsigned kLookupsBeforeTable = 32;

  uint32_t FindEntry(uint32_t section, std::string_view key) {
    const uint32_t h = HashKey(key.data(), key.size(), SectionSeed(section));
    auto same = [&](const Entry& e) { return EqualNoCase(Key(e), key); };
    if (table.empty() && ++lookups <= kLookupsBeforeTable) {
      for (uint32_t from = sections[section].firstEntry;;) {
        const uint32_t to = sections[section].endEntry;
        for (uint32_t i = FindHash(h, from, to); i < to; i = FindHash(h, i + 1, to))
          if (same(entries[i])) return i;
        // The section may go on past what is parsed so far.
        if (Complete() || section + 1 != sections.size()) return kNoEntry;
        from = to;
        ParseOn({.atSection = true, .section = section, .hash = h});
      }
    }
    EnsureComplete();
    if (table.empty()) BuildTable();
    const uint64_t v = table[Probe(h, sections[section], same)];
    return v ? static_cast<uint32_t>(v) - 1 : kNoEntry;
  }

  // The first entry in [from, to) whose hash is h, or to.
  uint32_t FindHash(uint32_t h, uint32_t from, uint32_t to) const {
    const uint32_t* hs = hashes.begin();
#ifdef TVX_HAVE_SSE2
    const __m128i want = _mm_set1_epi32(static_cast<int>(h));
    for (; from + 8 <= to; from += 8) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hs + from));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hs + from + 4));
      const int m = _mm_movemask_epi8(_mm_packs_epi32(_mm_cmpeq_epi32(a, want), _mm_cmpeq_epi32(b, want)));
      if (m) return from + static_cast<uint32_t>(std::countr_zero(static_cast<unsigned>(m))) / 2;
    }
#endif
    for (; from < to; ++from)
      if (hs[from] == h) return from;
    return to;
  }

  const Entry* Lookup(const std::string& section, const std::string& key) {
    uint32_t s = FindSection(TrimView(section));
    if (s == kNoEntry) return nullptr;
    uint32_t i = FindEntry(s, TrimView(key));
    return i == kNoEntry ? nullptr : &entries[i];
  }

  // Start of the line holding offset off, and the position after its line break.
  size_t LineStart(size_t off) const {
    const auto first = static_cast<size_t>(BodyStart() - data.data());
    while (off > first && !IsBreak(static_cast<unsigned char>(data[off - 1]))) --off;
    return off;
  }
  size_t LineNext(size_t off) const {
    const char* le = FindBreak(data.data() + off, data.data() + data.size());
    return SkipBreak(data, static_cast<size_t>(le - data.data()));
  }

  // The file is read when first consulted: an action that only writes reads
  // it once, inside the lock (see Refresh). Whatever changes it between a
  // read and a write shows there too.
  void EnsureLoaded() {
    if (!loaded) Load();
  }
  void Load() {
    loaded = true;
    // A missing or unreadable file reads as an empty one.
    auto status = ReadFile(false);
    if (status != fileio::ReadStatus::Ok) scratch.clear();
    TakeBytes(scratch);
    indexed = false;  // indexed when first read: an action that only writes needs no index
  }

  void ResolveTarget() {
    target = fileio::ResolveLink(path);
    lock.Retarget(target.path + ".lock");
  }
  std::string JournalPath() const { return target.path + ".journal"; }

  // Reads the file into scratch. A file with several names changes in place
  // while a writer copies its journal over it: it is read under the lock, a
  // journal a killed writer left settled first; a reader that cannot have
  // the lock takes a complete journal's bytes as the content.
  fileio::ReadStatus ReadFile(bool locked) {
    auto status = fileio::ReadWholeFile(path, scratch, kMaxBytes, &links);
    if (status == fileio::ReadStatus::TooLarge) FailTooLarge();
    if (status != fileio::ReadStatus::Ok || links < 2) return status;
    bool lockedHere = false;
    if (!locked) {
      ResolveTarget();
      lockedHere = target.known && lock.Lock(kLockWaitMilliseconds);
    }
    std::string journal;
    fileio::JournalState state = fileio::JournalState::None;
    if (locked || lockedHere)
      state = fileio::SettleJournal(target.path, JournalPath(), &journal);
    else if (fileio::ReadCompleteJournal(JournalPath(), journal))
      state = fileio::JournalState::Unfinished;
    if (state == fileio::JournalState::Unfinished) {
      scratch.swap(journal);
    } else if (state == fileio::JournalState::Finished || lockedHere) {
      // The first read may have met a copy under way.
      status = fileio::ReadWholeFile(path, scratch, kMaxBytes, &links);
      if (status == fileio::ReadStatus::TooLarge) FailTooLarge();
    }
    if (lockedHere) lock.Unlock();
    return status;
  }

  // Inside the lock: brings data up to what the file holds now. The bytes
  // are compared, not the size and write time: an editor saving a changed
  // letter within one tick of the clock keeps both.
  bool Refresh() {
    if (inMemory) return true;
    const auto status = ReadFile(true);
    if (status == fileio::ReadStatus::Failed) return false;
    if (scratch != FileBytes()) TakeBytes(scratch);
    loaded = true;
    return true;
  }

  // A change of the text: the bytes [at, at + removed) become text.
  struct Edit {
    size_t at = 0, removed = 0;
    std::string text;
  };

  // Where a write of section/key goes.
  struct Place {
    enum Kind { kEntry, kSectionEnd, kNoSection } kind = kNoSection;
    uint32_t keyOff = 0, keyLen = 0, valOff = 0, valLen = kNoValue;  // of the entry
    size_t lastLineEnd = 0;                                          // of the section
  };

  Place PlaceFromIndex(const std::string& section, const std::string& key) {
    Place place;
    uint32_t s = FindSection(section);
    if (s == kNoEntry) return place;
    uint32_t i = FindEntry(s, key);
    if (i == kNoEntry) {
      place.kind = Place::kSectionEnd;
      place.lastLineEnd = sections[s].lastLineEnd;
      return place;
    }
    const Entry& e = entries[i];
    place = {Place::kEntry, e.keyOff, e.keyLen, e.valOff, e.valLen, 0};
    if (e.valLen != kNoValue) {
      const std::string_view v = Value(e);
      place.valOff = static_cast<uint32_t>(v.data() - data.data());
      place.valLen = static_cast<uint32_t>(v.size());
    }
    return place;
  }

  // The same answer from one walk over the text that stops as soon as it
  // knows, building no index: an action that only writes needs none.
  Place PlaceByWalking(const std::string& section, const std::string& key) const {
    Place place;
    const char* base = data.data();
    const WantedKey wanted(key);
    bool inside = false;  // in the first section of the name
    auto onSection = [&](const char* ns, const char* ne, const char* le) TVX_LAMBDA_INLINE {
      if (inside) return false;  // that section ended without the key
      if (place.kind == Place::kNoSection && SectionIs(ns, ne, section)) {
        inside = true;
        place.kind = Place::kSectionEnd;
        place.lastLineEnd = static_cast<size_t>(le - base);
      }
      return true;
    };
    using Text = const char*;
    auto onEntry = [&](Text ks, Text ke, Text eq, Text le) TVX_LAMBDA_INLINE {
      if (!inside) return true;
      place.lastLineEnd = static_cast<size_t>(le - base);
      if (!wanted.Is(ks, ke)) return true;
      place.kind = Place::kEntry;
      place.keyOff = static_cast<uint32_t>(ks - base);
      // The file's key whole, as the system sees it: a spelling of another
      // length (the Kelvin sign and "k") must not cut it.
      place.keyLen = static_cast<uint32_t>(UpToZero(std::string_view(ks, static_cast<size_t>(ke - ks))).size());
      place.valOff = place.keyOff;
      place.valLen = kNoValue;
      if (eq) {
        const std::string_view v = Trimmed(eq + 1, le);
        place.valOff = static_cast<uint32_t>(v.data() - base);
        place.valLen = static_cast<uint32_t>(v.size());
      }
      return false;
    };
    bool sawZero = false;
    WalkLines(BodyStart(), base + data.size(), sawZero, onSection, onEntry, [] {});
    return place;
  }

  // The change that sets the key to value; false when nothing changes.
  bool Edited(const std::string& section, const std::string& key, const std::string& value, Edit& edit) {
    size_t vs = 0;
    while (vs < value.size() && IsBlank(static_cast<unsigned char>(value[vs]))) ++vs;
    std::string_view v(value.data() + vs, value.size() - vs);
    const Place place = indexed && Complete() ? PlaceFromIndex(section, key) : PlaceByWalking(section, key);
    if (place.kind == Place::kEntry) {
      if (place.valLen != kNoValue && std::string_view(data.data() + place.valOff, place.valLen) == v) return false;
      edit.at = LineStart(place.keyOff);
      edit.removed = LineNext(place.keyOff) - edit.at;
      edit.text.assign(data, place.keyOff, place.keyLen);  // an existing key keeps its spelling
    } else if (place.kind == Place::kSectionEnd) {
      if (place.lastLineEnd >= data.size()) edit.text = "\r\n";  // the last line had no line break
      edit.at = SkipBreak(data, place.lastLineEnd);
      edit.text += key;
    } else {
      edit.at = data.size();
      if (data.data() + data.size() > BodyStart() && !IsBreak(static_cast<unsigned char>(data.back())))
        edit.text = "\r\n";
      edit.text += '[';
      edit.text += section;
      edit.text += "]\r\n";
      edit.text += key;
    }
    edit.text += '=';
    edit.text.append(v);
    edit.text += "\r\n";
    return true;
  }

  [[noreturn]] void FailWrite(fileio::WriteFault why = fileio::WriteFault::Other,
                              const std::string& folder = std::string()) const {
    switch (why) {
      case fileio::WriteFault::Busy:
        throw Error(FormatMessage1("Unable to write to %s because another program is changing it at the moment", path));
      case fileio::WriteFault::HeldOpen:
        throw Error(FormatMessage1("Unable to write to %s because another program keeps it open", path));
      case fileio::WriteFault::FolderInTheWay:
        throw Error(FormatMessage2("Unable to write to %s because the folder %s is in the way", path, folder));
      case fileio::WriteFault::Other:
        break;
    }
    // A link names a file elsewhere, which may be the one that cannot be written.
    if (target.isLink)
      throw Error(FormatMessage2("Unable to write to %s because the file it links to, %s, cannot be written", path,
                                 target.path));
    throw Error(FormatMessage1("Unable to write to %s", path));
  }
  // Line positions are kept in 32 bits: a larger file is refused whole.
  [[noreturn]] void FailTooLarge() const {
    throw Error(FormatMessage1("Cannot use %s because it is larger than 4 GB", path));
  }

  // Inside the lock from here on: takes it, waiting a few seconds at most
  // for another writer, and brings the text up to the file's content.
  void LockAndRefresh() {
    if (inMemory) return;
    ResolveTarget();
    if (!target.known)
      throw Error(FormatMessage1("Unable to write to %s because the file its link names cannot be made", path));
    fileio::WriteFault why = fileio::WriteFault::Other;
    if (!lock.Lock(kLockWaitMilliseconds, &why)) FailWrite(why, lock.Path());
    bool read = false;
    try {
      read = Refresh();
    } catch (...) {
      lock.Unlock();
      throw;
    }
    if (!read) {
      lock.Unlock();
      FailWrite();
    }
  }

  // How a change reaches the file's bytes.
  enum class Route {
    kText,        // the text is the bytes
    kMarkedText,  // so, and the file gains the UTF-8 mark
    kEncoded,     // the change is encoded into raw
    kRewrite,     // the encoding cannot hold it: the whole file becomes UTF-8 with the mark
  };

  Route RouteOf(const Edit& edit, std::string& encoded, size_t& rawAt, size_t& rawEnd) const {
    if (encoding == FileEncoding::Utf8) {
      // An ASCII file is readable by every copy of the program; the first
      // other text tells every reader it is UTF-8.
      const bool marked = data.starts_with(kUtf8Mark);
      return !marked && !utf8::IsAscii(edit.text) && utf8::IsAscii(data) ? Route::kMarkedText : Route::kText;
    }
    if (!EncodeText(edit.text, encoding, encoded)) return Route::kRewrite;
    rawAt = ByteOffsetOfLine(data, raw, encoding, edit.at);
    rawEnd = edit.removed ? ByteOffsetOfLine(data, raw, encoding, edit.at + edit.removed) : rawAt;
    return Route::kEncoded;
  }

  // What puts a change back: the replaced parts only, so that a large file
  // needs no second copy.
  struct Undo {
    Route route = Route::kText;
    Edit edit;  // at, the text's size and the text it replaced
    size_t rawAt = 0, encodedSize = 0;
    std::string oldRawPart, oldRaw;
    FileEncoding oldEncoding = FileEncoding::Utf8;
  };

  // Makes the change in the text and in the file's bytes; records in undo,
  // when given, what puts it back.
  void ApplyEdit(const Edit& edit, Undo* undo) {
    std::string encoded;
    size_t rawAt = 0, rawEnd = 0;
    const Route route = RouteOf(edit, encoded, rawAt, rawEnd);
    if (undo) {
      *undo = {route,   {edit.at, edit.text.size(), data.substr(edit.at, edit.removed)}, rawAt, encoded.size(), {}, {},
               encoding};
      if (route == Route::kEncoded) undo->oldRawPart = raw.substr(rawAt, rawEnd - rawAt);
    }
    data.replace(edit.at, edit.removed, edit.text);
    if (route == Route::kMarkedText || route == Route::kRewrite) data.insert(0, kUtf8Mark);
    if (route == Route::kEncoded) {
      raw.replace(rawAt, rawEnd - rawAt, encoded);
    } else if (route == Route::kRewrite) {
      if (undo) undo->oldRaw.swap(raw);
      raw.clear();
      encoding = FileEncoding::Utf8;
    }
    indexed = false;
  }

  void Revert(Undo& undo) {
    if (undo.route == Route::kMarkedText || undo.route == Route::kRewrite) data.erase(0, kUtf8Mark.size());
    data.replace(undo.edit.at, undo.edit.removed, undo.edit.text);
    if (undo.route == Route::kEncoded) raw.replace(undo.rawAt, undo.encodedSize, undo.oldRawPart);
    if (undo.route == Route::kRewrite) raw.swap(undo.oldRaw);
    encoding = undo.oldEncoding;
    indexed = false;
  }

  // The change that deletes the first line of the key in any section of
  // the name, as the system's call looks; false when there is none.
  bool Deletion(const std::string& section, const std::string& key, Edit& edit) {
    size_t keyOff = 0;
    bool found = false;
    if (indexed && Complete()) {
      for (size_t s = 1; s < sections.size() && !found; ++s) {
        const auto& sec = sections[s];
        if (!EqualNoCase(View(sec.nameOff, sec.nameLen), section)) continue;
        for (uint32_t i = sec.firstEntry; i < sec.endEntry && !found; ++i)
          if (EqualNoCase(Key(entries[i]), key)) {
            keyOff = entries[i].keyOff;
            found = true;
          }
      }
    } else {
      // After an earlier change of a batch: one walk that stops at the line.
      const char* base = data.data();
      const WantedKey wanted(key);
      bool inside = false;
      auto onSection = [&](const char* ns, const char* ne, const char*) TVX_LAMBDA_INLINE {
        inside = SectionIs(ns, ne, section);
        return true;
      };
      using Text = const char*;
      auto onEntry = [&](Text ks, Text ke, Text, Text) TVX_LAMBDA_INLINE {
        if (!inside || !wanted.Is(ks, ke)) return true;
        keyOff = static_cast<size_t>(ks - base);
        found = true;
        return false;
      };
      bool sawZero = false;
      WalkLines(BodyStart(), base + data.size(), sawZero, onSection, onEntry, [] {});
    }
    if (!found) return false;
    edit.at = LineStart(keyOff);
    edit.removed = LineNext(keyOff) - edit.at;
    edit.text.clear();
    return true;
  }

  // The change that makes the first section of the name hold exactly the
  // entries: the lines after its section line, up to the next section line,
  // replaced at once. False when nothing changes.
  bool SectionReplaced(const std::string& section, const std::vector<std::pair<std::string, std::string>>& entries,
                       Edit& edit) const {
    std::string body;
    for (const auto& [key, value] : entries) {
      size_t vs = 0;
      while (vs < value.size() && IsBlank(static_cast<unsigned char>(value[vs]))) ++vs;
      body += key;
      body += '=';
      body.append(value, vs);
      body += "\r\n";
    }
    const char* base = data.data();
    bool found = false;
    size_t headerEnd = 0, end = data.size();
    auto onSection = [&](const char* ns, const char* ne, const char* le) TVX_LAMBDA_INLINE {
      if (found) {
        end = LineStart(static_cast<size_t>(ns - base));
        return false;
      }
      if (SectionIs(ns, ne, section)) {
        found = true;
        headerEnd = static_cast<size_t>(le - base);
      }
      return true;
    };
    using Text = const char*;
    auto onEntry = [](Text, Text, Text, Text) TVX_LAMBDA_INLINE { return true; };
    bool sawZero = false;
    WalkLines(BodyStart(), base + data.size(), sawZero, onSection, onEntry, [] {});
    if (!found) {
      if (entries.empty()) return false;
      edit.at = data.size();
      if (data.data() + data.size() > BodyStart() && !IsBreak(static_cast<unsigned char>(data.back())))
        edit.text = "\r\n";
      edit.text += '[';
      edit.text += section;
      edit.text += "]\r\n";
      edit.text += body;
      return true;
    }
    if (headerEnd >= data.size()) {  // the section line is the last, without a line break
      if (body.empty()) return false;
      edit.at = data.size();
      edit.text = "\r\n" + body;
      return true;
    }
    edit.at = SkipBreak(data, headerEnd);
    edit.removed = end - edit.at;
    if (std::string_view(data).substr(edit.at, edit.removed) == body) return false;
    edit.text = std::move(body);
    return true;
  }

  // Refuses a change of a read-only file before it is made.
  void CheckWritable() const {
    if (!inMemory && !fileio::CanWriteExisting(target.path)) FailWrite();
  }

  // Inside the lock: replaces the file with its bytes, already changed; undo()
  // puts the text back when the file cannot be written.
  template <typename Undo>
  void Store(Undo&& undo) {
    indexed = false;  // indexed again when next read: a write alone needs no index
    if (data.size() > kMaxBytes) {
      undo();
      FailTooLarge();
    }
    if (inMemory) return;
    // A file with one name is replaced whole by a new one, which is fastest;
    // one with several is written over in place, as a rename would part its
    // names.
    fileio::WriteFault why = fileio::WriteFault::Other;
    const bool inPlace = links > 1;
    const std::string aside = inPlace ? JournalPath() : target.path + ".tmp";
    const bool written = inPlace ? fileio::OverwriteDurably(target.path, aside, FileBytes(), &why)
                                 : fileio::ReplaceFileDurably(target.path, aside, FileBytes(), &why);
    if (!written) {
      undo();
      FailWrite(why, aside);
    }
  }

  // Inside the lock: makes the change and replaces the file with the result.
  // The change is made in place (no second copy of a large file) and undone
  // when the file cannot be written.
  void Commit(const Edit& edit) {
    CheckWritable();
    Undo undo;
    ApplyEdit(edit, inMemory ? nullptr : &undo);
    Store([&] { Revert(undo); });
  }
};

ProfileFile::ProfileFile(std::string path) : impl_(std::make_unique<Impl>(path)) {}

ProfileFile::ProfileFile(InMemory text) : impl_(std::make_unique<Impl>(std::string())) {
  impl_->inMemory = true;
  impl_->loaded = true;
  impl_->TakeBytes(text.bytes);
}

ProfileFile::~ProfileFile() = default;

const std::string& ProfileFile::Path() const { return impl_->path; }

const std::string& ProfileFile::Bytes() const {
  impl_->EnsureLoaded();
  return impl_->FileBytes();
}

namespace {
// A value as read: up to a zero byte, one enclosing pair of matching quotes removed.
std::string_view ReadValue(std::string_view v) {
  v = UpToZero(v);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return v;
}
}  // namespace

std::string ProfileFile::ReadString(const std::string& section, const std::string& key) const {
  impl_->EnsureLoaded();
  const Impl::Entry* e = impl_->Lookup(section, key);
  if (!e || e->valLen == kNoValue) return {};
  return std::string(ReadValue(impl_->Value(*e)));
}

std::vector<std::string> ProfileFile::ListKeys(const std::string& section) const {
  std::vector<std::string> keys;
  impl_->EnsureLoaded();
  impl_->EnsureComplete();
  // Unlike a value read, listing takes the section name as it is.
  uint32_t s = impl_->FindSection(section);
  if (s == kNoEntry) return keys;
  const auto& sec = impl_->sections[s];
  keys.reserve(sec.endEntry - sec.firstEntry);
  for (uint32_t i = sec.firstEntry; i < sec.endEntry; ++i) {
    const auto& e = impl_->entries[i];
    std::string_view k = impl_->Key(e);
    // An empty key would end the system's key list early; it is no name anyway.
    if (e.valLen == kNoValue || k.empty() || k.front() == ';') continue;
    keys.emplace_back(k);
  }
  return keys;
}

void ProfileFile::ReadSection(const std::string& section,
                              const std::function<void(std::string_view key, std::string_view value)>& each) const {
  impl_->EnsureLoaded();
  impl_->EnsureComplete();
  uint32_t s = impl_->FindSection(section);
  // A value is read as ReadString reads it: the section by its trimmed name,
  // and of keys equal but for letter case the first one's value.
  const uint32_t valuesFrom = impl_->FindSection(TrimView(section));
  if (s == kNoEntry) return;
  for (uint32_t i = impl_->sections[s].firstEntry; i < impl_->sections[s].endEntry; ++i) {
    const auto& e = impl_->entries[i];
    std::string_view k = impl_->Key(e);
    if (e.valLen == kNoValue || k.empty() || k.front() == ';') continue;
    std::string_view value;
    const uint32_t found = valuesFrom == kNoEntry ? kNoEntry : impl_->FindEntry(valuesFrom, TrimView(k));
    if (found != kNoEntry && impl_->entries[found].valLen != kNoValue)
      value = ReadValue(impl_->Value(impl_->entries[found]));
    each(k, value);
  }
}

int ProfileFile::ReadInteger(const std::string& section, const std::string& key, int defaultValue) const {
  std::string text = ReadString(section, key);
  if (text.empty()) return defaultValue;
  size_t i = 0;
  bool negative = false;
  if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
  int base = 10;
  if (text.compare(i, 1, "$") == 0) {
    base = 16;
    i += 1;
  } else if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return 0;
  uint64_t n = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return 0;
    n = n * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (n > 0xFFFFFFFFull) return 0;
  }
  if (base == 10) {
    if (negative ? n > 0x80000000ull : n > 0x7FFFFFFFull) return 0;
    return negative ? static_cast<int>(-static_cast<int64_t>(n)) : static_cast<int>(n);
  }
  // Hexadecimal text spells the 32 bits, so $FFFFFFFF is -1.
  int32_t bits = static_cast<int32_t>(static_cast<uint32_t>(n));
  return negative ? static_cast<int>(-static_cast<int64_t>(bits)) : bits;
}

void ProfileFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  CheckStorable(section, key, value);
  auto& d = *impl_;
  // Another process may have written since we read: apply the change to what is there now.
  d.LockAndRefresh();
  Unlocker unlock{d.lock};
  Impl::Edit edit;
  if (!d.Edited(section, key, value, edit)) return;
  d.Commit(edit);
}

void ProfileFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

bool ProfileFile::DeleteKey(const std::string& section, const std::string& key) {
  auto& d = *impl_;
  d.LockAndRefresh();
  Unlocker unlock{d.lock};
  Impl::Edit edit;
  if (!d.Deletion(section, key, edit)) return false;
  d.Commit(edit);
  return true;
}

void ProfileFile::Changes::Write(const std::string& section, const std::string& key, const std::string& value) {
  list_.push_back({section, key, value, false, {}});
}

void ProfileFile::Changes::Delete(const std::string& section, const std::string& key) {
  list_.push_back({section, key, std::nullopt, false, {}});
}

void ProfileFile::Changes::ReplaceSection(const std::string& section,
                                          std::vector<std::pair<std::string, std::string>> entries) {
  list_.push_back({section, std::string(), std::nullopt, true, std::move(entries)});
}

int ProfileFile::Apply(const Changes& changes) {
  for (const auto& c : changes.list_) {
    if (c.value) CheckStorable(c.section, c.key, *c.value);
    for (const auto& [key, value] : c.entries) CheckStorable(c.section, key, value);
  }
  if (changes.Empty()) return 0;
  auto& d = *impl_;
  d.LockAndRefresh();
  Unlocker unlock{d.lock};
  return ApplyLocked(changes);
}

int ProfileFile::Apply(const std::function<void(const ProfileFile& current, Changes& changes)>& plan) {
  auto& d = *impl_;
  d.LockAndRefresh();
  Unlocker unlock{d.lock};
  Changes changes;
  plan(*this, changes);
  for (const auto& c : changes.list_) {
    if (c.value) CheckStorable(c.section, c.key, *c.value);
    for (const auto& [key, value] : c.entries) CheckStorable(c.section, key, value);
  }
  return ApplyLocked(changes);
}

int ProfileFile::ApplyLocked(const Changes& changes) {
  auto& d = *impl_;
  // The changes go one after another into a copy of the text, exactly as
  // separate calls would make them; the file is written once at the end.
  std::string before, beforeRaw;
  FileEncoding beforeEncoding = d.encoding;
  bool changed = false;
  int deleted = 0;
  auto undo = [&] {
    d.data.swap(before);
    d.raw.swap(beforeRaw);
    d.encoding = beforeEncoding;
    d.indexed = false;
  };
  for (const auto& c : changes.list_) {
    Impl::Edit edit;
    const bool edits = c.wholeSection ? d.SectionReplaced(c.section, c.entries, edit)
                       : c.value      ? d.Edited(c.section, c.key, *c.value, edit)
                                      : d.Deletion(c.section, c.key, edit);
    if (!edits) continue;
    if (!changed) {
      d.CheckWritable();
      before = d.data;
      beforeRaw = d.raw;
      changed = true;
    }
    d.ApplyEdit(edit, nullptr);
    if (!c.value && !c.wholeSection) ++deleted;
  }
  if (!changed) return 0;
  d.Store(undo);
  return deleted;
}

void ProfileFile::Release() {
  impl_->lock.Close();
  impl_->loaded = true;  // and empty
  impl_->GiveSpare();
  impl_->encoding = FileEncoding::Utf8;
  impl_->StartIndex();
}

}  // namespace tvx::store
