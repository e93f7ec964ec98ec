#include <windows.h>

#include "platform/code_page.h"
#include "platform/utf8.h"
#include "platform/win32/wide.h"

namespace tvx::codepage {

namespace {

// A code page of one byte a character converts through a table of the
// UTF-8 of each byte, asked of the system once: a large file then costs no
// two passes through UTF-16.
struct SystemTable {
  bool usable = false;
  ByteTable table;
  SystemTable() {
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1) return;
    for (int b = 0; b < 256; ++b) {
      const char c = static_cast<char>(b);
      wchar_t w = 0;
      if (MultiByteToWideChar(CP_ACP, 0, &c, 1, &w, 1) != 1) return;
      const std::string u = win32::Narrow(std::wstring_view(&w, 1));
      if (u.empty() || u.size() > 3 || (b < 0x80 && u != std::string(1, c))) return;
      u.copy(table.utf8[b], u.size());
      table.size[b] = static_cast<unsigned char>(u.size());
    }
    usable = true;
  }
};

}  // namespace

bool AnsiToUtf8(std::string_view ansi, std::string& out) {
  out.clear();
  if (ansi.empty()) return true;
  static const SystemTable system;
  if (system.usable) {
    ConvertThroughTable(system.table, ansi, out);
    return true;
  }
  const int size = static_cast<int>(ansi.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), n);
  out = win32::Narrow(wide);
  return false;
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
