#pragma once
// File primitives under the data file engine: whole-file reads, a
// cross-process lock and durable, atomic replacement of a file.
//
// Failures are answered, never raised: a read with its ReadStatus, a change
// with false and, where the user can act on the reason, a WriteFault through
// the optional out-parameter.
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
// The file also holds a change count that writers raise to an odd number
// before replacing the data file and to the next even one after: a reader
// that saw an even count before reading the data file, and sees the same
// count later, knows no writer has replaced the file in between (older
// copies of the program read it so; this one only writes it).
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
  // Under the lock.
  bool WriteCount(unsigned long long count);
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

// The lock file's change count as stored: eight bytes of the count, least
// significant first, then eight of its complement, so that a read racing a
// write shows as unknown rather than as some other count.
constexpr size_t kCountBytes = 16;
void EncodeCount(unsigned long long count, unsigned char (&bytes)[kCountBytes]);

}  // namespace tvx::fileio
