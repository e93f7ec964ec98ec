#pragma once
// Reads a shortcut (.lnk) file through the shell's own link object, apart
// from the program's code, so that tests can check what the program wrote.
// Windows only; COM must be initialised on the calling thread.
#ifdef _WIN32
#include <string>

namespace tvx::test {

struct LinkDetails {
  std::string target, arguments, workingFolder, iconFile;
  int iconIndex = -1;
  unsigned short hotkey = 0;
};

// Empty details (icon index -1) when the file cannot be read as a link.
LinkDetails ReadShellLink(const std::string& linkPath);

}  // namespace tvx::test
#endif
