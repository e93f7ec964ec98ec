// Process services, the shell's execute, the environment and the system's
// error texts.
#include "platform/win32/win32_platform.h"

// These need <windows.h>, which the header brings, included first.
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>

#include "platform/win32/scoped.h"
#include "platform/win32/wide.h"

namespace tvx::win32 {
namespace {

// FormatMessage from the system's table; empty when it has no text.
std::string SystemText(DWORD code) {
  wchar_t* raw = nullptr;
  DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
  ScopedLocalMemory owned(raw);
  if (length == 0 || !raw) return {};
  std::string text = Narrow(std::wstring_view(raw, length));
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// CompareString's 1, 2, 3 as <0, 0, >0.
int Collate(const std::string& a, const std::string& b, DWORD flags) {
  const std::wstring wa = Widen(a);
  const std::wstring wb = Widen(b);
  int result = CompareStringW(LOCALE_USER_DEFAULT, flags, wa.data(), static_cast<int>(wa.size()), wb.data(),
                              static_cast<int>(wb.size()));
  return result == 0 ? 0 : result - CSTR_EQUAL;
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
  const std::wstring wideVerb = Widen(verb);
  HINSTANCE result = ShellExecuteW(static_cast<HWND>(owner), verb.empty() ? nullptr : wideVerb.c_str(),
                                   Widen(file).c_str(), Widen(params).c_str(), Widen(directory).c_str(), show);
  return reinterpret_cast<std::intptr_t>(result);
}

// ---------------------------------------------------------------------------

std::optional<std::string> Win32Environment::Expand(const std::string& text) {
  constexpr DWORD kArea = 0x8000;  // characters, the terminating zero included
  std::vector<wchar_t> area(kArea, L'\0');
  DWORD needed = ExpandEnvironmentStringsW(Widen(text).c_str(), area.data(), kArea);
  // The count includes the zero. A result that does not fit leaves the area
  // unfilled or cut: take nothing. Some systems cut a result that needs the
  // whole area while still counting it as fitting, so the text delivered must
  // also be as long as the count says.
  if (needed == 0 || needed > kArea) return std::nullopt;
  const size_t length = wcsnlen(area.data(), kArea);
  if (length + 1 != needed) return std::nullopt;
  return Narrow(std::wstring_view(area.data(), length));
}

// ---------------------------------------------------------------------------

std::string Win32System::ModulePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return Narrow(std::wstring_view(buffer.data(), length));
    // Cut to fit: try again with more room (long paths reach 32767 characters).
    if (buffer.size() >= 0x10000) return Narrow(std::wstring_view(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

std::string Win32System::CommandLine() {
  const wchar_t* line = GetCommandLineW();
  return line ? Narrow(line) : std::string();
}

void Win32System::RaisePriority() { SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS); }

bool Win32System::PostQuitToWindow(const std::string& title) {
  HWND window = FindWindowW(nullptr, Widen(title).c_str());
  if (!window) return false;
  PostMessageW(window, WM_QUIT, 0, 0);
  return true;
}

bool Win32System::CreateInstanceMutex(const std::string& name) {
  ScopedHandle mutex(CreateMutexW(nullptr, TRUE, Widen(name).c_str()));
  bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  if (!mutex) return false;  // not reported: this start runs as a first instance
  mutexes_.push_back(std::move(mutex));
  return existed;
}

void Win32System::InitializeCom() {
  if (com_) return;
  com_.emplace();
}

int Win32System::CollateCompare(const std::string& a, const std::string& b) { return Collate(a, b, 0); }

int Win32System::CollateCompareNoCase(const std::string& a, const std::string& b) {
  return Collate(a, b, NORM_IGNORECASE);
}

// The system's sort keys compare byte by byte as CompareStringW compares the
// texts with the same flags. A long list asks for one key an item, so the
// usual short ASCII name goes through buffers on the stack.
bool Win32System::AppendCollationKey(std::string_view text, bool ignoreCase, std::string& keys) {
  wchar_t shortText[256];
  std::wstring longText;
  const wchar_t* wide = shortText;
  const bool ascii = text.size() < std::size(shortText) &&
                     std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) {
    std::copy(text.begin(), text.end(), shortText);
    shortText[text.size()] = L'\0';
  } else {
    longText = Widen(text);
    wide = longText.c_str();
  }
  const DWORD flags = LCMAP_SORTKEY | (ignoreCase ? NORM_IGNORECASE : 0);
  // The terminating zero counted (-1): an empty text has a key too. With
  // LCMAP_SORTKEY the output is bytes, counted in bytes.
  BYTE shortKey[1024];
  int n = LCMapStringW(LOCALE_USER_DEFAULT, flags, wide, -1, reinterpret_cast<LPWSTR>(shortKey), sizeof shortKey);
  if (n > 0) {
    keys.append(reinterpret_cast<const char*>(shortKey), static_cast<size_t>(n));
    return true;
  }
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  n = LCMapStringW(LOCALE_USER_DEFAULT, flags, wide, -1, nullptr, 0);
  if (n <= 0) return false;
  const size_t offset = keys.size();
  keys.resize(offset + static_cast<size_t>(n));
  n = LCMapStringW(LOCALE_USER_DEFAULT, flags, wide, -1, reinterpret_cast<LPWSTR>(keys.data() + offset), n);
  keys.resize(offset + static_cast<size_t>(std::max(n, 0)));
  return n > 0;
}

// ---------------------------------------------------------------------------

Win32Platform::Win32Platform() : platform_{registry_, shell_, environment_, files_, links_, system_} {}

}  // namespace tvx::win32
