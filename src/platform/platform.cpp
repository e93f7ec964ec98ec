#include "platform/platform.h"

namespace tvx {

std::string ExecutableFolder(const std::string& modulePath) {
  auto pos = modulePath.find_last_of("\\/:");
  if (pos == std::string::npos) return std::string();
  return modulePath.substr(0, pos + 1);
}

}  // namespace tvx
