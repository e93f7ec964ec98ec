// Showing a file selected in its folder, and finding the program a bare name
// starts, for the launcher's "open the containing folder".
#include <string>

#include "platform/win32/scoped.h"
// clang-format off
#include <shellapi.h>
// clang-format on
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace tvx::win32 {

bool Win32Shell::ShowInFolder(const std::string& path) {
  // The shell's item id of the path; the folder view opens on its parent
  // with that one item selected.
  ScopedCoTaskMemory item;
  PIDLIST_ABSOLUTE pidl = nullptr;
  std::wstring wide = Widen(path);
  if (FAILED(SHParseDisplayName(wide.c_str(), nullptr, &pidl, 0, nullptr)) || !pidl) return false;
  item.Reset(pidl);
  if (SUCCEEDED(SHOpenFolderAndSelectItems(pidl, 0, nullptr, 0))) return true;
  // A shell without the folder windows' objects (Wine's, for one) still has
  // Explorer's own switch for the same view. Explorer is named by its full
  // path: a bare name would first find a program of that name beside TVX.exe.
  std::wstring windows(MAX_PATH, L'\0');
  UINT n = GetWindowsDirectoryW(windows.data(), MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  windows.resize(n);
  if (windows.back() != L'\\') windows += L'\\';
  const std::wstring explorer = windows + L"explorer.exe";
  std::wstring params = L"/select,\"" + wide + L"\"";
  HINSTANCE started = ShellExecuteW(nullptr, nullptr, explorer.c_str(), params.c_str(), nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(started) > 32;
}

std::optional<std::string> Win32Shell::FindOnSearchPath(const std::string& name) {
  std::wstring wide = Widen(name);
  std::wstring found(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = SearchPathW(nullptr, wide.c_str(), L".exe", static_cast<DWORD>(found.size()), found.data(), nullptr);
    if (n == 0) return std::nullopt;
    if (n < found.size()) {
      found.resize(n);
      break;
    }
    found.assign(n, L'\0');  // n counts the zero when the area was too small
  }
  // A folder of the name on the path is not a program.
  DWORD attributes = GetFileAttributesW(found.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
  return Narrow(found);
}

}  // namespace tvx::win32
