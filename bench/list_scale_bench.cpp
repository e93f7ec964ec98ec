// Long lists against short ones: the launcher's start with 100,000 templates
// against 10, and the command manager's opening with 100,000 and with 10,000
// commands against 100. The large files are stored in reverse order, the
// worst case for filling a sorted list one item at a time.
#ifdef _WIN32
#include <windows.h>
#undef MessageBox

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench.h"
#include "context/context.h"
#include "manager/TVX_CmdMgr.h"
#include "platform/win32/win32_platform.h"
#include "store/profile_file.h"
#include "ui/win32/win32_ui.h"

namespace tvx::bench {
namespace {

constexpr int kRounds = 7;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

std::string Folder(const std::string& name) {
  std::string folder = ScratchFolder() + name + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Templates(int count) {
  std::string bytes = "[Command]\r\nn=notepad.exe|\r\n[Template]\r\n";
  for (int i = count - 1; i >= 0; --i) bytes += "template" + std::to_string(i) + "=n\r\n";
  return bytes + "[Settings]\r\nOSK=0\r\nHideCommand=0\r\n";
}

std::string Commands(int count) {
  std::string bytes = "[Command]\r\n";
  for (int i = count - 1; i >= 0; --i)
    bytes += "cmd" + std::to_string(i) + "=C:\\Program Files\\Vendor\\Tool" + std::to_string(i) + ".exe|/x\r\n";
  return bytes;
}

Register launcherTemplates("launcher_templates", "launcher start to idle window, 100,000 templates against 10", [] {
  const std::string here = OwnFolder();
  std::string exe[2], folder[2];
  const int counts[2] = {10, 100000};
  for (int k = 0; k < 2; ++k) {
    folder[k] = Folder("templates" + std::to_string(counts[k]));
    exe[k] = folder[k] + "TVX.exe";
    CopyFileA((here + "..\\TVX.exe").c_str(), exe[k].c_str(), FALSE);
    WriteFile(folder[k] + "TVX.dat", Templates(counts[k]));
    StartToIdle(exe[k], folder[k]);  // warm the caches
  }
  std::vector<double> times[2], ratios;
  for (int round = 0; round < kRounds; ++round) {
    double t[2];
    for (int k = 0; k < 2; ++k) t[(round + k) % 2] = StartToIdle(exe[(round + k) % 2], folder[(round + k) % 2]);
    for (int k = 0; k < 2; ++k) times[k].push_back(t[k]);
    if (t[0] > 0 && t[1] > 0) ratios.push_back(t[1] / t[0]);
  }
  Report("TVX.exe start to idle, 10 templates (median of 7)", Median(times[0]));
  Report("TVX.exe start to idle, 100,000 templates (median of 7)", Median(times[1]));
  ReportRatio("100,000 templates / 10 templates, same round (median)", Median(ratios), "<= 2");
  for (int k = 0; k < 2; ++k) DeleteFileA(exe[k].c_str());
});

// Microseconds from creating the command manager to its window shown, its
// list loaded and its thread idle. Closing it is not timed: without a window
// manager Wine waits two seconds whenever a window is hidden.
double OpenManager(const std::string& folder) {
  static win32::Win32Platform platform;
  static ui::Win32Ui ui;
  Context ctx{platform.Get(), ui, folder};
  std::unique_ptr<manager::TtvxCM> cm;
  ui::Win32Ui::Window window;
  const double opened = BestMicroseconds(1, [&] {
    cm = std::make_unique<manager::TtvxCM>(ctx);
    window = ui.Open(*cm);
    ui.ProcessMessages();
  });
  window = ui::Win32Ui::Window();
  cm.reset();
  return opened;
}

Register managerCommands("manager_commands", "command manager opened with 100,000 and 10,000 commands against 100", [] {
  const int counts[3] = {100, 10000, 100000};
  std::string folder[3];
  for (int k = 0; k < 3; ++k) {
    folder[k] = Folder("commands" + std::to_string(counts[k]));
    WriteFile(folder[k] + "TVX.dat", Commands(counts[k]));
    OpenManager(folder[k]);  // warm the caches
  }
  std::vector<double> times[3], ratios[3];
  for (int round = 0; round < kRounds; ++round) {
    double t[3];
    for (int k = 0; k < 3; ++k) t[(round + k) % 3] = OpenManager(folder[(round + k) % 3]);
    for (int k = 0; k < 3; ++k) times[k].push_back(t[k]);
    for (int k = 1; k < 3; ++k) ratios[k].push_back(t[k] / t[0]);
  }
  Report("command manager open, 100 commands (median of 7)", Median(times[0]));
  Report("command manager open, 10,000 commands (median of 7)", Median(times[1]));
  Report("command manager open, 100,000 commands (median of 7)", Median(times[2]));
  ReportRatio("10,000 commands / 100 commands, same round (median)", Median(ratios[1]), "<= 2");
  ReportRatio("100,000 commands / 100 commands, same round (median)", Median(ratios[2]), "<= 2");
});

}  // namespace
}  // namespace tvx::bench
#endif
