#include "context/context.h"

#include "store/schema.h"

namespace tvx {

std::string Context::DataFile() const { return store::DataFilePath(exeFolder); }

int Context::Collate(const std::string& a, const std::string& b) const { return platform.system.CollateCompare(a, b); }

int Context::CollateNoCase(const std::string& a, const std::string& b) const {
  return platform.system.CollateCompareNoCase(a, b);
}

bool Context::AppendCollationKey(std::string_view text, std::string& keys) const {
  return platform.system.AppendCollationKey(text, false, keys);
}

bool Context::AppendCollationKeyNoCase(std::string_view text, std::string& keys) const {
  return platform.system.AppendCollationKey(text, true, keys);
}

}  // namespace tvx
