#pragma once
// Starting, killing and waiting for the helper programs that live beside the
// test program, natively and under Windows.
#include <string>
#include <vector>

namespace tvx::test {

// Path of a helper program in the working directory (the tests' build folder).
std::string HelperProgram(const std::string& name);

class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  bool Started() const { return started_; }
  // Ends the process at once, wherever it is.
  void Kill();
  // Waits for the end; returns the exit code (-1 when killed or not started).
  int Wait();

 private:
  bool started_ = false;
  bool waited_ = false;
  int code_ = -1;
  long long handle_ = 0;
};

void SleepMilliseconds(int ms);

}  // namespace tvx::test
