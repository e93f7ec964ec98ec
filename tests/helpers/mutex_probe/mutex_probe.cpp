// Creates the named mutex given as argument 1 the way the program's start does
// and reports through its exit code: 1 when it already existed, 0 when not,
// 2 on a usage error.
#include <cstring>

#include "platform/win32/win32_platform.h"

int main(int argc, char** argv) {
  if (argc < 2 || std::strlen(argv[1]) == 0) return 2;
  tvx::win32::Win32System system;
  return system.CreateInstanceMutex(argv[1]) ? 1 : 0;
}
