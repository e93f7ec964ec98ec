#include "context/context.h"

namespace tvx {

std::string Context::DataFile() const { return store::DataFilePath(exeFolder); }

int Context::CollateNoCase(const std::string& a, const std::string& b) const {
  return platform.system.CollateCompareNoCase(a, b);
}

bool Context::AppendCollationKeyNoCase(std::string_view text, std::string& keys) const {
  return platform.system.AppendCollationKey(text, true, keys);
}

}  // namespace tvx
