// Stand-in for a launched program (a GUI-subsystem program, which the shell
// starts without a console): appends one line, "<command line>\t<working
// directory>", to the file named by TVX_RECORD, then ends.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  char recordPath[MAX_PATH * 2] = {};
  if (!GetEnvironmentVariableA("TVX_RECORD", recordPath, sizeof recordPath)) return 2;
  char cwd[MAX_PATH * 2] = {};
  GetCurrentDirectoryA(sizeof cwd, cwd);
  std::string line = std::string(GetCommandLineA()) + "\t" + cwd + "\r\n";
  // Several recorders may start at once: retry while another holds the file.
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE h = CreateFileA(recordPath, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
