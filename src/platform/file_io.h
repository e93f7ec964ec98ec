#pragma once
// File primitives under the data file engine: whole-file reads, a
// cross-process lock and durable, atomic replacement of a file.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tvx::fileio {

// TooLarge: the file holds more than the reader's limit; nothing was read.
enum class ReadStatus { Ok, Missing, Failed, TooLarge };

// Why a write could not be made, where the user can do something about it.
enum class WriteFault {
  Other,           // the disk, the permissions: the system's own reasons
  HeldOpen,        // another program kept the file open for longer than the retries wait
  Busy,            // another writer kept the lock for longer than the wait allows
  FolderInTheWay,  // a folder has the name of the temporary or the lock file
};

// Whole-file reads leave this much room after the bytes, so that a small edit
// of the text needs no second buffer (which costs a fresh page for every 4 KB
// of a large file).
constexpr size_t kEditRoom = 4096;

// Reads the whole file into bytes. Missing: no such file (bytes empty).
// Readers never block a concurrent replacement of the file. A file larger
// than maxBytes is not read (TooLarge).
ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes = SIZE_MAX);

// A lock file beside a data file, shared by every process, kept open by its
// user. Lock waits for the exclusive lock at most the time given (showing the
// wait cursor on Windows meanwhile, as the wait holds up the window); the
// system drops the lock when the holder dies, so a killed writer never leaves
// it taken.
class LockFile {
 public:
  explicit LockFile(std::string path);
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  const std::string& Path() const { return path_; }

  // Opens (creating when missing) and takes the lock; on failure `why`, when
  // given, tells Busy (the wait ran out), FolderInTheWay or Other.
  bool Lock(int waitMilliseconds, WriteFault* why = nullptr);
  void Unlock();
  void Close();

 private:
  bool Open(bool create);
  std::string path_;
  long long handle_ = -1;
  bool locked_ = false;
};

// False when the file exists but may not be written: marked read-only, or no
// write permission (on Windows the permission shows when ReplaceFileDurably's
// rename is refused). Replacing by rename alone would not notice either.
bool CanWriteExisting(const std::string& path);

// Replaces the file with these bytes so that it is either wholly old or wholly
// new, even if the process or the system dies: writes tempPath (same folder),
// flushes it to disk, renames it over the file and flushes the folder. On
// failure the file is unchanged and tempPath is gone; `why`, when given, tells
// HeldOpen (another program kept the file open through a few seconds of
// retries), FolderInTheWay (tempPath is a folder) or Other, and the system's
// last error (errno, GetLastError) is the one that stopped the write.
bool ReplaceFileDurably(const std::string& path, const std::string& tempPath, const std::string& bytes,
                        WriteFault* why = nullptr);

// Whether a folder stands at the path.
bool IsFolder(const std::string& path);

// Writes the bytes in place and flushes them to disk (no atomic replacement).
bool WriteFileFlushed(const std::string& path, const std::string& bytes);

bool RemoveFile(const std::string& path);

}  // namespace tvx::fileio
