// The data file engine. The file is an INI text in the ANSI code page, read
// the way the system's profile calls read it:
//  - lines end at CR LF, LF or CR; blank lines are ignored; every line is
//    trimmed of blanks (space, tab, vertical tab, form feed, Ctrl-Z);
//  - a line beginning with "[" and holding a "]" opens a section named by the
//    trimmed text between the "[" and the last "]"; lines before the first
//    section belong to a nameless one;
//  - any other line is an entry: the key is the trimmed text before the first
//    "=", the value the trimmed text after it (a line without "=" is a key
//    without a value, which reads as empty and is not listed); keys starting
//    with ";" are comments, readable but not listed;
//  - sections and keys match regardless of ASCII letter case; of duplicates
//    the first one counts; a value loses one enclosing pair of matching quotes;
//  - a leading UTF-8 byte order mark is passed over and kept.
// Writes change only the one line concerned (or add one); every other byte of
// the file stays as it was.
#include "store/profile_file.h"

#include <bit>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/error.h"
#include "platform/file_io.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TVX_HAVE_SSE2 1
#endif

namespace tvx::store {
namespace {

constexpr uint32_t kNoValue = 0xFFFFFFFFu;
constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

inline bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A; }
inline bool IsBreak(unsigned char c) { return c == '\r' || c == '\n'; }
inline unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

std::string_view TrimView(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (IsBlank(s[b]) || IsBreak(s[b]))) ++b;
  while (e > b && (IsBlank(s[e - 1]) || IsBreak(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Eight bytes with ASCII A-Z folded to a-z at once; bytes above 127 stay.
inline uint64_t FoldWord(uint64_t x) {
  const uint64_t low7 = x & 0x7F7F7F7F7F7F7F7Full;
  const uint64_t atLeastA = low7 + 0x3F3F3F3F3F3F3F3Full;  // high bit set from 'A' on
  const uint64_t aboveZ = low7 + 0x2525252525252525ull;    // high bit set after 'Z'
  return x | ((atLeastA & ~aboveZ & ~x & 0x8080808080808080ull) >> 2);
}

inline uint64_t Load64(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline uint64_t Load32(const char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

#if defined(_MSC_VER)
#define TVX_FORCE_INLINE __forceinline
#else
#define TVX_FORCE_INLINE inline __attribute__((always_inline))
#endif

// Case-free hash, a word at a time; the last word may overlap the one before,
// which is fine since equal keys load equal bytes.
TVX_FORCE_INLINE uint32_t HashNoCase(const char* p, size_t n) {
  constexpr uint64_t k = 0x9E3779B97F4A7C15ull;
  uint64_t h = (n + 1) * k;
  if (n >= 8) {
    size_t i = 0;
    for (; i + 8 < n; i += 8) {
      h = (h ^ FoldWord(Load64(p + i))) * k;
      h ^= h >> 29;
    }
    h = (h ^ FoldWord(Load64(p + n - 8))) * k;
  } else if (n >= 4) {
    h = (h ^ FoldWord(Load32(p) | (Load32(p + n - 4) << 32))) * k;
  } else if (n > 0) {
    uint64_t w = static_cast<unsigned char>(p[0]) | (uint64_t{static_cast<unsigned char>(p[n / 2])} << 8) |
                 (uint64_t{static_cast<unsigned char>(p[n - 1])} << 16);
    h = (h ^ FoldWord(w)) * k;
  }
  h ^= h >> 32;
  h *= k;
  return static_cast<uint32_t>(h >> 32);
}

inline uint32_t Mix(uint32_t h, uint32_t section) {
  h ^= section * 0x9E3779B9u;
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  return h;
}

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

// Where 64 bytes hold line breaks, "=" and zero bytes: one bit per byte.
struct BlockMasks {
  uint64_t breaks, equals, zeros;
};
TVX_FORCE_INLINE BlockMasks MasksOf(const char* p) {
  BlockMasks m{0, 0, 0};
#ifdef TVX_HAVE_SSE2
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), eq = _mm_set1_epi8('='), zero = _mm_setzero_si128();
  const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
  const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
  auto bits = [](__m128i a, __m128i b, __m128i c, __m128i d) {
    return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(a))) |
           (static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(b))) << 16) |
           (static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(c))) << 32) |
           (static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(d))) << 48);
  };
  auto brk = [&](__m128i v) { return _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)); };
  m.breaks = bits(brk(v0), brk(v1), brk(v2), brk(v3));
  m.equals = bits(_mm_cmpeq_epi8(v0, eq), _mm_cmpeq_epi8(v1, eq), _mm_cmpeq_epi8(v2, eq), _mm_cmpeq_epi8(v3, eq));
  // Zero bytes are rare: one test for the whole block first.
  const __m128i z = _mm_min_epu8(_mm_min_epu8(v0, v1), _mm_min_epu8(v2, v3));
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(z, zero)))
    m.zeros =
        bits(_mm_cmpeq_epi8(v0, zero), _mm_cmpeq_epi8(v1, zero), _mm_cmpeq_epi8(v2, zero), _mm_cmpeq_epi8(v3, zero));
#else
  for (int i = 0; i < 64; ++i) {
    const uint64_t bit = uint64_t{1} << i;
    if (IsBreak(static_cast<unsigned char>(p[i]))) m.breaks |= bit;
    if (p[i] == '=') m.equals |= bit;
    if (p[i] == 0) m.zeros |= bit;
  }
#endif
  return m;
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

// Refuses text the format cannot hold: it would be cut, change meaning, or
// not be found again under the same name.
void CheckStorable(const std::string& section, const std::string& key, const std::string& value) {
  auto hasBreak = [](const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; };
  auto hasZero = [](const std::string& s) { return s.find('\0') != std::string::npos; };
  bool badSection = section.empty() || hasBreak(section) || hasZero(section) ||
                    section.find(']') != std::string::npos || IsBlank(section.front()) || IsBlank(section.back());
  if (badSection) throw Error("Cannot store in section \"" + Shown(section) + "\" because its name is not valid");
  if (key.empty()) throw Error("Cannot store an entry without a name");
  const std::string prefix = "Cannot store \"" + Shown(key) + "\" because ";
  if (hasBreak(key)) throw Error(prefix + "a name cannot contain a line break");
  if (hasZero(key)) throw Error(prefix + "a name cannot contain a zero character");
  if (key.find('=') != std::string::npos) throw Error(prefix + "a name cannot contain an equals sign");
  if (IsBlank(key.front()) || IsBlank(key.back())) throw Error(prefix + "a name cannot begin or end with a blank");
  if (key.front() == '[' || key.front() == ';')
    throw Error(prefix + "a name cannot begin with a bracket or a semicolon");
  const std::string valuePrefix = "Cannot store the value of \"" + Shown(key) + "\" because ";
  if (hasBreak(value)) throw Error(valuePrefix + "it contains a line break");
  if (hasZero(value)) throw Error(valuePrefix + "it contains a zero character");
}

struct Unlocker {
  fileio::LockFile& lock;
  ~Unlocker() { lock.Unlock(); }
};

}  // namespace

struct ProfileFile::Impl {
  explicit Impl(std::string p) : path(std::move(p)), lock(path + ".lock") {}

  struct Entry {
    uint32_t keyOff, keyLen;
    uint32_t valOff, valLen;  // valLen kNoValue: a line without "="
    uint32_t hash;
    uint32_t section;
  };
  struct Section {
    uint32_t nameOff, nameLen;
    uint32_t firstEntry, endEntry;
    uint32_t lastLineEnd;  // end of the text of the section's last non-blank line
  };

  std::string path;
  std::string data;
  // What the data came from: the file's stamp and the lock file's change
  // count seen before reading it. Both unchanged inside the lock: no re-read.
  fileio::LockFile lock;
  fileio::FileStamp stamp;
  unsigned long long count = 0;
  bool countKnown = false;
  bool inMemory = false;
  std::vector<Entry> entries;
  std::vector<Section> sections;
  std::vector<uint32_t> table;  // open addressing: entry index or kNoEntry
  uint32_t mask = 0;
  uint32_t bodyStart = 0;  // after a byte order mark
  bool indexed = false;

  // The profile calls see text only up to a zero byte.
  std::string_view View(uint32_t off, uint32_t len) const {
    std::string_view v(data.data() + off, len);
    if (const void* z = std::memchr(v.data(), 0, v.size())) v = v.substr(0, static_cast<const char*>(z) - v.data());
    return v;
  }
  std::string_view Key(const Entry& e) const { return std::string_view(data.data() + e.keyOff, e.keyLen); }

  // One line: ts its start, le its end, eq its first "=" or null.
  TVX_FORCE_INLINE void AddLine(const char* base, const char* ts, const char* le, const char* eq) {
    const char* te = le;
    while (ts < te && IsBlank(static_cast<unsigned char>(*ts))) ++ts;
    while (te > ts && IsBlank(static_cast<unsigned char>(te[-1]))) --te;
    if (ts == te) return;
    const char* close = nullptr;
    if (*ts == '[') {
      for (const char* q = te; q > ts + 1;)
        if (*--q == ']') {
          close = q;
          break;
        }
    }
    if (close) {
      const char* ns = ts + 1;
      const char* ne = close;
      while (ns < ne && IsBlank(static_cast<unsigned char>(*ns))) ++ns;
      while (ne > ns && IsBlank(static_cast<unsigned char>(ne[-1]))) --ne;
      sections.back().endEntry = static_cast<uint32_t>(entries.size());
      auto n = static_cast<uint32_t>(entries.size());
      sections.push_back(
          {static_cast<uint32_t>(ns - base), static_cast<uint32_t>(ne - ns), n, n, static_cast<uint32_t>(le - base)});
      return;
    }
    Entry& e = entries.emplace_back();
    e.section = static_cast<uint32_t>(sections.size() - 1);
    e.keyOff = static_cast<uint32_t>(ts - base);
    if (eq) {
      const char* ke = eq;
      while (ke > ts && IsBlank(static_cast<unsigned char>(ke[-1]))) --ke;
      const char* vs = eq + 1;
      while (vs < te && IsBlank(static_cast<unsigned char>(*vs))) ++vs;
      e.keyLen = static_cast<uint32_t>(ke - ts);
      e.valOff = static_cast<uint32_t>(vs - base);
      e.valLen = static_cast<uint32_t>(te - vs);
    } else {
      e.keyLen = static_cast<uint32_t>(te - ts);
      e.valOff = e.keyOff;
      e.valLen = kNoValue;
    }
    e.hash = Mix(HashNoCase(ts, e.keyLen), e.section);
    sections.back().lastLineEnd = static_cast<uint32_t>(le - base);
  }

  void Parse() {
    entries.clear();
    sections.clear();
    indexed = true;
    entries.reserve(data.size() / 32 + 8);
    const char* base = data.data();
    const char* end = base + data.size();
    const char* p = base;
    if (data.size() >= 3 && std::memcmp(base, "\xEF\xBB\xBF", 3) == 0) p += 3;
    bodyStart = static_cast<uint32_t>(p - base);
    sections.push_back({0, 0, 0, 0, static_cast<uint32_t>(p - base)});
    bool sawZero = false;
    // One pass over the bytes, 64 at a time. CR LF gives an empty line after
    // the CR, which is passed over like any blank line.
    const char* lineStart = p;
    const char* equals = nullptr;
    for (const char* block = p; block < end; block += 64) {
      BlockMasks m;
      if (end - block >= 64) {
        m = MasksOf(block);
      } else {
        char tail[64] = {};
        const auto n = static_cast<size_t>(end - block);
        std::memcpy(tail, block, n);
        m = MasksOf(tail);
        const uint64_t valid = (uint64_t{1} << n) - 1;
        m.breaks &= valid;
        m.equals &= valid;
        m.zeros &= valid;
      }
      if (m.zeros) sawZero = true;
      uint64_t eqs = m.equals;
      for (uint64_t br = m.breaks; br; br &= br - 1) {
        const int i = std::countr_zero(br);
        const char* lineEnd = block + i;
        if (lineEnd != lineStart) {
          if (!equals) {
            if (uint64_t before = eqs & ((uint64_t{1} << i) - 1)) equals = block + std::countr_zero(before);
          }
          AddLine(base, lineStart, lineEnd, equals);
          equals = nullptr;
        }
        lineStart = lineEnd + 1;
        eqs &= ~((uint64_t{2} << i) - 1);  // the "=" signs of lines already done
      }
      if (!equals && eqs) equals = block + std::countr_zero(eqs);
    }
    if (lineStart < end) AddLine(base, lineStart, end, equals);
    sections.back().endEntry = static_cast<uint32_t>(entries.size());
    // The profile calls see a key only up to a zero byte; rare enough to mend afterwards.
    if (sawZero) {
      for (Entry& e : entries) {
        if (const void* z = std::memchr(base + e.keyOff, 0, e.keyLen)) {
          e.keyLen = static_cast<uint32_t>(static_cast<const char*>(z) - (base + e.keyOff));
          e.hash = Mix(HashNoCase(base + e.keyOff, e.keyLen), e.section);
        }
      }
    }
    BuildTable();
  }

  void EnsureIndexed() {
    if (!indexed) Parse();
  }

  void BuildTable() {
    size_t size = 16;
    while (size < entries.size() * 2) size <<= 1;
    table.assign(size, kNoEntry);
    mask = static_cast<uint32_t>(size - 1);
    for (uint32_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      uint32_t slot = e.hash & mask;
      bool duplicate = false;
      while (table[slot] != kNoEntry) {
        const Entry& o = entries[table[slot]];
        if (o.hash == e.hash && o.section == e.section && EqualNoCase(Key(o), Key(e))) {
          duplicate = true;  // the first of equal keys is the one that counts
          break;
        }
        slot = (slot + 1) & mask;
      }
      if (!duplicate) table[slot] = i;
    }
  }

  // Reads see only the first section of a name.
  uint32_t FindSection(std::string_view name) const {
    for (uint32_t i = 0; i < sections.size(); ++i)
      if (EqualNoCase(View(sections[i].nameOff, sections[i].nameLen), name)) return i;
    return kNoEntry;
  }

  uint32_t FindEntry(uint32_t section, std::string_view key) const {
    uint32_t h = Mix(HashNoCase(key.data(), key.size()), section);
    for (uint32_t slot = h & mask; table[slot] != kNoEntry; slot = (slot + 1) & mask) {
      const Entry& e = entries[table[slot]];
      if (e.hash == h && e.section == section && EqualNoCase(Key(e), key)) return table[slot];
    }
    return kNoEntry;
  }

  const Entry* Lookup(const std::string& section, const std::string& key) const {
    uint32_t s = FindSection(TrimView(section));
    if (s == kNoEntry) return nullptr;
    uint32_t i = FindEntry(s, TrimView(key));
    return i == kNoEntry ? nullptr : &entries[i];
  }

  // Start of the line holding offset off, and the position after its line break.
  size_t LineStart(size_t off) const {
    while (off > bodyStart && !IsBreak(static_cast<unsigned char>(data[off - 1]))) --off;
    return off;
  }
  size_t LineNext(size_t off) const {
    const char* le = FindBreak(data.data() + off, data.data() + data.size());
    return SkipBreak(data, static_cast<size_t>(le - data.data()));
  }

  // Opening: the count first, then the bytes, so that a writer finishing in
  // between shows as a changed count.
  void Load() {
    countKnown = lock.ReadCountIfPresent(count) && count % 2 == 0;
    // A missing or unreadable file reads as an empty one.
    auto status = fileio::ReadWholeFile(path, data, &stamp);
    if (status != fileio::ReadStatus::Ok) data.clear();
    if (status == fileio::ReadStatus::Failed) countKnown = false;
    Parse();
  }

  // Inside the lock: brings data up to what the file holds now, re-reading
  // only when another writer may have replaced it since it was read.
  bool Refresh() {
    if (inMemory) {
      EnsureIndexed();
      return true;
    }
    unsigned long long now = 0;
    bool nowKnown = lock.ReadCount(now) && now % 2 == 0;
    fileio::FileStamp current;
    bool same = countKnown && nowKnown && now == count && fileio::StampOf(path, current) && current == stamp;
    if (!same) {
      std::string bytes;
      fileio::FileStamp readStamp;
      if (fileio::ReadWholeFile(path, bytes, &readStamp) == fileio::ReadStatus::Failed) return false;
      stamp = readStamp;
      if (bytes != data) {
        data.swap(bytes);
        indexed = false;
      }
    }
    count = now;
    countKnown = nowKnown;
    EnsureIndexed();
    return true;
  }

  // The file's content with the key set to value in out; false when nothing changes.
  bool Edited(const std::string& section, const std::string& key, const std::string& value, std::string& out) const {
    size_t vs = 0;
    while (vs < value.size() && IsBlank(static_cast<unsigned char>(value[vs]))) ++vs;
    std::string_view v(value.data() + vs, value.size() - vs);
    uint32_t s = FindSection(section);
    if (s != kNoEntry) {
      uint32_t i = FindEntry(s, key);
      if (i != kNoEntry) {
        const Entry& e = entries[i];
        if (e.valLen != kNoValue && std::string_view(data.data() + e.valOff, e.valLen) == v) return false;
        size_t from = LineStart(e.keyOff);
        size_t to = LineNext(e.keyOff);
        out.reserve(data.size() + v.size() + 4);
        out.append(data, 0, from);
        out.append(data, e.keyOff, e.keyLen);  // an existing key keeps its spelling
        out += '=';
        out.append(v);
        out += "\r\n";
        out.append(data, to, std::string::npos);
        return true;
      }
      size_t at = sections[s].lastLineEnd;
      bool unterminated = at >= data.size();
      at = SkipBreak(data, at);
      out.reserve(data.size() + key.size() + v.size() + 5);
      out.append(data, 0, at);
      if (unterminated) out += "\r\n";
      out += key;
      out += '=';
      out.append(v);
      out += "\r\n";
      out.append(data, at, std::string::npos);
      return true;
    }
    out.reserve(data.size() + section.size() + key.size() + v.size() + 9);
    out = data;
    if (out.size() > bodyStart && !IsBreak(static_cast<unsigned char>(out.back()))) out += "\r\n";
    out += '[';
    out += section;
    out += "]\r\n";
    out += key;
    out += '=';
    out.append(v);
    out += "\r\n";
    return true;
  }

  [[noreturn]] void FailWrite() const { throw Error(FormatMessage1("Unable to write to %s", path)); }

  // Inside the lock: replaces the file with bytes. The count goes odd while
  // the file may change, so that no reader trusts a count seen meanwhile.
  void Commit(std::string& bytes) {
    if (!inMemory && !fileio::CanWriteExisting(path)) FailWrite();
    // Lines in the ANSI code page would corrupt a UTF-16 text.
    if (data.size() >= 2 && ((data[0] == '\xFF' && data[1] == '\xFE') || (data[0] == '\xFE' && data[1] == '\xFF')))
      FailWrite();
    if (inMemory) {
      data.swap(bytes);
      indexed = false;
      return;
    }
    unsigned long long now = 0;
    if (!lock.ReadCount(now)) {
      // An unreadable count: start from one no reader can have seen.
      now = static_cast<unsigned long long>(std::chrono::system_clock::now().time_since_epoch().count()) << 1;
    }
    const unsigned long long changing = now + 1 + (now & 1);
    countKnown = false;
    if (!lock.WriteCount(changing)) FailWrite();
    fileio::FileStamp written;
    if (!fileio::ReplaceFileDurably(path, path + ".tmp", bytes, &written)) FailWrite();
    stamp = written;
    count = changing + 1;
    countKnown = lock.WriteCount(count);
    data.swap(bytes);
    indexed = false;  // indexed again when next read: a write alone needs no index
  }
};

ProfileFile::ProfileFile(std::string path) : impl_(std::make_unique<Impl>(path)) { impl_->Load(); }

ProfileFile::ProfileFile(InMemory text) : impl_(std::make_unique<Impl>(std::string())) {
  impl_->inMemory = true;
  impl_->data = std::move(text.bytes);
  impl_->Parse();
}

ProfileFile::~ProfileFile() = default;

const std::string& ProfileFile::Path() const { return impl_->path; }

const std::string& ProfileFile::Bytes() const { return impl_->data; }

std::string ProfileFile::ReadString(const std::string& section, const std::string& key) const {
  impl_->EnsureIndexed();
  const Impl::Entry* e = impl_->Lookup(section, key);
  if (!e || e->valLen == kNoValue) return {};
  std::string_view v = impl_->View(e->valOff, e->valLen);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return std::string(v);
}

std::vector<std::string> ProfileFile::ListKeys(const std::string& section) const {
  std::vector<std::string> keys;
  impl_->EnsureIndexed();
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
  if (!d.inMemory && !d.lock.Lock()) d.FailWrite();
  Unlocker unlock{d.lock};
  // Another process may have written since we read: apply the change to what is there now.
  if (!d.Refresh()) d.FailWrite();
  std::string bytes;
  if (!d.Edited(section, key, value, bytes)) return;
  d.Commit(bytes);
}

void ProfileFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void ProfileFile::DeleteKey(const std::string& section, const std::string& key) {
  try {
    if (!impl_->inMemory && !impl_->lock.Lock()) return;
    Unlocker unlock{impl_->lock};
    if (!impl_->Refresh()) return;
    // Deletion looks through every section of the name, as the system's call does.
    auto& d = *impl_;
    for (const auto& sec : d.sections) {
      if (!EqualNoCase(d.View(sec.nameOff, sec.nameLen), section)) continue;
      for (uint32_t i = sec.firstEntry; i < sec.endEntry; ++i) {
        if (!EqualNoCase(d.Key(d.entries[i]), key)) continue;
        size_t from = d.LineStart(d.entries[i].keyOff);
        size_t to = d.LineNext(d.entries[i].keyOff);
        std::string bytes;
        bytes.reserve(d.data.size());
        bytes.append(d.data, 0, from).append(d.data, to, std::string::npos);
        d.Commit(bytes);
        return;
      }
    }
  } catch (const Error&) {
    // A key that cannot be deleted stays; the user action goes on.
  }
}

void ProfileFile::Release() {
  impl_->lock.Close();
  impl_->countKnown = false;
  impl_->stamp = {};
  impl_->data.clear();
  impl_->data.shrink_to_fit();
  impl_->Parse();
}

std::string DataFilePath(const std::string& executableFolder) { return executableFolder + "TVX.dat"; }

}  // namespace tvx::store
