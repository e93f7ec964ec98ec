// Process entry of TVX.exe: the real platform and user interface, then one run.
// The program's headers come first: windows.h would rename MessageBox in them.
#include "app/program.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_ui.h"

#include <string>
#include <vector>

namespace {

// "major.minor.release.build" from the executable's own version resource.
std::string ProductVersion() {
  char path[MAX_PATH * 2] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return "1.0";
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path, 0, size, data.data())) return "1.0";
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info) return "1.0";
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  tvx::win32::Win32Platform platform;
  tvx::ui::Win32Ui ui(instance);
  return tvx::app::RunProgram(platform.Get(), ui, ProductVersion);
}
