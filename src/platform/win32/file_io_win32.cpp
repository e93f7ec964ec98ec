// Win32 implementation of the file primitives.
#include <windows.h>

#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <iterator>
#include <vector>

#include "platform/file_io.h"
#include "platform/win32/scoped.h"
#include "platform/win32/wide.h"

namespace tvx::fileio {
namespace {

using win32::Widen;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

using win32::ScopedHandle;

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

ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes, unsigned* links) {
  bytes.clear();
  if (links) *links = 0;
  // Sharing delete lets a writer rename a new file over this one while we read.
  ScopedHandle h(::CreateFileW(Widen(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!h) {
    DWORD e = ::GetLastError();
    return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? ReadStatus::Missing : ReadStatus::Failed;
  }
  // The size and the number of names in one call.
  FILE_STANDARD_INFO info;
  if (!::GetFileInformationByHandleEx(h.Get(), FileStandardInfo, &info, sizeof info)) return ReadStatus::Failed;
  const LARGE_INTEGER size = info.EndOfFile;
  if (links) *links = info.NumberOfLinks;
  if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) return ReadStatus::TooLarge;
  // One byte more than the size, so that the end shows without growing the
  // buffer, and room for a small edit of the text in place.
  bytes.reserve(static_cast<size_t>(size.QuadPart) + kEditRoom);
  bytes.resize(static_cast<size_t>(size.QuadPart) + 1);
  size_t got = 0;
  for (;;) {
    if (got == bytes.size()) bytes.resize(got + 4096 + got / 2);  // the file grew meanwhile
    size_t want = bytes.size() - got;
    DWORD chunk = want > (1u << 30) ? (1u << 30) : static_cast<DWORD>(want);
    DWORD n = 0;
    if (!::ReadFile(h.Get(), bytes.data() + got, chunk, &n, nullptr)) {
      bytes.clear();
      return ReadStatus::Failed;
    }
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return ReadStatus::Ok;
}

namespace {

// Under Wine a Unix symbolic link carries no reparse point: the program sees
// the file it names, or no file at all when that is missing.
bool UnixLinksLookLikeFiles() {
  static const bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// A path as the system's own names give it, without the "\\?\" that marks it.
std::wstring Plain(std::wstring path) {
  if (path.starts_with(L"\\??\\UNC\\") || path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
  if (path.starts_with(L"\\??\\") || path.starts_with(L"\\\\?\\")) return path.substr(4);
  return path;
}

// The path of the open file, every link on the way followed.
std::wstring FinalPath(HANDLE h) {
  std::wstring out(MAX_PATH, L'\0');
  DWORD n = ::GetFinalPathNameByHandleW(h, out.data(), static_cast<DWORD>(out.size()), FILE_NAME_NORMALIZED);
  if (n >= out.size()) {
    out.resize(n);
    n = ::GetFinalPathNameByHandleW(h, out.data(), static_cast<DWORD>(out.size()), FILE_NAME_NORMALIZED);
  }
  if (n == 0 || n >= out.size()) return std::wstring();
  out.resize(n);
  return Plain(out);
}

// Whether the final path of a file is the path it was opened by.
bool SamePath(const std::wstring& named, const std::wstring& path) {
  wchar_t full[MAX_PATH * 4];
  const DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
  return n == 0 || n >= std::size(full) ||
         ::CompareStringOrdinal(named.c_str(), -1, full, static_cast<int>(n), TRUE) == CSTR_EQUAL;
}

// The target a symbolic link's reparse point names, whether it exists or
// not; false for a file that is no symbolic link (another kind of reparse
// point, a cloud file say, is the file itself).
bool ReadSymbolicLink(const std::wstring& path, std::wstring& target) {
  ScopedHandle h(::CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h) return false;
  // REPARSE_DATA_BUFFER's symbolic link form, which the SDK keeps in the driver headers.
  struct SymbolicLinkData {
    ULONG tag;
    USHORT dataLength, reserved;
    USHORT substituteOffset, substituteLength, printOffset, printLength;
    ULONG flags;
    WCHAR names[1];
  };
  std::vector<unsigned char> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD n = 0;
  if (!::DeviceIoControl(h.Get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(), static_cast<DWORD>(buffer.size()),
                         &n, nullptr) ||
      n < offsetof(SymbolicLinkData, names))
    return false;
  SymbolicLinkData data;
  std::memcpy(&data, buffer.data(), offsetof(SymbolicLinkData, names));
  if (data.tag != IO_REPARSE_TAG_SYMLINK) return false;
  const size_t names = offsetof(SymbolicLinkData, names);
  if (names + data.substituteOffset + data.substituteLength > n) return false;
  std::wstring named(data.substituteLength / sizeof(wchar_t), L'\0');
  std::memcpy(named.data(), buffer.data() + names + data.substituteOffset, data.substituteLength);
  constexpr ULONG kRelative = 1;  // SYMLINK_FLAG_RELATIVE
  target = (data.flags & kRelative) ? FolderOf(path) + named : Plain(named);
  return true;
}

}  // namespace

LinkTarget ResolveLink(const std::string& path) {
  LinkTarget target{path};
  std::wstring wide = Widen(path);
  for (int hop = 0; hop < 32; ++hop) {
    const DWORD attrs = ::GetFileAttributesW(wide.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
      std::wstring next;
      if (!ReadSymbolicLink(wide, next)) break;
      wide = next;
      target.isLink = true;
      continue;
    }
    if (hop > 0 || !UnixLinksLookLikeFiles()) break;
    if (attrs != INVALID_FILE_ATTRIBUTES) {
      // The handle names the file a link leads to (one opened for no access
      // at all names the path it was opened by there).
      ScopedHandle h(::CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      const std::wstring named = h ? FinalPath(h.Get()) : std::wstring();
      if (!named.empty() && !SamePath(named, wide)) {
        wide = named;
        target.isLink = true;
      }
    } else if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
      // No file in a folder that is there, or a link that points nowhere.
      // Making the file through the name makes the one a link names; a
      // file made under the name itself is removed again.
      ScopedHandle made(
          ::CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
      const bool madeHere = static_cast<bool>(made);
      const DWORD error = made ? ERROR_SUCCESS : ::GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_PATH_NOT_FOUND) {
        // Nothing to open in a folder that is there, yet something in the
        // way: a link. Where it leads shows only once that file is made.
        target.isLink = true;
        made.Reset(::CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
        target.known = static_cast<bool>(made);
      } else if (!made) {
        // Refused, yet the folder takes a new file of another name: the
        // name leads into a folder that cannot be written. Replacing it by
        // rename would turn the link into a plain file.
        ScopedHandle probe(::CreateFileW((wide + L".probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (probe) {
          target.isLink = true;
          target.known = false;
        }
      }
      if (!made) break;
      made.Reset();
      // The path of the file just made shows when it is opened again.
      ScopedHandle h(::CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      const std::wstring named = h ? FinalPath(h.Get()) : std::wstring();
      h.Reset();
      if (!named.empty() && !SamePath(named, wide)) {
        wide = named;
        target.isLink = true;
      } else if (madeHere) {
        ::DeleteFileW(wide.c_str());
      }
    }
    break;
  }
  target.path = win32::Narrow(wide);
  return target;
}

// A lock file rather than a named mutex: it works for every spelling of the
// path (short names, mapped drives, UNC) and across machines sharing a folder.
LockFile::LockFile(std::string path) : path_(std::move(path)) {}

void LockFile::Retarget(const std::string& path) {
  if (path == path_) return;
  Close();
  path_ = path;
}

LockFile::~LockFile() { Close(); }

bool LockFile::Open(bool create) {
  if (handle_ != -1) return true;
  HANDLE h = ::CreateFileW(Widen(path_).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                           create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<long long>(h);
  return true;
}

namespace {
// The wait cursor while a write waits for another program: the wait holds up
// the window, which cannot show it any other way.
class WaitCursor {
 public:
  WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)))) {}  // IDC_WAIT
  ~WaitCursor() { ::SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};
}  // namespace

bool LockFile::Lock(int waitMilliseconds, WriteFault* why) {
  if (why) *why = WriteFault::Other;
  if (!Open(true)) {
    if (why && IsFolder(path_)) *why = WriteFault::FolderInTheWay;
    return false;
  }
  // Every copy of the program locks this one byte, far past the file's end.
  auto tryLock = [this] {
    OVERLAPPED ov{};
    ov.Offset = 0x7FFFFFF0u;
    return ::LockFileEx(reinterpret_cast<HANDLE>(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                        &ov) != 0;
  };
  if (tryLock()) return locked_ = true;
  if (::GetLastError() != ERROR_LOCK_VIOLATION && ::GetLastError() != ERROR_IO_PENDING) return false;
  WaitCursor cursor;
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(waitMilliseconds);
  for (DWORD pause = 1;; pause = pause < 20 ? pause * 2 : 20) {
    ::Sleep(pause);
    if (tryLock()) return locked_ = true;
    if (::GetTickCount64() >= deadline) break;
  }
  if (why) *why = WriteFault::Busy;
  return false;
}

void LockFile::Unlock() {
  if (!locked_) return;
  OVERLAPPED ov{};
  ov.Offset = 0x7FFFFFF0u;
  ::UnlockFileEx(reinterpret_cast<HANDLE>(handle_), 0, 1, 0, &ov);
  locked_ = false;
}

void LockFile::Close() {
  Unlock();
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}

bool CanWriteExisting(const std::string& path) {
  DWORD attrs = ::GetFileAttributesW(Widen(path).c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) {
    DWORD e = ::GetLastError();
    return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
  }
  // Write permission itself shows when the replacement is refused (see
  // ReplaceFileDurably): asking here would cost an open on every write.
  return (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

namespace {
// After a refused rename: whether the file may not be written at all (rather
// than being held open by a reader or a scanner for a moment).
bool WriteDenied(const std::string& path) {
  ScopedHandle h(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  return !h && ::GetLastError() == ERROR_ACCESS_DENIED;
}
}  // namespace

namespace {
// Renames the open file over path (same folder): through the handle, so that
// the system need not open the file again by name, as MoveFileEx does.
bool RenameOver(HANDLE h, const std::wstring& path) {
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + (path.size() + 1) * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(path.size() * sizeof(wchar_t));
  std::memcpy(info->FileName, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
  return ::SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}
}  // namespace

bool ReplaceFileDurably(const std::string& path, const std::string& tempPath, const std::string& bytes,
                        WriteFault* why) {
  if (why) *why = WriteFault::Other;
  const std::wstring widePath = Widen(path), wideTemp = Widen(tempPath);
  DWORD keep = FILE_ATTRIBUTE_NORMAL;
  DWORD old = ::GetFileAttributesW(widePath.c_str());
  if (old != INVALID_FILE_ATTRIBUTES) {
    DWORD a = old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (a) keep = a;
  }
  const DWORD access = GENERIC_WRITE | DELETE;  // DELETE: renamed through the handle
  ScopedHandle h(::CreateFileW(wideTemp.c_str(), access, 0, nullptr, CREATE_ALWAYS, keep, nullptr));
  if (!h) {
    const DWORD error = ::GetLastError();
    if (IsFolder(tempPath)) {
      if (why) *why = WriteFault::FolderInTheWay;
      ::SetLastError(error);
      return false;
    }
    // A temporary file left by a writer that was killed, with attributes
    // that refuse replacing it: remove it and try once more.
    ::SetFileAttributesW(wideTemp.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(wideTemp.c_str());
    h.Reset(::CreateFileW(wideTemp.c_str(), access, 0, nullptr, CREATE_ALWAYS, keep, nullptr));
    if (!h) return false;
  }
  bool ok = WriteAll(h.Get(), bytes) && ::FlushFileBuffers(h.Get());
  DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
  if (ok) {
    // A reader, a scanner or an indexer may have the old file open for a
    // moment: retry for a few seconds, no longer.
    ok = false;
    const ULONGLONG deadline = ::GetTickCount64() + 3000;
    for (DWORD pause = 10;; pause = pause < 100 ? pause * 2 : 100) {
      if (RenameOver(h.Get(), widePath)) {
        ok = true;
        break;
      }
      error = ::GetLastError();
      if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) break;
      if (error == ERROR_ACCESS_DENIED && WriteDenied(path)) break;
      if (::GetTickCount64() >= deadline) {
        if (why) *why = WriteFault::HeldOpen;
        break;
      }
      ::Sleep(pause);
    }
  }
  h.Reset();  // the data is on disk already: closing cannot lose it
  if (!ok) {
    ::DeleteFileW(wideTemp.c_str());
    ::SetLastError(error);
  }
  return ok;
}

bool WriteFileFlushed(const std::string& path, const std::string& bytes) {
  ScopedHandle h(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return false;
  bool ok = WriteAll(h.Get(), bytes) && ::FlushFileBuffers(h.Get());
  return ::CloseHandle(h.Release()) && ok;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileW(Widen(path).c_str()) != 0; }

namespace {
// Opens the file for writing in place, retrying for a few seconds while
// another program holds it open without sharing writes.
ScopedHandle OpenInPlace(const std::wstring& path, WriteFault* why) {
  const ULONGLONG deadline = ::GetTickCount64() + 3000;
  for (DWORD pause = 10;; pause = pause < 100 ? pause * 2 : 100) {
    ScopedHandle h(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h) return h;
    const DWORD error = ::GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return h;
    if (::GetTickCount64() >= deadline) {
      if (why) *why = WriteFault::HeldOpen;
      return h;
    }
    ::Sleep(pause);
  }
}

bool WriteOver(HANDLE h, const std::string& bytes) {
  return WriteAll(h, bytes) && ::SetEndOfFile(h) && ::FlushFileBuffers(h);
}
}  // namespace

bool OverwriteInPlace(const std::string& path, const std::string& bytes, WriteFault* why) {
  if (why) *why = WriteFault::Other;
  ScopedHandle h = OpenInPlace(Widen(path), why);
  return h && WriteOver(h.Get(), bytes);
}

bool OverwriteDurably(const std::string& path, const std::string& journalPath, const std::string& bytes,
                      WriteFault* why) {
  if (why) *why = WriteFault::Other;
  const std::wstring wideJournal = Widen(journalPath);
  {
    ScopedHandle journal(
        ::CreateFileW(wideJournal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!journal) {
      const DWORD error = ::GetLastError();
      if (why && IsFolder(journalPath)) *why = WriteFault::FolderInTheWay;
      ::SetLastError(error);
      return false;
    }
    if (!WriteAll(journal.Get(), JournalHeader(bytes)) || !WriteAll(journal.Get(), bytes) ||
        !::FlushFileBuffers(journal.Get())) {
      const DWORD error = ::GetLastError();
      journal.Reset();
      ::DeleteFileW(wideJournal.c_str());
      ::SetLastError(error);
      return false;
    }
  }
  ScopedHandle h = OpenInPlace(Widen(path), why);
  if (!h) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(wideJournal.c_str());
    ::SetLastError(error);
    return false;
  }
  if (!WriteOver(h.Get(), bytes)) return false;  // the journal finishes the copy later
  h.Reset();
  ::DeleteFileW(wideJournal.c_str());
  return true;
}

bool IsFolder(const std::string& path) {
  const DWORD attrs = ::GetFileAttributesW(Widen(path).c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace tvx::fileio
