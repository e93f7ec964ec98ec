#include "context/context.h"

namespace tvx {

std::string Context::DataFile() const { return store::DataFilePath(exeFolder); }

int Context::CollateNoCase(const std::string& a, const std::string& b) const {
  return platform.system.CollateCompareNoCase(a, b);
}

}  // namespace tvx
