#include "platform/platform.h"

namespace tvx {

std::string ExecutableFolder(const std::string& modulePath) {
  auto pos = modulePath.find_last_of("\\/:");
  if (pos == std::string::npos) return std::string();
  return modulePath.substr(0, pos + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
  return folder + '\\' + name;
}

}  // namespace tvx
