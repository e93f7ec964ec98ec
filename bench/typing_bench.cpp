// Figures of help while typing and of commands that take arguments: the
// suggestion for one keystroke among 10,000 names, a typed launch with its
// history write against the same launch without it, and a launch of a value
// with placeholders against one without.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#else
#include <spawn.h>

#include <sys/wait.h>
extern char** environ;
#endif
#include <filesystem>
#include <memory>

#include "app/TVX_Main.h"
#include "app/history.h"
#include "bench.h"
#include "data_file.h"
#include "launch/launch.h"
#include "platform/file_io.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "ui/memory_backend.h"

namespace tvx::bench {
namespace {

// The operating system as the launcher sees it, without one: nothing in the
// registry, no variables, and a shell that either does nothing or really
// starts a program for every call: on Windows the system's shell itself
// (the targets are the recorder helper, the finish step the real taskkill),
// elsewhere a small program started directly.
struct NoRegistry : IRegistry {
  RegValue ReadValue(RegRoot, const std::string&, const std::string&) override { return {}; }
  RegValue ReadValueFullAccess(RegRoot, const std::string&, const std::string&) override { return {}; }
  bool CreateKey(RegRoot, const std::string&) override { return false; }
  bool SetString(RegRoot, const std::string&, const std::string&, const std::string&) override { return false; }
  bool DeleteTree(RegRoot, const std::string&) override { return false; }
};

struct BenchShell : IShell {
  bool startPrograms = false;
  long calls = 0;
#ifndef _WIN32
  std::vector<pid_t> children;
#endif
#ifdef _WIN32
  win32::Win32Shell system;
#endif
  std::intptr_t Execute(NativeWindow owner, const std::string& verb, const std::string& file, const std::string& params,
                        const std::string& directory, int show) override {
    ++calls;
#ifdef _WIN32
    if (startPrograms) return system.Execute(owner, verb, file, params, directory, show);
#else
    (void)owner, (void)verb, (void)file, (void)params, (void)directory, (void)show;
    if (startPrograms) {
      char program[] = "/bin/true";
      char* argv[] = {program, nullptr};
      pid_t pid = 0;
      if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) == 0) children.push_back(pid);
    }
#endif
    return 42;
  }
  // The started programs are waited for outside the timed part.
  void Reap() {
#ifndef _WIN32
    for (pid_t pid : children) waitpid(pid, nullptr, 0);
    children.clear();
#endif
  }
};

struct SameEnvironment : IEnvironment {
  std::optional<std::string> Expand(const std::string& text) override { return text; }
};

struct NoFiles : IFileSystem {
  bool FileExists(const std::string&) override { return false; }
  bool DirectoryExists(const std::string&) override { return false; }
  bool WriteNewFile(const std::string&, const std::string&, std::string&) override { return false; }
  bool RemoveFile(const std::string&) override { return false; }
  std::optional<std::string> SpecialFolder(int) override { return std::nullopt; }
  std::optional<std::string> SpecialFolderCreate(int) override { return std::nullopt; }
  std::string TempFolder() override { return ScratchFolder(); }
};

struct NoLinks : IShellLinks {
  void Write(const std::string&, const ShortcutFields&, bool, bool) override {}
  ShortcutTarget Read(const std::string&) override { return {}; }
};

struct PlainSystem : ISystem {
  std::string ModulePath() override { return ScratchFolder() + "TVX.exe"; }
  std::string CommandLine() override { return "TVX.exe"; }
  void RaisePriority() override {}
  bool PostQuitToWindow(const std::string&) override { return false; }
  bool CreateInstanceMutex(const std::string&) override { return false; }
  void InitializeCom() override {}
  int CollateCompare(const std::string& a, const std::string& b) override { return a.compare(b); }
  int CollateCompareNoCase(const std::string& a, const std::string& b) override { return a.compare(b); }
};

struct BenchPlatform {
  NoRegistry registry;
  BenchShell shell;
  SameEnvironment environment;
  NoFiles files;
  NoLinks links;
  PlainSystem system;
  Platform platform{registry, shell, environment, files, links, system};
};

Register keystroke("typing_suggestion", "the suggestion after one keystroke, with 10,000 command names", [] {
  TenThousandCommands();  // every name begins with "cmd"
  BenchPlatform bp;
  ui::MemoryUi ui;
  Context ctx{bp.platform, ui, ScratchFolder()};
  app::TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  frm.txtCmd.SetPasswordChar(0);  // the benchmark file turns masking on, which hides suggestions
  // Ten keystrokes: "cmd12" typed (all 10,000 names match its first letters),
  // then taken back one by one.
  const std::string word = "cmd12";
  double best = BestMicroseconds(50, [&] {
    ui::user::Type(frm.txtCmd, word);
    for (size_t i = 0; i < word.size(); ++i) ui::user::PressKey(frm.txtCmd, 8);
  });
  ui::user::Type(frm.txtCmd, "c");
  std::printf("  (suggestion for \"c\": \"%s\")\n", frm.txtCmd.Suggestion().c_str());
  Report("one keystroke (typed or taken back), best of 50 rounds of 10", best / 10);
  std::printf("  %-58s %12s\n", "target", "<= 1000 us");
});

// A history of 100 texts, as a user's after some weeks.
void FillHistory(const std::string& path) {
  std::remove(path.c_str());
  app::History h;
  h.Load(path);
  for (int i = 0; i < 100; ++i) h.Record("old" + std::to_string(i) + " cmd1", {"cmd1"});
}

// The program the launched names start: the recorder helper beside the tests
// on Windows (it appends a line to a file and ends); elsewhere any text.
std::string TargetProgram() {
#ifdef _WIN32
  char own[MAX_PATH * 2] = {};
  GetModuleFileNameA(nullptr, own, sizeof own);
  std::string folder = own;
  folder = folder.substr(0, folder.find_last_of('\\') + 1);
  SetEnvironmentVariableA("TVX_RECORD", (ScratchFolder() + "recorded.txt").c_str());
  return folder + "..\\tests\\recorder.exe";
#else
  return "/bin/true";
#endif
}

void TypedLaunch(bool startPrograms) {
  // The 10,000-command file, with two names for the program that launches start.
  const CommandFile& data = TenThousandCommands();
  const std::string folder = ScratchFolder() + "launch" + static_cast<char>(std::filesystem::path::preferred_separator);
  std::filesystem::create_directories(folder);
  std::string bytes;
  fileio::ReadWholeFile(data.path, bytes);
  const std::string program = TargetProgram();
  bytes.insert(bytes.find('\n') + 1, "first=" + program + "|a\r\nsecond=" + program + "|b\r\n");
  fileio::WriteFileFlushed(folder + "TVX.dat", bytes);
  const std::string hist = store::HistoryFilePath(folder);
  FillHistory(hist);
  BenchPlatform bp;
  bp.shell.startPrograms = startPrograms;
  const int rounds = 30;
  double withHistory = 1e300, withWrite = 1e300, without = 1e300;
  for (int i = 0; i < rounds; ++i) {
    // The same launch both ways: two names looked up in the 10,000-command
    // file, their shell calls and the finish step. Typed in the command box
    // and launched with Enter, it is remembered; started by "/l", it is not.
    // Different texts, as a user's are: no earlier entry to drop but the oldest.
    const std::string typed = (i % 2 ? "first second " : "second first ") + std::to_string(i);
    {
      ui::MemoryUi ui;
      Context ctx{bp.platform, ui, folder};
      auto frm = std::make_unique<app::TfrmTVX>(ctx, nullptr);
      frm->FormCreate({});
      ui::user::Paste(frm->txtCmd, typed);
      double handler = 0;
      double total = BestMicroseconds(1, [&] {
        handler = BestMicroseconds(1, [&] { ui::user::PressKey(frm->txtCmd, ui::kCharEnter); });
        frm.reset();  // the program's end, which waits for the history file
      });
      withHistory = std::min(withHistory, handler);
      withWrite = std::min(withWrite, total);
      bp.shell.Reap();
    }
    {
      ui::MemoryUi ui;
      Context ctx{bp.platform, ui, folder};
      app::TfrmTVX frm(ctx, nullptr);
      without = std::min(without, BestMicroseconds(1, [&] { frm.FormCreate({"/l", typed}); }));
      bp.shell.Reap();
    }
  }
  Report("typed launch with the history write (best of 30)", withHistory);
  Report("  ... to the end of the run, the history file written", withWrite);
  Report("the same launch without it, as \"/l\" (best of 30)", without);
  if (startPrograms)
    ReportRatio("with / without history, the shell starting programs", withHistory / without, "<= 1.2");
  else
    ReportRatio("with / without history, a shell that does nothing", withHistory / without, "");
  ReportRatio("  ... to the end of the run, with / without", withWrite / without, "");
}

Register typedLaunch("typing_history_launch", "a typed launch with its history write against the same launch without",
                     [] {
                       TypedLaunch(true);
                       TypedLaunch(false);
                     });

void PlaceholderLaunch(bool startPrograms) {
  const std::string path = ScratchFolder() + "args.dat";
  const std::string program = TargetProgram();
  fileio::WriteFileFlushed(path,
                           "[Command]\r\n"
                           "g=" +
                               program +
                               "|https://www.example.com/search?q=$q&lang=$1\r\n"
                               "w=" +
                               program +
                               "|https://www.example.com/search?q=rust+borrow+checker&lang=rust\r\n"
                               "n=" +
                               program +
                               "|--open $1 $*\r\n"
                               "m=" +
                               program + "|--open readme.txt readme.txt\r\n");
  BenchPlatform bp;
  bp.shell.startPrograms = startPrograms;
  store::ProfileFile data(path);
  const int rounds = startPrograms ? 200 : 20000;
  // The launcher's own steps from typed text to shell calls.
  auto launch = [&](const std::string& typed) {
    launch::LaunchNamedValues(launch::FindNamedValues(typed, data), nullptr, bp.platform);
  };
  auto withArgs = [&] {
    launch("g rust borrow checker");
    launch("n readme.txt");
  };
  auto withoutArgs = [&] {
    launch("w");
    launch("m");
  };
  // In turn; the programs one side started are waited for before the other
  // side is timed, so that neither runs beside the other's programs.
  double with = 1e300, without = 1e300;
  for (int i = 0; i < rounds; ++i) {
    with = std::min(with, BestMicroseconds(1, withArgs));
    bp.shell.Reap();
    without = std::min(without, BestMicroseconds(1, withoutArgs));
    bp.shell.Reap();
  }
  Report("two launches of values with placeholders", with);
  Report("the same shell calls from values without", without);
  if (startPrograms)
    ReportRatio("with / without placeholders, the shell starting programs", with / without, "<= 1.05");
  else
    ReportRatio("with / without placeholders, a shell that does nothing", with / without, "");
}

Register placeholders("typing_placeholder_launch", "a launch of values with placeholders against values without", [] {
  PlaceholderLaunch(true);
  PlaceholderLaunch(false);
});

}  // namespace
}  // namespace tvx::bench

#ifdef _WIN32
namespace tvx::bench {
namespace {

// Microseconds from process start until the program first waits for input
// with a window shown; -1 on failure. The window is closed afterwards.
double StartToIdle(const std::string& exe, const std::string& folder) {
  std::string cmd = "\"" + exe + "\"";
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back('\0');
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) return -1;
  DWORD idle = WaitForInputIdle(pi.hProcess, 20000);
  QueryPerformanceCounter(&t1);
  HWND window = nullptr;
  for (int i = 0; !window && i < 5000; ++i) {
    for (HWND h = nullptr; (h = FindWindowExA(nullptr, h, nullptr, "Tavrix")) != nullptr;) {
      DWORD pid = 0;
      GetWindowThreadProcessId(h, &pid);
      if (pid == pi.dwProcessId && IsWindowVisible(h)) window = h;
    }
    if (!window) Sleep(1);
  }
  if (window) PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return idle == 0 && window ? (t1.QuadPart - t0.QuadPart) * 1e6 / static_cast<double>(f.QuadPart) : -1;
}

Register manyNames("typing_startup_names", "launcher start to an idle window, 10,000 commands against 1", [] {
  char own[MAX_PATH * 2] = {};
  GetModuleFileNameA(nullptr, own, sizeof own);
  std::string here = own;
  here = here.substr(0, here.find_last_of('\\') + 1);
  std::string big = TenThousandCommands().path;
  std::string folders[2] = {ScratchFolder() + "one\\", ScratchFolder() + "many\\"};
  for (const std::string& folder : folders) {
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyFileA((here + "..\\TVX.exe").c_str(), (folder + "TVX.exe").c_str(), FALSE);
  }
  fileio::WriteFileFlushed(folders[0] + "TVX.dat", "[Command]\r\nn=notepad.exe|\r\n[Settings]\r\nOSK=0\r\n");
  CopyFileA(big.c_str(), (folders[1] + "TVX.dat").c_str(), FALSE);
  for (const std::string& folder : folders) StartToIdle(folder + "TVX.exe", folder);  // warm the caches
  std::vector<double> ratios, one, many;
  for (int round = 0; round < 15; ++round) {
    double t[2];
    for (int k = 0; k < 2; ++k) {
      int which = (round + k) % 2;
      t[which] = StartToIdle(folders[which] + "TVX.exe", folders[which]);
    }
    if (t[0] > 0 && t[1] > 0) {
      one.push_back(t[0]);
      many.push_back(t[1]);
      ratios.push_back(t[1] / t[0]);
    }
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1.0 : v[v.size() / 2];
  };
  Report("1 command: start to idle window (median of 15)", median(one));
  Report("10,000 commands: start to idle window (median of 15)", median(many));
  ReportRatio("10,000 / 1 command, same round (median)", median(ratios), "<= 1.1");
});

}  // namespace
}  // namespace tvx::bench
#endif
