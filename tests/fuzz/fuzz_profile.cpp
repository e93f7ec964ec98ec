// Feeds arbitrary bytes to the data file engine: reading must not fail, and
// one write must read back while every other byte stays in place. Most runs
// use the engine over bytes in memory (the same parse and edit code as the
// file path, without waiting for the disk); a few go through a real file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/error.h"
#include "platform/file_io.h"
#include "store/profile_file.h"

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

bool IsUtf16(const std::string& bytes) {
  return bytes.size() >= 2 &&
         ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

void ReadEverything(const ProfileFile& file) {
  for (const char* section : {"Command", "Template", "Settings", "", "a"}) {
    for (const auto& key : file.ListKeys(section)) {
      (void)file.ReadString(section, key);
      (void)file.ReadInteger(section, key, 0);
    }
  }
}

const std::string kKey = "fz\x7fkey";

// Writes the key; returns the bytes after the write, checked.
std::string WriteAndCheck(ProfileFile& file, const std::string& before) {
  try {
    file.WriteString("Command", kKey, "fuzz|value");
  } catch (const tvx::Error&) {
    // Only a UTF-16 text is refused, and it stays as it was.
    if (!IsUtf16(before) || file.Bytes() != before) std::abort();
    return before;
  }
  if (IsUtf16(before)) std::abort();
  const std::string after = file.Bytes();
  // A new key is an insertion: the old bytes are a prefix and a suffix of the new.
  if (!ContainsNoCase(before, kKey)) {
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
  const std::string after = WriteAndCheck(memory, before);
  ProfileFile reread(ProfileFile::InMemory{after});
  if (!IsUtf16(before) && reread.ReadString("Command", kKey) != "fuzz|value") std::abort();
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
