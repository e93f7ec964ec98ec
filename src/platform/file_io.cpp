// The parts of the file primitives that are the same on every system.
#include "platform/file_io.h"

#include <cstring>

namespace tvx::fileio {
namespace {

constexpr char kJournalMagic[8] = {'T', 'V', 'X', 'J', 'R', 'N', 'L', '1'};
constexpr size_t kJournalHeaderSize = 24;  // the mark, the length, the checksum

// Eight bytes at a time: a journal of a large file is summed in a fraction of
// the time its flush takes.
uint64_t Checksum(const char* p, size_t n) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  auto mix = [&h](uint64_t w) {
    h = (h ^ w) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
  };
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    mix(w);
  }
  uint64_t last = 0;
  std::memcpy(&last, p + i, n - i);
  mix(last);
  return h;
}

void PutNumber(std::string& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>(v >> (8 * i));
}

uint64_t GetNumber(const char* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return v;
}

}  // namespace

std::string JournalHeader(const std::string& bytes) {
  std::string header(kJournalMagic, sizeof kJournalMagic);
  PutNumber(header, bytes.size());
  PutNumber(header, Checksum(bytes.data(), bytes.size()));
  return header;
}

bool JournalContent(const std::string& journal, std::string& bytes) {
  if (journal.size() < kJournalHeaderSize || std::memcmp(journal.data(), kJournalMagic, sizeof kJournalMagic) != 0)
    return false;
  const uint64_t length = GetNumber(journal.data() + 8);
  if (length != journal.size() - kJournalHeaderSize) return false;
  if (GetNumber(journal.data() + 16) != Checksum(journal.data() + kJournalHeaderSize, length)) return false;
  bytes.assign(journal, kJournalHeaderSize, std::string::npos);
  return true;
}

bool ReadCompleteJournal(const std::string& journalPath, std::string& bytes) {
  std::string journal;
  return ReadWholeFile(journalPath, journal) == ReadStatus::Ok && JournalContent(journal, bytes);
}

JournalState SettleJournal(const std::string& path, const std::string& journalPath, std::string* journalBytes) {
  std::string journal, bytes;
  const ReadStatus status = ReadWholeFile(journalPath, journal);
  if (status == ReadStatus::Missing) return JournalState::None;
  if (status != ReadStatus::Ok || !JournalContent(journal, bytes)) {
    // Cut short: the writer died before it touched the file, which is whole.
    RemoveFile(journalPath);
    return JournalState::Discarded;
  }
  if (journalBytes) *journalBytes = bytes;
  if (!OverwriteInPlace(path, bytes)) return JournalState::Unfinished;
  RemoveFile(journalPath);
  return JournalState::Finished;
}

}  // namespace tvx::fileio
