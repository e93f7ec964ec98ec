// Process entry of TVX.exe: the real platform and user interface, then one run.
#include <windows.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_ui.h"

namespace {

// "major.minor.release.build" from the executable's own version resource.
std::string ProductVersion(const std::string& modulePath) {
  const std::wstring path = tvx::win32::Widen(modulePath);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return "1.0";
  std::vector<char> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return "1.0";
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info) return "1.0";
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    tvx::win32::Win32Platform platform;
    tvx::ui::Win32Ui ui(instance);
    bool endAtOnce = false;
    int code = tvx::app::RunCatching(ui, [&] {
      tvx::Platform& p = platform.Get();
      return tvx::app::RunProgram(
          p, ui, [&p] { return ProductVersion(p.system.ModulePath()); }, &endAtOnce);
    });
    // The history writer still runs: ended with the process, before any
    // static object it uses is destroyed. Its file stays whole.
    if (endAtOnce) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
    return code;
  } catch (...) {
    // Not even the user interface could be set up: the system's own box is all
    // that is left to tell the user.
    MessageBoxW(nullptr, L"Tavrix could not start.", L"Tavrix", MB_OK | MB_ICONERROR);
    return tvx::app::kFailedExitCode;
  }
}
