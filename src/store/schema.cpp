#include "store/schema.h"

#include "platform/platform.h"

namespace tvx::store {

std::string DataFilePath(const std::string& executableFolder) { return JoinPath(executableFolder, "TVX.dat"); }

std::string HistoryFilePath(const std::string& executableFolder) { return JoinPath(executableFolder, "TVX.hist"); }

}  // namespace tvx::store
