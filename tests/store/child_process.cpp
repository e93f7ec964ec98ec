#include "child_process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <sys/wait.h>
extern char** environ;
#endif

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "platform/file_io.h"

namespace tvx::test {

void SleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

unsigned NamesOf(const std::string& path) {
  std::string bytes;
  unsigned links = 0;
  fileio::ReadWholeFile(path, bytes, SIZE_MAX, &links);
  return links;
}

#ifdef _WIN32

namespace {
using UnixName = char*(__cdecl*)(const wchar_t*);
// Wine's name of a Windows path on the Unix side; null off Wine.
UnixName UnixNameOf() {
  // Through a plain function pointer type, as GetProcAddress's results are cast.
  return reinterpret_cast<UnixName>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

// Runs a shell command of the Unix side and waits for it: Wine does not wait
// for a Unix program's end, so the command leaves a marker file behind.
bool RunUnixCommand(const std::string& command, const std::string& marker, const std::string& unixMarker) {
  ChildProcess sh("Z:\\bin\\sh", {"-c", command + " && touch '" + unixMarker + "'"});
  sh.Wait();
  for (int waited = 0; waited < 5000; waited += 10) {
    std::error_code ec;
    if (std::filesystem::remove(marker, ec)) return true;
    SleepMilliseconds(10);
  }
  return false;
}

std::string UnixPath(UnixName unixName, const std::string& path) {
  char* name = unixName(std::filesystem::path(path).wstring().c_str());
  if (!name) return std::string();
  std::string out = name;
  HeapFree(GetProcessHeap(), 0, name);
  return out;
}
}  // namespace

bool MakeSymbolicLink(const std::string& target, const std::string& link) {
  // Wine's own call makes no Unix link: the system's ln does.
  const UnixName unixName = UnixNameOf();
  if (!unixName) {
    std::error_code ec;
    std::filesystem::path t(target);
    std::filesystem::create_symlink(t.make_preferred(), link, ec);
    return !ec;
  }
  const std::string unixLink = UnixPath(unixName, link);
  return !unixLink.empty() &&
         RunUnixCommand("ln -s '" + target + "' '" + unixLink + "'", link + ".made", unixLink + ".made");
}

void RemoveSymbolicLink(const std::string& link) {
  const UnixName unixName = UnixNameOf();
  std::error_code ec;
  if (!unixName) {
    std::filesystem::remove(link, ec);
    return;
  }
  const std::string unixLink = UnixPath(unixName, link);
  if (!unixLink.empty()) RunUnixCommand("rm -f '" + unixLink + "'", link + ".made", unixLink + ".made");
}

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

bool MakeSymbolicLink(const std::string& target, const std::string& link) {
  std::error_code ec;
  std::filesystem::create_symlink(target, link, ec);
  return !ec;
}

void RemoveSymbolicLink(const std::string& link) {
  std::error_code ec;
  std::filesystem::remove(link, ec);
}

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
