// Feeds arbitrary bytes to the data file engine as a file: reading must not
// fail, and one write must read back while every other byte stays in place.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file_io.h"
#include "store/profile_file.h"

namespace {

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = tvx::store::DataFilePath(Folder());
  const std::string before(reinterpret_cast<const char*>(data), size);
  if (!tvx::fileio::WriteFileFlushed(path, before)) std::abort();

  tvx::store::ProfileFile file(path);
  for (const char* section : {"Command", "Template", "Settings", "", "a"}) {
    for (const auto& key : file.ListKeys(section)) {
      (void)file.ReadString(section, key);
      (void)file.ReadInteger(section, key, 0);
    }
  }
  const std::string key = "fz\x7fkey";
  file.WriteString("Command", key, "fuzz|value");
  tvx::store::ProfileFile again(path);
  if (again.ReadString("Command", key) != "fuzz|value") std::abort();

  // A new key is an insertion: the old bytes are a prefix and a suffix of the new.
  std::string after;
  if (tvx::fileio::ReadWholeFile(path, after) != tvx::fileio::ReadStatus::Ok) std::abort();
  if (!ContainsNoCase(before, key)) {
    size_t prefix = 0;
    while (prefix < before.size() && before[prefix] == after[prefix]) ++prefix;
    size_t suffix = 0;
    while (suffix < before.size() - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
      ++suffix;
    if (prefix + suffix != before.size()) std::abort();
  }
  return 0;
}
