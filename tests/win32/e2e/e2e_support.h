#pragma once
// Starting the real TVX.exe from a private folder and reading what the
// recorder program wrote down.
#include <windows.h>

#include <string>
#include <vector>

namespace tvx::e2e {

struct Recorded {
  std::string commandLine;
  std::string directory;
};

// Paths are UTF-8; the folder is made, filled and started through the wide
// calls, so that its name may hold any character.
class Sandbox {
 public:
  // A new folder in the temporary folder, named `name` and a unique number.
  explicit Sandbox(const std::string& name = "tvx e2e");
  ~Sandbox();
  const std::string& Folder() const { return folder_; }
  std::string Exe() const { return folder_ + "TVX.exe"; }
  std::string Recorder() const { return folder_ + "recorder.exe"; }
  std::string RecordFile() const { return folder_ + "record.txt"; }
  void WriteData(const std::string& bytes) const;
  std::string ReadData() const;
  // Starts TVX.exe with the arguments (after the program name); returns the process.
  HANDLE Start(const std::string& arguments) const;
  // Starts and waits; returns the exit code, or -1 on timeout.
  int Run(const std::string& arguments, DWORD timeoutMs = 20000) const;
  // Waits until at least `count` lines are recorded (or the timeout) and returns them.
  std::vector<Recorded> WaitForRecords(size_t count, DWORD timeoutMs = 15000) const;
  std::vector<Recorded> Records() const;
  // Sets an environment variable that TVX.exe (and the recorder) inherit.
  static void SetEnv(const std::string& name, const std::string& value);

 private:
  std::string folder_;
};

HWND WaitForWindow(const char* title, DWORD processId, DWORD timeoutMs = 20000);

}  // namespace tvx::e2e
