// Data file engine figures against the platform's profile calls and against
// the plain file operations underneath.
#include <cstdio>
#include <filesystem>

#include "bench.h"
#include "data_file.h"
#include "platform/file_io.h"
#include "store/profile_file.h"

namespace tvx::bench {

const CommandFile& TenThousandCommands() {
  static CommandFile file = [] {
    CommandFile f;
    f.path = ScratchFolder() + "TVX.dat";
    std::string bytes = "[Command]\r\n";
    for (int i = 0; i < 10000; ++i) {
      f.names.push_back("cmd" + std::to_string(i * 7919 % 10007));
      bytes += f.names.back() + "=C:\\Program Files\\Vendor " + std::to_string(i) + "\\Tool\\app" + std::to_string(i) +
               ".exe|/option " + std::to_string(i) + "\r\n";
    }
    bytes += "[Template]\r\nwork=cmd1 cmd2\r\n[Settings]\r\nOSK=0\r\nHideCommand=1\r\n";
    fileio::WriteFileFlushed(f.path, bytes);
    return f;
  }();
  return file;
}

namespace {

long EngineReadAll(const std::string& path) {
  store::ProfileFile file(path);
  long n = 0;
  for (const auto& key : file.ListKeys("Command")) n += !file.ReadString("Command", key).empty();
  file.Release();
  return n;
}

Register listAndRead("data_file_list_read", "list 10,000 commands and read every value", [] {
  const auto& f = TenThousandCommands();
  long n = 0;
  double engine = BestMicroseconds(20, [&] { n = EngineReadAll(f.path); });
  Report("engine: open, list, read all (" + std::to_string(n) + " values)", engine);
  long m = 0;
  double platform = BestMicroseconds(1, [&] { m = PlatformReadAll(f.path, "Command"); });
  if (m < 0) {
    std::printf("  (no platform profile calls to compare with here)\n");
    return;
  }
  Report("platform profile calls: list, read all (" + std::to_string(m) + " values)", platform);
  ReportRatio("platform / engine", platform / engine, ">= 100");
});

Register openLookup("data_file_open_lookup", "open the 10,000-command file and look up 10 names", [] {
  const auto& f = TenThousandCommands();
  size_t found = 0;
  // The reader keeps its buffer between reads, as the engine keeps its
  // storage: fresh memory costs a page fault per page on first use.
  std::string bytes;
  auto [raw, engine] = BestMicrosecondsInTurn(
      200, [&] { fileio::ReadWholeFile(f.path, bytes); },
      [&] {
        store::ProfileFile file(f.path);
        for (int i = 0; i < 10; ++i) found += !file.ReadString("Command", f.names[i * 997]).empty();
      });
  Report("read the file's bytes", raw);
  Report("engine: open, parse, 10 lookups", engine);
  ReportRatio("engine / raw read", engine / raw, "<= 3");
});

Register durableWrite("data_file_write", "one durable write of one key in the 10,000-command file", [] {
  const auto& f = TenThousandCommands();
  std::string bytes;
  fileio::ReadWholeFile(f.path, bytes);
  const std::string copy = ScratchFolder() + "copy.dat";
  int round = 0;
  auto [raw, engine] = BestMicrosecondsInTurn(
      20, [&] { fileio::WriteFileFlushed(copy, bytes); },
      [&] {
        store::ProfileFile file(f.path);
        file.WriteString("Command", f.names[5000], "C:\\changed\\" + std::to_string(round++) + ".exe|");
      });
  Report("write the same bytes once and flush", raw);
  Report("engine: open, lock, edit, durable replace", engine);
  ReportRatio("engine / flushed write", engine / raw, "<= 2");
});

Register twoNames("data_file_write_two_names", "one durable write in the 10,000-command file with two names and one",
                  [] {
                    const auto& f = TenThousandCommands();
                    std::string bytes;
                    fileio::ReadWholeFile(f.path, bytes);
                    const std::string one = ScratchFolder() + "one.dat", two = ScratchFolder() + "two.dat";
                    fileio::WriteFileFlushed(one, bytes);
                    fileio::WriteFileFlushed(two, bytes);
                    std::error_code ec;
                    std::filesystem::create_hard_link(two, ScratchFolder() + "persist.dat", ec);
                    if (ec) {
                      std::printf("  (no hard links here)\n");
                      return;
                    }
                    int round = 0;
                    auto write = [&](const std::string& path) {
                      store::ProfileFile file(path);
                      file.WriteString("Command", f.names[5000], "C:\\changed\\" + std::to_string(round++) + ".exe|");
                    };
                    auto [single, both] = BestMicrosecondsInTurn(
                        20, [&] { write(one); }, [&] { write(two); });
                    Report("engine: durable write, one name (a new file renamed over it)", single);
                    Report("engine: durable write, two names (a journal, then in place)", both);
                    ReportRatio("two names / one name", both / single, "<= 2");
                  });

}  // namespace
}  // namespace tvx::bench
