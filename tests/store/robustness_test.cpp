// The data file under killed and concurrent writers: helper processes write
// keys while the test kills them at random moments or runs several at once.
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sstream>

#include "child_process.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "support/fake_platform.h"

namespace tvx::store {
namespace {

using test::ChildProcess;
using test::HelperProgram;

std::set<long> Acknowledged(const std::string& ackPath) {
  std::set<long> acked;
  if (!test::PathExists(ackPath)) return acked;
  std::istringstream in(test::ReadFileBytes(ackPath));
  std::string line;
  // A line cut by the kill has no line end yet: it does not count.
  while (std::getline(in, line) && !in.eof()) acked.insert(std::stol(line));
  return acked;
}

// Every line is whole: the header or one entry exactly as a writer writes it.
void ExpectWellFormed(const std::string& bytes, const std::string& prefix) {
  ASSERT_TRUE(bytes.empty() || bytes.substr(0, 11) == "[Command]\r\n") << bytes.substr(0, 40);
  size_t pos = bytes.empty() ? 0 : 11;
  std::set<std::string> seen;
  while (pos < bytes.size()) {
    size_t end = bytes.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos) << "torn last line at " << pos;
    std::string line = bytes.substr(pos, end - pos);
    size_t eq = line.find('=');
    ASSERT_NE(eq, std::string::npos) << line;
    std::string key = line.substr(0, eq);
    EXPECT_EQ(key.rfind(prefix, 0), 0u) << line;
    EXPECT_EQ(line.substr(eq + 1), "value-" + key + "|");
    EXPECT_TRUE(seen.insert(key).second) << "duplicate " << key;
    pos = end + 2;
  }
}

#ifdef _WIN32
constexpr int kMaxKillDelayMs = 60;  // Wine writes more slowly
#else
constexpr int kMaxKillDelayMs = 12;
#endif

uintmax_t AckSize(const std::string& ackPath) {
  std::error_code ec;
  uintmax_t size = std::filesystem::file_size(ackPath, ec);
  return ec ? 0 : size;
}

// Until the writer has acknowledged a write (bounded: a writer that fails shows in the checks).
void WaitForGrowth(const std::string& ackPath, uintmax_t from) {
  for (int waited = 0; waited < 5000 && AckSize(ackPath) <= from; ++waited) test::SleepMilliseconds(1);
}

// Rounds of a writer killed at random moments; batch > 0: each step writes
// that many keys as one change, which must be there wholly or not at all.
// With a second name the file is written in place through a journal: the
// next open finishes a copy a kill cut, and both names show the same.
void KillWritersAtRandom(int rounds, int batch, bool secondName = false) {
  test::TempDir dir;
  const std::string path = DataFilePath(dir.Path()), ack = dir.File("acks.txt"), other = dir.File("persist.dat");
  if (secondName) {
    test::WriteFileBytes(path, "");
    std::filesystem::create_hard_link(path, other);
  }
  std::mt19937 random(20240601);
  long next = 0;
  int killedWithWork = 0;
  for (int round = 0; round < rounds; ++round) {
    {
      ChildProcess writer(HelperProgram("store_writer"),
                          {path, ack, "k", std::to_string(next), "100000", std::to_string(batch)});
      ASSERT_TRUE(writer.Started()) << "helper store_writer not found beside the test";
      // Most rounds kill a writer that is busy writing, however slowly it
      // started (sanitizers, a loaded machine); the others may kill it anywhere.
      if (round % 4 != 0) WaitForGrowth(ack, AckSize(ack));
      test::SleepMilliseconds(static_cast<int>(random() % kMaxKillDelayMs));
      writer.Kill();
      writer.Wait();
    }
    std::set<long> acked = Acknowledged(ack);
    ProfileFile file(path);
    file.ReadString("Command", "k0");  // opens it
    std::string bytes = test::PathExists(path) ? test::ReadFileBytes(path) : "";
    ExpectWellFormed(bytes, "k");
    if (secondName) {
      ASSERT_EQ(test::ReadFileBytes(other), bytes) << "round " << round;
      ASSERT_EQ(test::NamesOf(path), 2u);
    }
    auto keysOf = [batch](long i) {
      std::vector<std::string> keys;
      for (int j = 0; j < std::max(batch, 1); ++j)
        keys.push_back("k" + std::to_string(i) + (batch > 0 ? "_" + std::to_string(j) : ""));
      return keys;
    };
    for (long i : acked)
      for (const std::string& key : keysOf(i))
        ASSERT_EQ(file.ReadString("Command", key), "value-" + key + "|")
            << "acknowledged write " << key << " lost in round " << round;
    // A batch cut by the kill left either none of its keys or all of them.
    for (long i = next; batch > 0 && i < next + 1000; ++i) {
      int present = 0;
      for (const std::string& key : keysOf(i)) present += !file.ReadString("Command", key).empty();
      ASSERT_TRUE(present == 0 || present == batch) << "half a batch " << i << " in round " << round;
    }
    if (!acked.empty() && *acked.rbegin() + 1 > next) {
      next = *acked.rbegin() + 1;
      ++killedWithWork;
    }
    // A step finished but not yet acknowledged is taken by the next round's numbers.
    while (batch > 0 && !file.ReadString("Command", keysOf(next)[0]).empty()) ++next;
    if (::testing::Test::HasFatalFailure() || ::testing::Test::HasFailure()) return;
  }
  EXPECT_GT(killedWithWork, rounds / 5) << "too few rounds got to write anything before the kill";
  // A clean run afterwards takes over any temporary file a killed writer left.
  ChildProcess last(HelperProgram("store_writer"), {path, ack, "k", std::to_string(next), "1"});
  EXPECT_EQ(last.Wait(), 0);
  EXPECT_FALSE(test::PathExists(path + ".tmp"));
  EXPECT_FALSE(test::PathExists(path + ".journal"));
}

TEST(DataFileRobustness, AWriterKilledAtAnyMomentLosesNoFinishedWriteAndTearsNothing) { KillWritersAtRandom(100, 0); }

TEST(DataFileRobustness, AWriterKilledDuringSeveralChangesLeavesAllOrNoneOfThem) { KillWritersAtRandom(40, 5); }

TEST(DataFileRobustness, AWriterKilledAtAnyMomentLeavesOldOrNewContentUnderBothNamesOfAFile) {
  KillWritersAtRandom(100, 0, true);
}

// A file with a second name is copied over in place; a reader meanwhile
// sees the old content or the new, never a mix: a value at the start that
// grows and shrinks moves every byte after it.
TEST(DataFileRobustness, AReaderNeverSeesAFileOfTwoNamesHalfCopied) {
  test::TempDir dir;
  const std::string path = DataFilePath(dir.Path()), other = dir.File("persist.dat");
  constexpr int kLines = 40000;
  std::string bytes = "[Command]\r\na=x\r\n";
  for (int i = 0; i < kLines; ++i) bytes += "k" + std::to_string(i) + "=value-k" + std::to_string(i) + "|\r\n";
  test::WriteFileBytes(path, bytes);
  std::filesystem::create_hard_link(path, other);
  ChildProcess writer(HelperProgram("store_writer"), {path, dir.File("ack"), "a", "0", "60", "-1"});
  ASSERT_TRUE(writer.Started()) << "helper store_writer not started";
  const std::string last = "k" + std::to_string(kLines - 1);
  for (int read = 0; read < 200; ++read) {
    ProfileFile reader(path);
    const std::string a = reader.ReadString("Command", "a");
    ASSERT_TRUE(a == "x" || a == std::string(300, 'x')) << "read " << read << ": a is " << a.size() << " bytes";
    ASSERT_EQ(reader.ListKeys("Command").size(), static_cast<size_t>(kLines + 1)) << "read " << read;
    ASSERT_EQ(reader.ReadString("Command", last), "value-" + last + "|") << "read " << read;
  }
  EXPECT_EQ(writer.Wait(), 0);
}

// Writers at once into a file with a second name, and a reader as a launch
// is: no key is lost and the reader never sees a file half written.
TEST(DataFileRobustness, ConcurrentWritersLoseNoKey) {
  test::TempDir dir;
  const std::string path = DataFilePath(dir.Path()), other = dir.File("persist.dat");
  test::WriteFileBytes(path, "");
  std::filesystem::create_hard_link(path, other);
  constexpr int kWriters = 4, kKeys = 30;
  std::vector<std::unique_ptr<ChildProcess>> writers;
  for (int w = 0; w < kWriters; ++w)
    writers.push_back(std::make_unique<ChildProcess>(
        HelperProgram("store_writer"),
        std::vector<std::string>{path, dir.File("ack" + std::to_string(w)), "w" + std::to_string(w) + "_", "0",
                                 std::to_string(kKeys), w == 0 ? "2" : "0"}));
  size_t seen = 0;
  for (int read = 0; read < 300 && seen < static_cast<size_t>((kWriters + 1) * kKeys); ++read) {
    ProfileFile reader(path);
    const std::vector<std::string> keys = reader.ListKeys("Command");
    ExpectWellFormed(reader.Bytes(), "w");
    ASSERT_GE(keys.size(), seen) << "a reader saw keys vanish";
    seen = keys.size();
  }
  for (auto& w : writers) {
    EXPECT_TRUE(w->Started()) << "helper store_writer not started";
    EXPECT_EQ(w->Wait(), 0);
  }
  ProfileFile file(path);
  // The first writer makes two keys per change.
  EXPECT_EQ(file.ListKeys("Command").size(), static_cast<size_t>((kWriters + 1) * kKeys));
  for (int w = 0; w < kWriters; ++w)
    for (int i = 0; i < kKeys; ++i)
      for (const std::string& suffix : w == 0 ? std::vector<std::string>{"_0", "_1"} : std::vector<std::string>{""}) {
        std::string key = "w" + std::to_string(w) + "_" + std::to_string(i) + suffix;
        EXPECT_EQ(file.ReadString("Command", key), "value-" + key + "|");
      }
}

}  // namespace
}  // namespace tvx::store
