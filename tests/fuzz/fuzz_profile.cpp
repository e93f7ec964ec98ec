// Feeds arbitrary bytes to the data file engine: reading must not fail, and
// one write must read back while every other byte stays in place. Most runs
// use the engine over bytes in memory (the same parse and edit code as the
// file path, without waiting for the disk); a few go through a real file.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/case_fold.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "store/file_encoding.h"
#include "store/profile_file.h"
#include "store/schema.h"

namespace {

using tvx::store::ProfileFile;

std::string Folder() {
  static std::string folder = [] {
    std::string f = "/tmp/fuzz_profile_" + std::to_string(getpid()) + "/";
    std::string cmd = "mkdir -p " + f;
    if (std::system(cmd.c_str()) != 0) std::abort();
    return f;
  }();
  return folder;
}

bool ContainsNoCase(const std::string& hay, const std::string& needle) {
  for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    size_t j = 0;
    while (j < needle.size() &&
           std::tolower(static_cast<unsigned char>(hay[i + j])) == std::tolower(static_cast<unsigned char>(needle[j])))
      ++j;
    if (j == needle.size()) return true;
  }
  return false;
}

// The file's text as the engine reads it, in UTF-8.
std::string TextOf(const std::string& bytes) {
  const auto encoding = tvx::store::DetectEncoding(bytes);
  return encoding == tvx::store::FileEncoding::Utf8 ? bytes : tvx::store::DecodeText(bytes, encoding);
}

void ReadEverything(const ProfileFile& file) {
  for (const char* section : {"Command", "Template", "Settings", "", "a"}) {
    for (const auto& key : file.ListKeys(section)) {
      (void)file.ReadString(section, key);
      (void)file.ReadInteger(section, key, 0);
    }
  }
}

// The reading rules written the plain way, line by line, to hold the
// engine's one-pass parse against.
struct PlainReader {
  struct Line {
    std::string section;  // of a section line
    bool isSection = false;
    std::string key, value;
    bool hasValue = false;
  };
  std::vector<Line> lines;

  static bool Blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A; }
  static std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && Blank(s[b])) ++b;
    while (e > b && Blank(s[e - 1])) --e;
    return s.substr(b, e - b);
  }
  static std::string UpToZero(const std::string& s) { return s.substr(0, s.find('\0')); }
  static bool Same(const std::string& a, const std::string& b) { return tvx::text::EqualsFolded(a, b); }

  explicit PlainReader(std::string text) {
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    size_t at = 0;
    while (at <= text.size()) {
      size_t brk = text.find_first_of("\r\n", at);
      if (brk == std::string::npos) brk = text.size();
      Add(Trim(text.substr(at, brk - at)));
      if (brk == text.size()) break;
      at = brk + ((text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n') ? 2 : 1);
    }
  }
  void Add(const std::string& t) {
    if (t.empty()) return;
    Line line;
    size_t close = t.rfind(']');
    if (t[0] == '[' && close != std::string::npos && close > 0) {
      line.isSection = true;
      line.section = UpToZero(Trim(t.substr(1, close - 1)));
    } else if (size_t eq = t.find('='); eq != std::string::npos) {
      line.key = UpToZero(Trim(t.substr(0, eq)));
      line.value = UpToZero(Trim(t.substr(eq + 1)));
      line.hasValue = true;
    } else {
      line.key = UpToZero(t);
    }
    lines.push_back(line);
  }
  // Lines of the first section of the name: [first, end). An empty name is
  // the section written "[]"; lines before any section line have no name.
  std::pair<size_t, size_t> SectionLines(const std::string& name) const {
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].isSection && Same(lines[i].section, name)) {
        size_t e = i + 1;
        while (e < lines.size() && !lines[e].isSection) ++e;
        return {i + 1, e};
      }
    }
    return {0, 0};
  }
  std::string Read(const std::string& section, const std::string& key) const {
    auto [b, e] = SectionLines(Trim(section));
    for (size_t i = b; i < e; ++i) {
      if (!Same(lines[i].key, Trim(key))) continue;
      std::string v = lines[i].value;
      if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
      return v;
    }
    return {};
  }
  std::vector<std::string> Keys(const std::string& section) const {
    std::vector<std::string> keys;
    auto [b, e] = SectionLines(section);
    for (size_t i = b; i < e; ++i)
      if (lines[i].hasValue && !lines[i].key.empty() && lines[i].key[0] != ';') keys.push_back(lines[i].key);
    return keys;
  }
};

// The engine reads every section and key as the plain reader does. With
// valuesFirst, the values are read before any listing, in file order or
// (backwards) from the end, so that lookups meet a partly parsed file.
void CheckAgainstPlainReader(const ProfileFile& file, const std::string& bytes, bool valuesFirst = false,
                             bool backwards = false) {
  const PlainReader plain(TextOf(bytes));
  std::vector<std::string> sections{"", "Command", "Settings"};
  for (const auto& line : plain.lines)
    if (line.isSection) sections.push_back(line.section);
  if (backwards) std::reverse(sections.begin(), sections.end());
  for (const auto& section : sections) {
    const auto keys = plain.Keys(section);
    if (!valuesFirst && file.ListKeys(section) != keys) std::abort();
    std::vector<std::string> probes;
    for (const auto& line : plain.lines)
      if (!line.isSection) probes.push_back(line.key);
    if (backwards) std::reverse(probes.begin(), probes.end());
    for (const auto& key : probes)
      if (file.ReadString(section, key) != plain.Read(section, key)) std::abort();
    if (valuesFirst && file.ListKeys(section) != keys) std::abort();
  }
}

const std::string kKey = "fz\x7fkey";

// Writes the key; returns the bytes after the write, checked.
std::string WriteAndCheck(ProfileFile& file, const std::string& before) {
  try {
    file.WriteString("Command", kKey, "fuzz|value");
  } catch (const tvx::Error&) {
    std::abort();  // every text the engine reads, it can write into
  }
  const std::string after = file.Bytes();
  // A new key is an insertion: the old bytes are a prefix and a suffix of the new.
  if (!ContainsNoCase(TextOf(before), kKey)) {
    size_t prefix = 0;
    while (prefix < before.size() && before[prefix] == after[prefix]) ++prefix;
    size_t suffix = 0;
    while (suffix < before.size() - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
      ++suffix;
    if (prefix + suffix != before.size()) std::abort();
  }
  return after;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string before(reinterpret_cast<const char*>(data), size);

  ProfileFile memory(ProfileFile::InMemory{before});
  ReadEverything(memory);
  CheckAgainstPlainReader(memory, before);
  const std::string after = WriteAndCheck(memory, before);
  // A write straight after opening finds its place without an index: the
  // very same bytes.
  ProfileFile fresh(ProfileFile::InMemory{before});
  if (WriteAndCheck(fresh, before) != after) std::abort();
  // Lookups that parse only part of the file, then a write that finds its
  // place in a partly parsed file.
  ProfileFile partly(ProfileFile::InMemory{before});
  if (!before.empty()) {
    const PlainReader plain(TextOf(before));
    const auto& probe = plain.lines.empty() ? std::string("x") : plain.lines[size % plain.lines.size()].key;
    if (partly.ReadString("Command", probe) != plain.Read("Command", probe)) std::abort();
  }
  if (WriteAndCheck(partly, before) != after) std::abort();
  ProfileFile lazy(ProfileFile::InMemory{before});
  CheckAgainstPlainReader(lazy, before, true, size % 2 == 1);
  ProfileFile reread(ProfileFile::InMemory{after});
  if (reread.ReadString("Command", kKey) != "fuzz|value") std::abort();
  ReadEverything(reread);

  // Now and then the real file path, which must give the very same bytes.
  if (size % 32 == 0) {
    const std::string path = tvx::store::DataFilePath(Folder());
    if (!tvx::fileio::WriteFileFlushed(path, before)) std::abort();
    ProfileFile file(path);
    if (WriteAndCheck(file, before) != after) std::abort();
    std::string onDisk;
    if (tvx::fileio::ReadWholeFile(path, onDisk) != tvx::fileio::ReadStatus::Ok || onDisk != after) std::abort();
  }
  return 0;
}
