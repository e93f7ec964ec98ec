// The parts of the file primitives that are the same on every system.
#include "platform/file_io.h"

namespace tvx::fileio {

void EncodeCount(unsigned long long count, unsigned char (&bytes)[kCountBytes]) {
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<unsigned char>(count >> (8 * i));
    bytes[8 + i] = static_cast<unsigned char>(~count >> (8 * i));
  }
}

bool DecodeCount(const unsigned char (&bytes)[kCountBytes], unsigned long long& count) {
  unsigned long long value = 0, check = 0;
  for (int i = 7; i >= 0; --i) {
    value = (value << 8) | bytes[i];
    check = (check << 8) | bytes[8 + i];
  }
  if (check != ~value) return false;
  count = value;
  return true;
}

}  // namespace tvx::fileio
