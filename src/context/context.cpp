#include "context/context.h"

namespace tvx {

std::string Context::DataFile() const { return store::DataFilePath(exeFolder); }

int Context::CollateNoCase(const std::string& a, const std::string& b) const {
  return platform.system.CollateCompareNoCase(a, b);
}

std::optional<std::string> Context::CollationKeyNoCase(const std::string& text) const {
  return platform.system.CollationKeyNoCase(text);
}

}  // namespace tvx
