// Stand-in for a launched program (a GUI-subsystem program, which the shell
// starts without a console): appends one line, "<command line>\t<working
// directory>" in UTF-8, to the file named by TVX_RECORD, then ends. Read
// through the wide calls, so that no character of either is lost.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.pop_back();  // the zero
  return out;
}

}  // namespace

int main() {
  wchar_t recordPath[MAX_PATH * 2] = {};
  if (!GetEnvironmentVariableW(L"TVX_RECORD", recordPath, MAX_PATH * 2)) return 2;
  wchar_t cwd[MAX_PATH * 2] = {};
  GetCurrentDirectoryW(MAX_PATH * 2, cwd);
  std::string line = Utf8(GetCommandLineW()) + "\t" + Utf8(cwd) + "\r\n";
  // Several recorders may start at once: retry while another holds the file.
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE h = CreateFileW(recordPath, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(h);
      return 0;
    }
    Sleep(10);
  }
  return 1;
}
