#include <windows.h>

#include "platform/code_page.h"
#include "platform/win32/wide.h"

namespace tvx::codepage {

std::string AnsiToUtf8(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int size = static_cast<int>(ansi.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), n);
  return win32::Narrow(wide);
}

bool Utf8ToAnsi(std::string_view utf8, std::string& ansi) {
  ansi.clear();
  if (utf8.empty()) return true;
  if (!win32::IsValidUtf8(utf8)) return false;
  const std::wstring wide = win32::Widen(utf8);
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  ansi.assign(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, ansi.data(), n, nullptr, &usedDefault);
  // Some code pages take a character without the default one but not back
  // as itself; only an exact round trip counts as held.
  return !usedDefault && AnsiToUtf8(ansi) == utf8;
}

}  // namespace tvx::codepage
