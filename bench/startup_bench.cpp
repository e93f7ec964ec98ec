// Time from process start to the launcher window shown and idle, against a
// minimal Win32 program that opens one window, both started the same way.
// A third program shows the launcher's standard controls and nothing else:
// the share of the start-up that the system's controls take on their own.
#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "bench.h"

namespace tvx::bench {
namespace {

std::string OwnFolder() {
  char path[MAX_PATH * 2] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string p = path;
  return p.substr(0, p.find_last_of('\\') + 1);
}

struct Found {
  DWORD pid;
  HWND hwnd;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == f->pid && IsWindowVisible(hwnd)) {
    f->hwnd = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Microseconds until the program's window is visible and its thread idle; -1 on failure.
double StartToIdle(const std::string& exe, const std::string& folder) {
  std::string cmd = "\"" + exe + "\"";
  std::vector<char> buf(cmd.begin(), cmd.end());
  buf.push_back('\0');
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) return -1;
  Found found{pi.dwProcessId, nullptr};
  double us = -1;
  for (int i = 0; i < 20000; ++i) {
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&found));
    if (found.hwnd) {
      WaitForInputIdle(pi.hProcess, 10000);
      QueryPerformanceCounter(&t1);
      us = (t1.QuadPart - t0.QuadPart) * 1e6 / static_cast<double>(f.QuadPart);
      break;
    }
    Sleep(0);
  }
  if (found.hwnd) PostMessageA(found.hwnd, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return us;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

Register startup("startup", "process start to the launcher window shown and idle, against a one-window program", [] {
  std::string here = OwnFolder();
  std::string folder = ScratchFolder();
  std::string tvx = folder + "TVX.exe";
  CopyFileA((here + "..\\TVX.exe").c_str(), tvx.c_str(), FALSE);
  std::ofstream(folder + "TVX.dat", std::ios::binary)
      << "[Command]\r\nn=notepad.exe|\r\n[Template]\r\nwork=n\r\nhome=n\r\n[Settings]\r\nOSK=0\r\nHideCommand=0\r\n";
  std::string minimal = here + "..\\tests\\minimal_window.exe";
  std::string controls = here + "..\\tests\\controls_window.exe";
  std::vector<double> a, b, c;
  // Warm the caches for all three.
  StartToIdle(minimal, folder);
  StartToIdle(controls, folder);
  StartToIdle(tvx, folder);
  for (int i = 0; i < 9; ++i) {
    a.push_back(StartToIdle(tvx, folder));
    b.push_back(StartToIdle(minimal, folder));
    c.push_back(StartToIdle(controls, folder));
  }
  double ta = Median(a), tb = Median(b), tc = Median(c);
  Report("TVX.exe start to idle window (median of 9)", ta);
  Report("one-window program start to idle window (median of 9)", tb);
  Report("the launcher's 18 plain controls, start to idle (median of 9)", tc);
  if (ta > 0 && tb > 0) ReportRatio("TVX.exe / one-window program", ta / tb, "<= 1.2");
  if (tc > 0 && tb > 0) ReportRatio("18 plain controls / one-window program", tc / tb, "");
  DeleteFileA(tvx.c_str());
});

}  // namespace
}  // namespace tvx::bench
#endif
