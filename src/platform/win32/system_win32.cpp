// Process services, the shell's execute, the environment and the system's
// error texts.
#include "platform/win32/win32_platform.h"

// These need <windows.h>, which the header brings, included first.
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace tvx::win32 {
namespace {

struct LocalDeleter {
  void operator()(char* p) const { LocalFree(p); }
};

// FormatMessageA from the system's table; empty when it has no text.
std::string SystemText(DWORD code) {
  char* raw = nullptr;
  DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<char*>(&raw), 0, nullptr);
  std::unique_ptr<char, LocalDeleter> owned(raw);
  if (length == 0 || !raw) return {};
  std::string text(raw, length);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

std::string SystemErrorText(HRESULT result) {
  std::string text = SystemText(static_cast<DWORD>(result));
  if (!text.empty()) return text;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "OLE error %.8lX", static_cast<unsigned long>(static_cast<DWORD>(result)));
  return buffer;
}

std::string LastErrorText(DWORD code) {
  std::string text = SystemText(code);
  if (!text.empty()) return text;
  return "System error " + std::to_string(code);
}

// ---------------------------------------------------------------------------

std::intptr_t Win32Shell::Execute(NativeWindow owner, const std::string& verb, const std::string& file,
                                  const std::string& params, const std::string& directory, int show) {
  // No verb means the target's default action. Parameters and directory go as
  // texts even when empty; the shell treats an empty directory as none.
  HINSTANCE result = ShellExecuteA(static_cast<HWND>(owner), verb.empty() ? nullptr : verb.c_str(), file.c_str(),
                                   params.c_str(), directory.c_str(), show);
  return reinterpret_cast<std::intptr_t>(result);
}

// ---------------------------------------------------------------------------

std::optional<std::string> Win32Environment::Expand(const std::string& text) {
  constexpr DWORD kArea = 0x8000;
  std::vector<char> area(kArea, '\0');
  DWORD needed = ExpandEnvironmentStringsA(text.c_str(), area.data(), kArea);
  // A result that does not fit leaves the area unfilled or cut: take nothing.
  // The ANSI call wants one spare character beyond the zero, so a result that
  // needs the whole area has already been cut.
  if (needed == 0 || needed >= kArea) return std::nullopt;
  return std::string(area.data(), strnlen(area.data(), kArea));
}

// ---------------------------------------------------------------------------

Win32System::~Win32System() {
  for (HANDLE mutex : mutexes_) CloseHandle(mutex);
  if (comInitialized_) CoUninitialize();
}

std::string Win32System::ModulePath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::string(buffer.data(), length);
    // Cut to fit: try again with more room (long paths reach 32767 characters).
    if (buffer.size() >= 0x10000) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::string Win32System::CommandLine() {
  const char* line = GetCommandLineA();
  return line ? line : "";
}

void Win32System::RaisePriority() { SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS); }

bool Win32System::PostQuitToWindow(const std::string& title) {
  HWND window = FindWindowA(nullptr, title.c_str());
  if (!window) return false;
  PostMessageA(window, WM_QUIT, 0, 0);
  return true;
}

bool Win32System::CreateInstanceMutex(const std::string& name) {
  HANDLE mutex = CreateMutexA(nullptr, TRUE, name.c_str());
  bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  if (!mutex) return false;  // not reported: this start runs as a first instance
  mutexes_.push_back(mutex);
  return existed;
}

void Win32System::InitializeCom() {
  if (comTried_) return;
  comTried_ = true;
  comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
}

int Win32System::CollateCompare(const std::string& a, const std::string& b) { return lstrcmpA(a.c_str(), b.c_str()); }

int Win32System::CollateCompareNoCase(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str());
}

// ---------------------------------------------------------------------------

Win32Platform::Win32Platform() : platform_{registry_, shell_, environment_, files_, links_, system_} {}

}  // namespace tvx::win32
