// The parts of the file primitives that are the same on every system.
#include "platform/file_io.h"

namespace tvx::fileio {}  // namespace tvx::fileio
