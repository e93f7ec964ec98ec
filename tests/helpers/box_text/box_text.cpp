// Prints the text of an edit box of another program's window, in UTF-8,
// as that program holds it: for scripts that type into the real windows
// and must see what arrived.
//
// Usage: box_text "Window title" [n]     the n-th edit box (0: the first)
// Exits 1 when the window or the box is not found.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  HWND window = FindWindowA(nullptr, argv[1]);  // the program's titles are ASCII
  HWND box = nullptr;
  for (int n = argc > 2 ? std::atoi(argv[2]) : 0; window && n >= 0; --n)
    box = FindWindowExW(window, box, L"Edit", nullptr);
  if (!box) return 1;
  // Sent, not read with GetWindowText: that gives only the caption of
  // another process's window, never a control's text.
  wchar_t text[4096] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(box, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &copied))
    return 1;
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  std::fwrite(out.data(), 1, std::strlen(out.c_str()), stdout);
  return 0;
}
