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
//
// This file is the engine's face; the work is done in the index
// (profile_index.cpp), edits (profile_edit.cpp), reading and storing the file
// (profile_store.cpp) and the spare storage (spare_storage.cpp), over the
// shared text rules, key hash and line walk (profile_text.h, key_hash.h,
// line_scan.h).
#include "store/profile_file.h"

#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/utf8.h"
#include "store/file_encoding.h"
#include "store/profile_file_impl.h"

namespace tvx::store {
namespace {

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

struct Unlocker {
  fileio::LockFile& lock;
  ~Unlocker() { lock.Unlock(); }
};

}  // namespace

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
