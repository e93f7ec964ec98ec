// The storage a released data file leaves for the next one this process
// opens, so that the next read does not fault in fresh pages.
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "store/profile_file_impl.h"

namespace tvx::store {

// Memory the process has not touched yet costs a page fault per page on its
// first use, which under some systems (Wine, for one: about 9 us per 4 KB
// page) costs several times the read of the file itself; the lists of the
// file's lines are as large. So a released file's storage is kept, up to a
// limit and for one file, for the next file the process opens.
struct ProfileFile::Impl::Storage {
  std::string data, raw, scratch;
  RecordArray<Entry> entries;
  RecordArray<uint32_t> hashes;
  std::vector<uint64_t> table;
  size_t Held() const {
    return data.capacity() + raw.capacity() + scratch.capacity() + entries.capacity() * sizeof(Entry) +
           hashes.capacity() * sizeof(uint32_t) + table.capacity() * sizeof(uint64_t);
  }

  static constexpr size_t kLimit = size_t{64} << 20;
  // The engine's one process-wide state, and deliberately so: each user
  // action opens and releases its own ProfileFile, from the launcher, the
  // manager and the shell alike, so no object but the process outlives one
  // file to hand its storage to the next.
  static Storage& Spare(std::unique_lock<std::mutex>& guard) {
    static std::mutex mutex;
    static Storage spare;
    guard = std::unique_lock<std::mutex>(mutex);
    return spare;
  }
  // Between a file and a Storage, or two Storages: the same members.
  template <typename A, typename B>
  static void Swap(A& a, B& b) {
    a.data.swap(b.data);
    a.raw.swap(b.raw);
    a.scratch.swap(b.scratch);
    a.entries.Swap(b.entries);
    a.hashes.Swap(b.hashes);
    a.table.swap(b.table);
  }
};

void ProfileFile::Impl::TakeSpare() {
  std::unique_lock<std::mutex> guard;
  Storage::Swap(*this, Storage::Spare(guard));
  data.clear();
  raw.clear();
  scratch.clear();
  entries.Clear();
  hashes.Clear();
  table.clear();
}

// Leaves this file's storage empty; the spare keeps the larger of its
// own and this, within the limit.
void ProfileFile::Impl::GiveSpare() {
  Storage mine;
  Storage::Swap(*this, mine);
  const size_t held = mine.Held();
  if (held > Storage::kLimit) return;
  std::unique_lock<std::mutex> guard;
  Storage& spare = Storage::Spare(guard);
  if (held <= spare.Held()) return;
  // What the spare held before goes with mine.
  Storage::Swap(spare, mine);
}

}  // namespace tvx::store
