// Planning a change of the data file's text and making it: where a write
// goes (from the index when there is one, else by one walk that stops as soon
// as it knows), the line a deletion removes, a section replaced whole, and how
// each change reaches the file's bytes in its encoding, with what undoes it.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/utf8.h"
#include "store/key_hash.h"
#include "store/line_scan.h"
#include "store/profile_file_impl.h"

namespace tvx::store {

// Start of the line holding offset off, and the position after its line break.
size_t ProfileFile::Impl::LineStart(size_t off) const {
  const auto first = static_cast<size_t>(BodyStart() - data.data());
  while (off > first && !IsBreak(static_cast<unsigned char>(data[off - 1]))) --off;
  return off;
}

size_t ProfileFile::Impl::LineNext(size_t off) const {
  const char* le = FindBreak(data.data() + off, data.data() + data.size());
  return SkipBreak(data, static_cast<size_t>(le - data.data()));
}

void ProfileFile::Impl::NewSectionAtEnd(const std::string& section, Edit& edit) const {
  edit.at = data.size();
  // The last line may have no line break of its own.
  if (data.data() + data.size() > BodyStart() && !IsBreak(static_cast<unsigned char>(data.back()))) edit.text = "\r\n";
  edit.text += '[';
  edit.text += section;
  edit.text += "]\r\n";
}

ProfileFile::Impl::Place ProfileFile::Impl::PlaceFromIndex(const std::string& section, const std::string& key) {
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
ProfileFile::Impl::Place ProfileFile::Impl::PlaceByWalking(const std::string& section, const std::string& key) const {
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
bool ProfileFile::Impl::Edited(const std::string& section, const std::string& key, const std::string& value,
                               Edit& edit) {
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
    NewSectionAtEnd(section, edit);
    edit.text += key;
  }
  edit.text += '=';
  edit.text.append(v);
  edit.text += "\r\n";
  return true;
}

ProfileFile::Impl::Route ProfileFile::Impl::RouteOf(const Edit& edit, std::string& encoded, size_t& rawAt,
                                                    size_t& rawEnd) const {
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

// Makes the change in the text and in the file's bytes; records in undo,
// when given, what puts it back.
void ProfileFile::Impl::ApplyEdit(const Edit& edit, Undo* undo) {
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

void ProfileFile::Impl::Revert(Undo& undo) {
  if (undo.route == Route::kMarkedText || undo.route == Route::kRewrite) data.erase(0, kUtf8Mark.size());
  data.replace(undo.edit.at, undo.edit.removed, undo.edit.text);
  if (undo.route == Route::kEncoded) raw.replace(undo.rawAt, undo.encodedSize, undo.oldRawPart);
  if (undo.route == Route::kRewrite) raw.swap(undo.oldRaw);
  encoding = undo.oldEncoding;
  indexed = false;
}

// The change that deletes the first line of the key in any section of
// the name, as the system's call looks; false when there is none.
bool ProfileFile::Impl::Deletion(const std::string& section, const std::string& key, Edit& edit) {
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
bool ProfileFile::Impl::SectionReplaced(const std::string& section,
                                        const std::vector<std::pair<std::string, std::string>>& entries,
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
    NewSectionAtEnd(section, edit);
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

// Inside the lock: makes the change and replaces the file with the result.
// The change is made in place (no second copy of a large file) and undone
// when the file cannot be written.
void ProfileFile::Impl::Commit(const Edit& edit) {
  CheckWritable();
  Undo undo;
  ApplyEdit(edit, inMemory ? nullptr : &undo);
  Store([&] { Revert(undo); });
}

}  // namespace tvx::store
