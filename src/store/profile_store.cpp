// Reading the data file and storing it durably: the lock writers take, the
// re-read inside it, and the atomic replace, or, for a file with several
// names, the copy over it in place through a journal.
#include <functional>
#include <string>

#include "platform/error.h"
#include "platform/file_io.h"
#include "store/profile_file_impl.h"

namespace tvx::store {
namespace {
// How long a write waits for another program's write to finish.
constexpr int kLockWaitMilliseconds = 4000;
}  // namespace

void ProfileFile::Impl::TakeBytes(std::string& bytes) {
  encoding = DetectEncoding(bytes);
  if (encoding == FileEncoding::Utf8) {
    data.swap(bytes);
    raw.clear();
  } else {
    DecodeText(bytes, encoding, data);
    raw.swap(bytes);
    // Positions in the text are 32-bit as in the bytes: decoding may grow it.
    if (data.size() > kMaxBytes) FailTooLarge();
  }
  indexed = false;
}

void ProfileFile::Impl::Load() {
  loaded = true;
  // A missing or unreadable file reads as an empty one.
  auto status = ReadFile(false);
  if (status != fileio::ReadStatus::Ok) scratch.clear();
  TakeBytes(scratch);
  indexed = false;  // indexed when first read: an action that only writes needs no index
}

void ProfileFile::Impl::ResolveTarget() {
  target = fileio::ResolveLink(path);
  lock.Retarget(target.path + ".lock");
}

// Reads the file into scratch. A file with several names changes in place
// while a writer copies its journal over it: it is read under the lock, a
// journal a killed writer left settled first; a reader that cannot have
// the lock takes a complete journal's bytes as the content.
fileio::ReadStatus ProfileFile::Impl::ReadFile(bool locked) {
  auto status = fileio::ReadWholeFile(path, scratch, kMaxBytes, &links);
  if (status == fileio::ReadStatus::TooLarge) FailTooLarge();
  if (status != fileio::ReadStatus::Ok || links < 2) return status;
  bool lockedHere = false;
  if (!locked) {
    ResolveTarget();
    lockedHere = target.known && lock.Lock(kLockWaitMilliseconds);
  }
  std::string journal;
  fileio::JournalState state = fileio::JournalState::None;
  if (locked || lockedHere)
    state = fileio::SettleJournal(target.path, JournalPath(), &journal);
  else if (fileio::ReadCompleteJournal(JournalPath(), journal))
    state = fileio::JournalState::Unfinished;
  if (state == fileio::JournalState::Unfinished) {
    scratch.swap(journal);
  } else if (state == fileio::JournalState::Finished || lockedHere) {
    // The first read may have met a copy under way.
    status = fileio::ReadWholeFile(path, scratch, kMaxBytes, &links);
    if (status == fileio::ReadStatus::TooLarge) FailTooLarge();
  }
  if (lockedHere) lock.Unlock();
  return status;
}

// Inside the lock: brings data up to what the file holds now. The bytes
// are compared, not the size and write time: an editor saving a changed
// letter within one tick of the clock keeps both.
bool ProfileFile::Impl::Refresh() {
  if (inMemory) return true;
  const auto status = ReadFile(true);
  if (status == fileio::ReadStatus::Failed) return false;
  if (scratch != FileBytes()) TakeBytes(scratch);
  loaded = true;
  return true;
}

void ProfileFile::Impl::FailWrite(fileio::WriteFault why, const std::string& folder) const {
  switch (why) {
    case fileio::WriteFault::Busy:
      throw Error(FormatMessage1("Unable to write to %s because another program is changing it at the moment", path));
    case fileio::WriteFault::HeldOpen:
      throw Error(FormatMessage1("Unable to write to %s because another program keeps it open", path));
    case fileio::WriteFault::FolderInTheWay:
      throw Error(FormatMessage2("Unable to write to %s because the folder %s is in the way", path, folder));
    case fileio::WriteFault::Other:
      break;
  }
  // A link names a file elsewhere, which may be the one that cannot be written.
  if (target.isLink)
    throw Error(
        FormatMessage2("Unable to write to %s because the file it links to, %s, cannot be written", path, target.path));
  throw Error(FormatMessage1("Unable to write to %s", path));
}

// Line positions are kept in 32 bits: a larger file is refused whole.
void ProfileFile::Impl::FailTooLarge() const {
  throw Error(FormatMessage1("Cannot use %s because it is larger than 4 GB", path));
}

// Inside the lock from here on: takes it, waiting a few seconds at most
// for another writer, and brings the text up to the file's content.
void ProfileFile::Impl::LockAndRefresh() {
  if (inMemory) return;
  ResolveTarget();
  if (!target.known)
    throw Error(FormatMessage1("Unable to write to %s because the file its link names cannot be made", path));
  fileio::WriteFault why = fileio::WriteFault::Other;
  if (!lock.Lock(kLockWaitMilliseconds, &why)) FailWrite(why, lock.Path());
  bool read = false;
  try {
    read = Refresh();
  } catch (...) {
    lock.Unlock();
    throw;
  }
  if (!read) {
    lock.Unlock();
    FailWrite();
  }
}

// Refuses a change of a read-only file before it is made.
void ProfileFile::Impl::CheckWritable() const {
  if (!inMemory && !fileio::CanWriteExisting(target.path)) FailWrite();
}

void ProfileFile::Impl::Store(const std::function<void()>& undo) {
  indexed = false;  // indexed again when next read: a write alone needs no index
  if (data.size() > kMaxBytes) {
    undo();
    FailTooLarge();
  }
  if (inMemory) return;
  // A file with one name is replaced whole by a new one, which is fastest;
  // one with several is written over in place, as a rename would part its
  // names.
  fileio::WriteFault why = fileio::WriteFault::Other;
  const bool inPlace = links > 1;
  const std::string aside = inPlace ? JournalPath() : target.path + ".tmp";
  const bool written = inPlace ? fileio::OverwriteDurably(target.path, aside, FileBytes(), &why)
                               : fileio::ReplaceFileDurably(target.path, aside, FileBytes(), &why);
  if (!written) {
    undo();
    FailWrite(why, aside);
  }
}

// Inside the lock: makes the change and replaces the file with the result.

}  // namespace tvx::store
