#pragma once
// A small frame for named measurements. Each .cpp registers its measurements
// with a static Register object; main runs them in name order.
#include <chrono>
#include <functional>
#include <string>
#include <utility>

namespace tvx::bench {

struct Measurement {
  std::string name;
  std::string description;
  std::function<void()> run;
};

struct Register {
  Register(std::string name, std::string description, std::function<void()> run);
};

// Best (least disturbed) time of `repeats` runs of fn, in microseconds.
double BestMicroseconds(int repeats, const std::function<void()>& fn);

// Best times of two operations run in turn, so that both see the same
// conditions of a busy machine: {best of a, best of b}, in microseconds.
std::pair<double, double> BestMicrosecondsInTurn(int repeats, const std::function<void()>& a,
                                                 const std::function<void()>& b);

// A folder of its own for the measurement's files, removed at exit.
std::string ScratchFolder();

void Report(const std::string& what, double microseconds);

#ifdef _WIN32
// The benchmark program's own folder, with its trailing backslash.
std::string OwnFolder();
// Microseconds from starting the program (in `folder`) to its window shown
// and its thread idle; -1 on failure.
double StartToIdle(const std::string& exe, const std::string& folder);
#endif
// An empty target prints the ratio as a figure for reference only.
void ReportRatio(const std::string& what, double ratio, const std::string& target);

}  // namespace tvx::bench
