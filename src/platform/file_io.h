#pragma once
// File primitives under the data file engine: whole-file reads, a
// cross-process lock and durable, atomic replacement of a file.
#include <string>

namespace tvx::fileio {

enum class ReadStatus { Ok, Missing, Failed };

// Reads the whole file into bytes. Missing: no such file (bytes empty).
// Readers never block a concurrent replacement of the file.
ReadStatus ReadWholeFile(const std::string& path, std::string& bytes);

// Exclusive lock shared by every process, held on a lock file (created when
// missing and left in place). Blocks until the lock is free; the system drops
// it when the holder dies, so a killed writer never leaves it taken.
class FileLock {
 public:
  explicit FileLock(const std::string& lockPath);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const { return held_; }

 private:
  long long handle_ = -1;
  bool held_ = false;
};

// False when the file exists but may not be written: no write permission, or
// marked read-only. Replacing by rename would not notice either.
bool CanWriteExisting(const std::string& path);

// Replaces the file with these bytes so that it is either wholly old or wholly
// new, even if the process or the system dies: writes tempPath (same folder),
// flushes it to disk, renames it over the file and flushes the folder. On
// failure the file is unchanged and tempPath is gone.
bool ReplaceFileDurably(const std::string& path, const std::string& tempPath, const std::string& bytes);

// Writes the bytes in place and flushes them to disk (no atomic replacement).
bool WriteFileFlushed(const std::string& path, const std::string& bytes);

bool RemoveFile(const std::string& path);

}  // namespace tvx::fileio
