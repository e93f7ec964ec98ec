#pragma once
// The benchmark data file: 10,000 commands in section Command.
#include <string>
#include <vector>

namespace tvx::bench {

struct CommandFile {
  std::string path;
  std::vector<std::string> names;
};

// Writes the file once per run and returns it.
const CommandFile& TenThousandCommands();

// The platform's own profile calls (Windows only): lists the section's keys
// and reads every value; returns the number of values read, or -1 when the
// platform has no such calls.
long PlatformReadAll(const std::string& path, const std::string& section);

}  // namespace tvx::bench
