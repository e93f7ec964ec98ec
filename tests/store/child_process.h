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

// Makes link a symbolic link to target (a path relative to the link's
// folder, with "/" between its parts) as users meet them: under Wine a Unix
// link, which the Windows program sees as the file it names. False where the
// system lets this process make none.
bool MakeSymbolicLink(const std::string& target, const std::string& link);

// Removes such a link (under Wine one that points nowhere is no file to
// the Windows program, which cannot remove it).
void RemoveSymbolicLink(const std::string& link);

// How many names the file has, as the system tells the data file engine.
unsigned NamesOf(const std::string& path);

}  // namespace tvx::test
