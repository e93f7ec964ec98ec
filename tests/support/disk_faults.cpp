#include "support/disk_faults.h"

#ifndef _WIN32
#include <signal.h>

#include <sys/resource.h>
#endif

namespace tvx::test {

#ifdef _WIN32
FullDisk::FullDisk(size_t) {}
FullDisk::~FullDisk() {}
bool FullDisk::Available() { return false; }
#else
// The file size limit stands in for the disk: a write past it fails with
// EFBIG, the signal it would also raise being ignored meanwhile.
FullDisk::FullDisk(size_t bytes) {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
  previous_ = limit.rlim_cur;
  ::signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = bytes;
  set_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}
FullDisk::~FullDisk() {
  if (!set_) return;
  struct rlimit limit;
  ::getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = static_cast<rlim_t>(previous_);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  ::signal(SIGXFSZ, SIG_DFL);
}
bool FullDisk::Available() { return true; }
#endif

}  // namespace tvx::test
