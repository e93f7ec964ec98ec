// Fuzz target: the command-line reader and start routing never crash, and
// what they return keeps its invariants.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  auto args = tvx::app::SplitArguments(line);
  for (const auto& a : args) {
    if (a.empty()) std::abort();  // the list ends before an empty token
    if (a.size() > line.size()) std::abort();
  }
  auto kind = tvx::app::ClassifyStart(args);
  if (kind == tvx::app::StartKind::Launch) {
    std::string joined = tvx::app::JoinLaunchNames(args);
    if (!joined.empty() &&
        (static_cast<unsigned char>(joined.front()) <= 32 || static_cast<unsigned char>(joined.back()) <= 32))
      std::abort();
  }
  return 0;
}
