// File and folder tests, whole-file writes and the shell's special folders.
#include "platform/win32/win32_platform.h"

// These need <windows.h>, which the header brings, included first.
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/file_io.h"

namespace tvx::win32 {
namespace {

struct PidlDeleter {
  void operator()(ITEMIDLIST* p) const { CoTaskMemFree(p); }
};

}  // namespace

bool Win32FileSystem::FileExists(const std::string& path) {
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::DirectoryExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::string> Win32FileSystem::WriteNewFile(const std::string& path, const std::string& bytes) {
  // Written as the data file is: a new file, flushed, then renamed over the
  // old one, so that a failure keeps the old file whole.
  if (fileio::ReplaceFileDurably(path, path + ".tmp", bytes)) return std::nullopt;
  return LastErrorText(GetLastError());
}

bool Win32FileSystem::DeleteFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

std::optional<std::string> Win32FileSystem::SpecialFolder(int csidl) {
  ITEMIDLIST* raw = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &raw)) || !raw) return std::nullopt;
  std::unique_ptr<ITEMIDLIST, PidlDeleter> items(raw);
  char path[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(items.get(), path)) return std::nullopt;
  std::string folder(path, strnlen(path, MAX_PATH));
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

std::optional<std::string> Win32FileSystem::SpecialFolderCreate(int csidl) {
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) return std::nullopt;
  return std::string(path, strnlen(path, MAX_PATH));
}

std::string Win32FileSystem::TempFolder() {
  std::vector<char> buffer(MAX_PATH, '\0');
  for (;;) {
    DWORD length = GetTempPathA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return {};
    if (length < buffer.size()) return std::string(buffer.data(), length);
    // Too long for the area: the call filled nothing and told the size needed.
    buffer.assign(length + 1, '\0');
  }
}

}  // namespace tvx::win32
