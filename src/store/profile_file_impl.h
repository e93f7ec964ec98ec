#pragma once
// The data file engine's state, shared by the files that work on it: the
// index (profile_index.cpp), the planning and making of edits
// (profile_edit.cpp), reading, locking and storing the file
// (profile_store.cpp) and the spare storage (spare_storage.cpp). What every
// read goes through is inline here.
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_io.h"
#include "store/file_encoding.h"
#include "store/key_hash.h"
#include "store/profile_file.h"
#include "store/profile_text.h"

namespace tvx::store {

// The internal headers' helpers are this engine's own vocabulary.
using namespace detail;

constexpr uint32_t kNoValue = 0xFFFFFFFFu;
constexpr uint32_t kNoEntry = 0xFFFFFFFFu;
// The largest file the 32-bit line positions can address (kNoValue stays free).
constexpr size_t kMaxBytes = 0xFFFFFFFEu;

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

  // Spare storage (spare_storage.cpp): the lists and texts a released file
  // leaves for the next one.
  struct Storage;
  void TakeSpare();
  void GiveSpare();

  const std::string& FileBytes() const { return encoding == FileEncoding::Utf8 ? data : raw; }

  std::string_view View(uint32_t off, uint32_t len) const { return UpToZero(std::string_view(data.data() + off, len)); }
  std::string_view Key(const Entry& e) const { return std::string_view(data.data() + e.keyOff, e.keyLen); }
  // The entry's value, trimmed (an entry with a value only).
  std::string_view Value(const Entry& e) const {
    return Trimmed(data.data() + e.valOff, data.data() + e.valOff + e.valLen);
  }

  const char* BodyStart() const {
    const char* base = data.data();
    return data.size() >= 3 && std::memcmp(base, "\xEF\xBB\xBF", 3) == 0 ? base + 3 : base;
  }

  // The index: parsed and tabled in profile_index.cpp, looked up here,
  // inline, as every read goes through the lookups. It covers the lines
  // before `parsedTo`; a lookup parses on only as far as it needs, so that an
  // action looking up a few names near the start of a large file does not
  // pay for the rest.
  void StartIndex();
  bool Complete() const { return parsedTo >= data.size(); }
  // Where ParseOn stops early: at the next section line, or after an entry
  // of section `section` whose key hash is `hash`.
  struct Stop {
    bool atSection = false;
    uint32_t section = kNoEntry, hash = 0;
  };
  void ParseOn(Stop stop);
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
  void BuildTable() const;

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

  // Reading, locking and storing (profile_store.cpp).
  //
  // The file is read when first consulted: an action that only writes reads
  // it once, inside the lock (see Refresh). Whatever changes it between a
  // read and a write shows there too.
  void EnsureLoaded() {
    if (!loaded) Load();
  }
  void Load();
  // Takes bytes read from the file (leaving bytes empty or holding the old
  // ones): decoded once here, so that reads need no conversion.
  void TakeBytes(std::string& bytes);
  void ResolveTarget();
  std::string JournalPath() const { return target.path + ".journal"; }
  fileio::ReadStatus ReadFile(bool locked);
  bool Refresh();
  void LockAndRefresh();
  [[noreturn]] void FailWrite(fileio::WriteFault why = fileio::WriteFault::Other,
                              const std::string& folder = std::string()) const;
  [[noreturn]] void FailTooLarge() const;
  void CheckWritable() const;
  // Inside the lock: replaces the file with its bytes, already changed; undo()
  // puts the text back when the file cannot be written.
  void Store(const std::function<void()>& undo);

  // Planning and making edits (profile_edit.cpp).
  //
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
  Place PlaceFromIndex(const std::string& section, const std::string& key);
  Place PlaceByWalking(const std::string& section, const std::string& key) const;
  bool Edited(const std::string& section, const std::string& key, const std::string& value, Edit& edit);
  bool Deletion(const std::string& section, const std::string& key, Edit& edit);
  bool SectionReplaced(const std::string& section, const std::vector<std::pair<std::string, std::string>>& entries,
                       Edit& edit) const;
  size_t LineStart(size_t off) const;
  size_t LineNext(size_t off) const;
  // Starts edit as a new section line at the end of the text.
  void NewSectionAtEnd(const std::string& section, Edit& edit) const;
  // How a change reaches the file's bytes.
  enum class Route {
    kText,        // the text is the bytes
    kMarkedText,  // so, and the file gains the UTF-8 mark
    kEncoded,     // the change is encoded into raw
    kRewrite,     // the encoding cannot hold it: the whole file becomes UTF-8 with the mark
  };
  Route RouteOf(const Edit& edit, std::string& encoded, size_t& rawAt, size_t& rawEnd) const;
  // What puts a change back: the replaced parts only, so that a large file
  // needs no second copy.
  struct Undo {
    Route route = Route::kText;
    Edit edit;  // at, the text's size and the text it replaced
    size_t rawAt = 0, encodedSize = 0;
    std::string oldRawPart, oldRaw;
    FileEncoding oldEncoding = FileEncoding::Utf8;
  };
  void ApplyEdit(const Edit& edit, Undo* undo);
  void Revert(Undo& undo);
  void Commit(const Edit& edit);
};

}  // namespace tvx::store
