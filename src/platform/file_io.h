#pragma once
// File primitives under the data file engine: whole-file reads, a
// cross-process lock and durable, atomic replacement of a file, by rename
// or, for a file with several names, in place through a journal.
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
// than maxBytes is not read (TooLarge). links, when given, gets the number
// of names (hard links) the file has, 0 when it was not read.
ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes = SIZE_MAX,
                         unsigned* links = nullptr);

// The file that a write of path must replace: path itself, or the file a
// symbolic link at path names (links of links followed), whether that file
// exists yet or not. known is false for a link whose target cannot be told
// (under Wine, which shows a link that points nowhere as no file at all,
// when the target's folder is missing or cannot be written).
struct LinkTarget {
  std::string path;
  bool isLink = false;
  bool known = true;
};
LinkTarget ResolveLink(const std::string& path);

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
  // Another lock file from now on (closing this one when it differs).
  void Retarget(const std::string& path);

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

// Writes the bytes over the file in place, so that every name the file has
// shows them, as atomically and durably as ReplaceFileDurably: the bytes go
// in full to journalPath (same folder) and to disk first, then over the file
// (flushed, cut to the new length), then the journal is removed. A kill at
// any moment leaves the old bytes or a complete journal, which
// SettleJournal copies over the file. Under the lock only. On failure before
// the copy began the file is unchanged and the journal gone; a failure
// during the copy leaves the journal for the next writer or reader to finish.
bool OverwriteDurably(const std::string& path, const std::string& journalPath, const std::string& bytes,
                      WriteFault* why = nullptr);

enum class JournalState {
  None,        // no journal
  Discarded,   // an incomplete one, removed: the writer died before the copy began
  Finished,    // a complete one, copied over the file and removed
  Unfinished,  // a complete one that could not be copied (the file is read-only,
               // say): its bytes are the file's content
};
// Under the lock: settles the journal a killed writer left beside the file.
// journalBytes, when given, gets the bytes of a complete journal.
JournalState SettleJournal(const std::string& path, const std::string& journalPath,
                           std::string* journalBytes = nullptr);
// The bytes of a complete journal at journalPath; false when there is none.
bool ReadCompleteJournal(const std::string& journalPath, std::string& bytes);

// Whether a folder stands at the path.
bool IsFolder(const std::string& path);

// Writes the bytes in place and flushes them to disk (no atomic replacement).
bool WriteFileFlushed(const std::string& path, const std::string& bytes);

bool RemoveFile(const std::string& path);

// Writes the bytes over the start of an existing file, cuts it to their
// length and flushes it (the same file, every name of it; nothing atomic).
// HeldOpen in why when another program kept it open through a few seconds
// of retries.
bool OverwriteInPlace(const std::string& path, const std::string& bytes, WriteFault* why = nullptr);

// The journal of an in-place write: a header that tells its length and
// checksum, so that a journal cut short by a kill shows as incomplete.
std::string JournalHeader(const std::string& bytes);
// The bytes a complete journal holds; false when the journal is incomplete.
bool JournalContent(const std::string& journal, std::string& bytes);

}  // namespace tvx::fileio
