// Win32 implementation of the file primitives.
#include <windows.h>

#include "platform/file_io.h"

namespace tvx::fileio {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  bool Close() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

bool WriteAll(HANDLE h, const std::string& bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!::WriteFile(h, p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    left -= written;
  }
  return true;
}

}  // namespace

ReadStatus ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  // Sharing delete lets a writer rename a new file over this one while we read.
  Handle h(
      ::CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!h.valid()) {
    DWORD e = ::GetLastError();
    return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? ReadStatus::Missing : ReadStatus::Failed;
  }
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(h.get(), &size)) return ReadStatus::Failed;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  size_t got = 0;
  for (;;) {
    if (got == bytes.size()) bytes.resize(got + 4096 + got / 2);  // the file grew meanwhile
    size_t want = bytes.size() - got;
    DWORD chunk = want > (1u << 30) ? (1u << 30) : static_cast<DWORD>(want);
    DWORD n = 0;
    if (!::ReadFile(h.get(), bytes.data() + got, chunk, &n, nullptr)) {
      bytes.clear();
      return ReadStatus::Failed;
    }
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return ReadStatus::Ok;
}

// A lock file rather than a named mutex: it works for every spelling of the
// path (short names, mapped drives, UNC) and across machines sharing a folder.
FileLock::FileLock(const std::string& lockPath) {
  HANDLE h = ::CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  handle_ = reinterpret_cast<long long>(h);
  OVERLAPPED ov{};
  held_ = ::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &ov) != 0;
}

FileLock::~FileLock() {
  if (handle_ == -1) return;
  HANDLE h = reinterpret_cast<HANDLE>(handle_);
  if (held_) {
    OVERLAPPED ov{};
    ::UnlockFileEx(h, 0, 1, 0, &ov);
  }
  ::CloseHandle(h);
}

bool CanWriteExisting(const std::string& path) {
  DWORD attrs = ::GetFileAttributesA(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) {
    DWORD e = ::GetLastError();
    return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
  }
  if (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
  Handle h(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  // Another program holding it open is no lack of permission; the rename retries.
  return h.valid() || ::GetLastError() == ERROR_SHARING_VIOLATION;
}

bool ReplaceFileDurably(const std::string& path, const std::string& tempPath, const std::string& bytes) {
  DWORD keep = FILE_ATTRIBUTE_NORMAL;
  DWORD old = ::GetFileAttributesA(path.c_str());
  if (old != INVALID_FILE_ATTRIBUTES) {
    DWORD a = old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (a) keep = a;
  }
  // A temporary file left by a writer that was killed is simply replaced.
  ::SetFileAttributesA(tempPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(tempPath.c_str());
  bool ok;
  {
    Handle h(::CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, keep, nullptr));
    if (!h.valid()) return false;
    ok = WriteAll(h.get(), bytes) && ::FlushFileBuffers(h.get());
    ok = h.Close() && ok;
  }
  if (ok) {
    // A reader or a scanner may have the old file open for a moment.
    ok = false;
    for (int attempt = 0; attempt < 50 && !ok; ++attempt) {
      if (::MoveFileExA(tempPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = true;
      } else {
        DWORD e = ::GetLastError();
        if (e != ERROR_ACCESS_DENIED && e != ERROR_SHARING_VIOLATION && e != ERROR_LOCK_VIOLATION) break;
        ::Sleep(20);
      }
    }
  }
  if (!ok) ::DeleteFileA(tempPath.c_str());
  return ok;
}

bool WriteFileFlushed(const std::string& path, const std::string& bytes) {
  Handle h(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
  if (!h.valid()) return false;
  bool ok = WriteAll(h.get(), bytes) && ::FlushFileBuffers(h.get());
  return h.Close() && ok;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

}  // namespace tvx::fileio
