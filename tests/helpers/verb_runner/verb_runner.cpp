// Runs the Explorer context-menu command for one item as the shell would:
// reads the verb's command line from the registry (the user's classes first,
// then the merged view, as Windows merges them and Wine does not), puts the
// item's path in place of %1 and starts it. Exit code 0 when the process started.
#include <windows.h>

#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  char data[4096] = {};
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\AllFilesystemObjects\\Shell\\SetTVXcmd\\Command", 0,
                    KEY_READ, &key) != ERROR_SUCCESS &&
      RegOpenKeyExA(HKEY_CLASSES_ROOT, "AllFilesystemObjects\\Shell\\SetTVXcmd\\Command", 0, KEY_READ, &key) !=
          ERROR_SUCCESS)
    return 3;
  LONG rc = RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return 4;
  std::string command = data;
  auto at = command.find("%1");
  if (at == std::string::npos) return 5;
  command.replace(at, 2, argv[1]);
  std::vector<char> buf(command.begin(), command.end());
  buf.push_back('\0');
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 6;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 0;
}
