// POSIX implementation of the file primitives.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>

#include "platform/file_io.h"

namespace tvx::fileio {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes, unsigned* links) {
  bytes.clear();
  if (links) *links = 0;
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return ReadStatus::Failed;
  if (S_ISDIR(st.st_mode)) return ReadStatus::Failed;
  if (links) *links = static_cast<unsigned>(st.st_nlink);
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) return ReadStatus::TooLarge;
  // One byte more than the size, so that the end shows without growing the buffer.
  bytes.reserve(static_cast<size_t>(st.st_size) + kEditRoom);
  bytes.resize(static_cast<size_t>(st.st_size) + 1);
  size_t got = 0;
  for (;;) {
    if (got == bytes.size()) bytes.resize(got + 4096 + got / 2);  // the file grew meanwhile
    ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      bytes.clear();
      return ReadStatus::Failed;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  return ReadStatus::Ok;
}

LinkTarget ResolveLink(const std::string& path) {
  LinkTarget target{path};
  // A chain longer than the system itself follows is no file to write.
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st;
    if (::lstat(target.path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    char buffer[4096];
    const ssize_t n = ::readlink(target.path.c_str(), buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) == sizeof buffer) break;
    const std::string named(buffer, static_cast<size_t>(n));
    target.path = named.front() == '/' ? named : FolderOf(target.path) + "/" + named;
    target.isLink = true;
  }
  target.known = false;
  return target;
}

LockFile::LockFile(std::string path) : path_(std::move(path)) {}

void LockFile::Retarget(const std::string& path) {
  if (path == path_) return;
  Close();
  path_ = path;
}

LockFile::~LockFile() { Close(); }

bool LockFile::Open(bool create) {
  if (handle_ >= 0) return true;
  int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

bool LockFile::Lock(int waitMilliseconds, WriteFault* why) {
  if (why) *why = WriteFault::Other;
  if (!Open(true)) {
    if (why && IsFolder(path_)) *why = WriteFault::FolderInTheWay;
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
  for (int pause = 1;; pause = pause < 20 ? pause * 2 : 20) {
    if (::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0) break;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return false;
    if (std::chrono::steady_clock::now() >= deadline) {
      if (why) *why = WriteFault::Busy;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(pause));
  }
  locked_ = true;
  return true;
}

void LockFile::Unlock() {
  if (locked_) ::flock(static_cast<int>(handle_), LOCK_UN);
  locked_ = false;
}

void LockFile::Close() {
  Unlock();
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

bool CanWriteExisting(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT;
  // A file without any write bit counts as read-only even for a user (root)
  // whom the system would let write it anyway, as a read-only attribute would.
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  return ::access(path.c_str(), W_OK) == 0;
}

bool ReplaceFileDurably(const std::string& path, const std::string& tempPath, const std::string& bytes,
                        WriteFault* why) {
  if (why) *why = WriteFault::Other;
  mode_t mode = 0666;
  struct stat st;
  bool existed = ::stat(path.c_str(), &st) == 0;
  if (existed) mode = st.st_mode & 07777;
  Fd fd(::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) {
    if (why && errno == EISDIR) *why = WriteFault::FolderInTheWay;
    return false;
  }
  // The new file keeps the old one's permissions (umask applied at creation
  // otherwise); set before the flush so that they are on disk with the data.
  bool ok = !existed || ::fchmod(fd.get(), mode) == 0;
  ok = ok && WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  ok = fd.Close() && ok;
  if (ok) ok = ::rename(tempPath.c_str(), path.c_str()) == 0;
  if (!ok) {
    const int error = errno;
    ::unlink(tempPath.c_str());
    errno = error;
    return false;
  }
  // The rename itself is durable only once the folder is flushed.
  Fd dir(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

bool WriteFileFlushed(const std::string& path, const std::string& bytes) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) return false;
  bool ok = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  return fd.Close() && ok;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool OverwriteInPlace(const std::string& path, const std::string& bytes, WriteFault* why) {
  if (why) *why = WriteFault::Other;
  Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.get() < 0) return false;
  bool ok = WriteAll(fd.get(), bytes) && ::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) == 0 &&
            ::fsync(fd.get()) == 0;
  return fd.Close() && ok;
}

bool OverwriteDurably(const std::string& path, const std::string& journalPath, const std::string& bytes,
                      WriteFault* why) {
  if (why) *why = WriteFault::Other;
  {
    Fd journal(::open(journalPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (journal.get() < 0) {
      if (why && errno == EISDIR) *why = WriteFault::FolderInTheWay;
      return false;
    }
    bool ok =
        WriteAll(journal.get(), JournalHeader(bytes)) && WriteAll(journal.get(), bytes) && ::fsync(journal.get()) == 0;
    ok = journal.Close() && ok;
    if (!ok) {
      const int error = errno;
      ::unlink(journalPath.c_str());
      errno = error;
      return false;
    }
  }
  // The journal's name on disk too, before the file changes.
  {
    Fd dir(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
  }
  Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    const int error = errno;
    ::unlink(journalPath.c_str());
    errno = error;
    return false;
  }
  bool ok = WriteAll(fd.get(), bytes) && ::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) == 0 &&
            ::fsync(fd.get()) == 0;
  ok = fd.Close() && ok;
  if (!ok) return false;  // the journal finishes the copy later
  ::unlink(journalPath.c_str());
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace tvx::fileio
