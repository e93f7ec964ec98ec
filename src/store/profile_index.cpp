// Building the index of the data file's lines: every section and entry in
// file order with each key's case-blind hash, parsed on only as far as a
// lookup needs, and, once an action has looked up many names, an
// open-addressing table over the hashes. Lines are indexed in file order, so
// the first of equal keys stays first. The lookups themselves are inline in
// profile_file_impl.h.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "store/key_hash.h"
#include "store/line_scan.h"
#include "store/profile_file_impl.h"

namespace tvx::store {

void ProfileFile::Impl::StartIndex() {
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

void ProfileFile::Impl::ParseOn(Stop stop) {
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

void ProfileFile::Impl::BuildTable() const {
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

}  // namespace tvx::store
