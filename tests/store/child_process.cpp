#include "child_process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include <chrono>
#include <cstdio>
#include <thread>

namespace tvx::test {

void SleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

#ifdef _WIN32

std::string HelperProgram(const std::string& name) { return ".\\" + name + ".exe"; }

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
  std::string cmd = "\"" + program + "\"";
  for (const auto& a : args) cmd += " \"" + a + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  // A busy Wine (a fresh prefix, many processes at once) now and then refuses a
  // start for a moment; the test is about the writers, not about that.
  bool created = false;
  for (int attempt = 0; attempt < 5 && !created; ++attempt) {
    created = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
    if (!created) {
      std::fprintf(stderr, "could not start %s (error %lu)\n", program.c_str(), GetLastError());
      Sleep(200);
    }
  }
  if (!created) return;
  CloseHandle(pi.hThread);
  handle_ = reinterpret_cast<long long>(pi.hProcess);
  started_ = true;
}

ChildProcess::~ChildProcess() {
  if (!started_) return;
  if (!waited_) {
    Kill();
    Wait();
  }
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

void ChildProcess::Kill() {
  if (started_ && !waited_) TerminateProcess(reinterpret_cast<HANDLE>(handle_), 255);
}

int ChildProcess::Wait() {
  if (!started_) return -1;
  if (!waited_) {
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    WaitForSingleObject(h, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(h, &code);
    code_ = code == 255 ? -1 : static_cast<int>(code);
    waited_ = true;
  }
  return code_;
}

#else

std::string HelperProgram(const std::string& name) { return "./" + name; }

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return;
  handle_ = pid;
  started_ = true;
}

ChildProcess::~ChildProcess() {
  if (started_ && !waited_) {
    Kill();
    Wait();
  }
}

void ChildProcess::Kill() {
  if (started_ && !waited_) kill(static_cast<pid_t>(handle_), SIGKILL);
}

int ChildProcess::Wait() {
  if (!started_) return -1;
  if (!waited_) {
    int status = 0;
    while (waitpid(static_cast<pid_t>(handle_), &status, 0) < 0 && errno == EINTR) {
    }
    code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    waited_ = true;
  }
  return code_;
}

#endif

}  // namespace tvx::test
