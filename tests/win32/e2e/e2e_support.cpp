#include "e2e_support.h"

#include <fstream>
#include <sstream>

#include "support/win32_driver.h"

namespace tvx::e2e {

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

Sandbox::Sandbox() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  static int counter = 0;
  for (;;) {
    folder_ =
        std::string(temp) + "tvx e2e " + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + "\\";
    if (CreateDirectoryA(folder_.c_str(), nullptr)) break;
  }
  std::string here = test::ModuleFolder();
  // TVX.exe is built one folder up from the test programs.
  CopyFileA((here + "..\\TVX.exe").c_str(), Exe().c_str(), FALSE);
  CopyFileA((here + "recorder.exe").c_str(), Recorder().c_str(), FALSE);
  SetEnvironmentVariableA("TVX_RECORD", RecordFile().c_str());
}

Sandbox::~Sandbox() {
  for (const char* name : {"TVX.exe", "recorder.exe", "record.txt", "TVX.dat", "TVX.dat.lock"})
    DeleteFileA((folder_ + name).c_str());
  RemoveDirectoryA(folder_.c_str());
}

void Sandbox::WriteData(const std::string& bytes) const {
  std::ofstream out(folder_ + "TVX.dat", std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string Sandbox::ReadData() const { return ReadAll(folder_ + "TVX.dat"); }

HANDLE Sandbox::Start(const std::string& arguments) const {
  std::string cmd = "\"" + Exe() + "\"" + (arguments.empty() ? "" : " " + arguments);
  std::vector<char> buf(cmd.begin(), cmd.end());
  buf.push_back('\0');
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si, &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

int Sandbox::Run(const std::string& arguments, DWORD timeoutMs) const {
  HANDLE process = Start(arguments);
  if (!process) return -2;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0)
    GetExitCodeProcess(process, &code);
  else
    TerminateProcess(process, 99);
  CloseHandle(process);
  return static_cast<int>(code);
}

std::vector<Recorded> Sandbox::Records() const {
  std::vector<Recorded> out;
  std::istringstream in(ReadAll(RecordFile()));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto tab = line.find('\t');
    if (tab == std::string::npos) continue;
    out.push_back({line.substr(0, tab), line.substr(tab + 1)});
  }
  return out;
}

std::vector<Recorded> Sandbox::WaitForRecords(size_t count, DWORD timeoutMs) const {
  DWORD start = GetTickCount();
  for (;;) {
    auto records = Records();
    if (records.size() >= count || GetTickCount() - start > timeoutMs) return records;
    Sleep(50);
  }
}

HWND WaitForWindow(const char* title, DWORD processId, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND found = nullptr;
    HWND h = nullptr;
    while ((h = FindWindowExA(nullptr, h, nullptr, title)) != nullptr) {
      DWORD pid = 0;
      GetWindowThreadProcessId(h, &pid);
      if ((processId == 0 || pid == processId) && IsWindowVisible(h)) {
        found = h;
        break;
      }
    }
    if (found || GetTickCount() - start > timeoutMs) return found;
    Sleep(50);
  }
}

}  // namespace tvx::e2e
