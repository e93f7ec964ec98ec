// The platform's own profile calls, the reference the engine replaces.
#include "data_file.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>

namespace tvx::bench {

long PlatformReadAll(const std::string& path, const std::string& section) {
  // A buffer large enough for every key, so both sides do the same work.
  std::vector<char> keys(1 << 22);
  DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", keys.data(), static_cast<DWORD>(keys.size()),
                                     path.c_str());
  long count = 0;
  char value[2048];
  for (DWORD i = 0; i < n && keys[i];) {
    const char* key = keys.data() + i;
    count += GetPrivateProfileStringA(section.c_str(), key, "", value, sizeof value, path.c_str()) > 0;
    i += static_cast<DWORD>(strlen(key)) + 1;
  }
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
  return count;
}

}  // namespace tvx::bench

#else

namespace tvx::bench {
long PlatformReadAll(const std::string&, const std::string&) { return -1; }
}  // namespace tvx::bench

#endif
