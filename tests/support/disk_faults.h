#pragma once
// Faults of the disk for tests of what a failed write leaves behind.
#include <cstddef>

namespace tvx::test {

// A disk that is full: while the object lives, no file this process writes
// may grow past `bytes` (writes beyond fail as on a full disk). Smaller
// files, such as a data file after a deletion, are still written. Only where
// the system can limit file sizes (Available).
class FullDisk {
 public:
  explicit FullDisk(size_t bytes);
  ~FullDisk();
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;
  static bool Available();

 private:
  // Used only where the system can limit file sizes.
  [[maybe_unused]] unsigned long long previous_ = 0;
  [[maybe_unused]] bool set_ = false;
};

}  // namespace tvx::test
