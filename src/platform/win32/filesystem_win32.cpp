// File and folder tests, whole-file writes and the shell's special folders.
#include "platform/win32/win32_platform.h"

// These need <windows.h>, which the header brings, included first.
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cwchar>

#include "platform/file_io.h"
#include "platform/win32/scoped.h"
#include "platform/win32/wide.h"

namespace tvx::win32 {

bool Win32FileSystem::FileExists(const std::string& path) {
  WIN32_FIND_DATAW found{};
  ScopedFind search(FindFirstFileW(Widen(path).c_str(), &found));
  if (!search) return false;
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::DirectoryExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::WriteNewFile(const std::string& path, const std::string& bytes, std::string& reason) {
  // Windows refuses to rename over a file marked read-only, Wine does not:
  // refuse it here, so that the page stays as the user protected it.
  if (!fileio::CanWriteExisting(path)) {
    reason = LastErrorText(ERROR_ACCESS_DENIED);
    return false;
  }
  // Written as the data file is: a new file, flushed, then renamed over the
  // old one, so that a failure keeps the old file whole.
  fileio::WriteFault why = fileio::WriteFault::Other;
  if (fileio::ReplaceFileDurably(path, path + ".tmp", bytes, &why)) return true;
  const DWORD error = GetLastError();
  // The rename over a file that another program holds open is refused as
  // "access denied"; the reason the user can act on is the sharing.
  reason = LastErrorText(why == fileio::WriteFault::HeldOpen ? ERROR_SHARING_VIOLATION : error);
  return false;
}

bool Win32FileSystem::RemoveFile(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != 0; }

std::optional<std::string> Win32FileSystem::ReadSmallFile(const std::string& path, std::size_t maxBytes) {
  std::string bytes;
  if (fileio::ReadWholeFile(path, bytes, maxBytes) != fileio::ReadStatus::Ok) return std::nullopt;
  return bytes;
}

namespace {

// The known folder behind each special-folder id the program asks for. Its
// path comes in an allocation of its own length, so a folder deeper than
// MAX_PATH characters is taken whole.
std::optional<KNOWNFOLDERID> KnownFolder(int csidl) {
  switch (csidl) {
    case kCsidlDesktop:
      return FOLDERID_Desktop;
    case kCsidlPrograms:
      return FOLDERID_Programs;
    case kCsidlAppData:
      return FOLDERID_RoamingAppData;
  }
  // Any other id: the shell's own table (COM is up on the calling thread).
  ComPtr<IKnownFolderManager> manager;
  KNOWNFOLDERID id{};
  if (FAILED(CoCreateInstance(CLSID_KnownFolderManager, nullptr, CLSCTX_INPROC_SERVER, IID_IKnownFolderManager,
                              manager.PutVoid())) ||
      FAILED(manager->FolderIdFromCsidl(csidl, &id)))
    return std::nullopt;
  return id;
}

std::optional<std::string> FolderPath(int csidl, bool create) {
  const std::optional<KNOWNFOLDERID> id = KnownFolder(csidl);
  if (!id) return std::nullopt;
  wchar_t* raw = nullptr;
  const HRESULT hr =
      SHGetKnownFolderPath(*id, static_cast<DWORD>(create ? KF_FLAG_CREATE : KF_FLAG_DEFAULT), nullptr, &raw);
  ScopedCoTaskMemory owned(raw);
  if (FAILED(hr) || !raw) return std::nullopt;
  std::string folder = Narrow(raw);
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  if (folder.empty()) return std::nullopt;
  return folder;
}

}  // namespace

std::optional<std::string> Win32FileSystem::SpecialFolder(int csidl) { return FolderPath(csidl, false); }

std::optional<std::string> Win32FileSystem::SpecialFolderCreate(int csidl) { return FolderPath(csidl, true); }

std::string Win32FileSystem::TempFolder() {
  std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
  for (;;) {
    DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return {};
    if (length < buffer.size()) return Narrow(std::wstring_view(buffer.data(), length));
    // Too long for the area: the call filled nothing and told the size needed.
    buffer.assign(length + 1, L'\0');
  }
}

}  // namespace tvx::win32
