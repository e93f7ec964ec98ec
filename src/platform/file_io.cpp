// The parts of the file primitives that are the same on every system.
#include "platform/file_io.h"

namespace tvx::fileio {

void EncodeCount(unsigned long long count, unsigned char (&bytes)[kCountBytes]) {
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<unsigned char>(count >> (8 * i));
    bytes[8 + i] = static_cast<unsigned char>(~count >> (8 * i));
  }
}

}  // namespace tvx::fileio
