#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <vector>

#include "bench.h"

namespace tvx::bench {
namespace {

std::map<std::string, Measurement>& All() {
  static std::map<std::string, Measurement> all;
  return all;
}

struct Scratch {
  std::filesystem::path path;
  ~Scratch() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
};
Scratch scratch;

}  // namespace

Register::Register(std::string name, std::string description, std::function<void()> run) {
  All()[name] = Measurement{name, std::move(description), std::move(run)};
}

double BestMicroseconds(int repeats, const std::function<void()>& fn) {
  double best = 1e300;
  for (int i = 0; i < repeats; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    fn();
    auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  return best;
}

std::pair<double, double> BestMicrosecondsInTurn(int repeats, const std::function<void()>& a,
                                                 const std::function<void()>& b) {
  double bestA = 1e300, bestB = 1e300;
  for (int i = 0; i < repeats; ++i) {
    bestA = std::min(bestA, BestMicroseconds(1, a));
    bestB = std::min(bestB, BestMicroseconds(1, b));
  }
  return {bestA, bestB};
}

std::string ScratchFolder() {
  if (scratch.path.empty()) {
    scratch.path = std::filesystem::temp_directory_path() /
                   ("tvx-bench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(scratch.path);
  }
  return scratch.path.string() + static_cast<char>(std::filesystem::path::preferred_separator);
}

void Report(const std::string& what, double microseconds) {
  std::printf("  %-58s %12.1f us\n", what.c_str(), microseconds);
}

void ReportRatio(const std::string& what, double ratio, const std::string& target) {
  if (target.empty())
    std::printf("  %-58s %12.2f x   (no target: for reference)\n", what.c_str(), ratio);
  else
    std::printf("  %-58s %12.2f x   (target %s)\n", what.c_str(), ratio, target.c_str());
}

}  // namespace tvx::bench

int main(int argc, char** argv) {
  using tvx::bench::All;
  std::vector<std::string> wanted(argv + 1, argv + argc);
  for (auto& [name, m] : All()) {
    if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), name) == wanted.end()) continue;
    std::printf("%s: %s\n", name.c_str(), m.description.c_str());
    m.run();
    std::fflush(stdout);
  }
  return 0;
}
