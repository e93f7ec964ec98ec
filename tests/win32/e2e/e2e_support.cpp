#include "e2e_support.h"

#include <filesystem>
#include <sstream>

#include "support/win32_driver.h"

namespace tvx::e2e {

namespace {

std::wstring W(const std::string& utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string U(const std::wstring& wide) {
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string ReadAll(const std::string& path) {
  HANDLE h = CreateFileW(W(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(h);
  return bytes;
}

}  // namespace

Sandbox::Sandbox(const std::string& name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  static int counter = 0;
  for (;;) {
    folder_ = U(temp) + name + " " + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + "\\";
    if (CreateDirectoryW(W(folder_).c_str(), nullptr)) break;
  }
  std::string here = test::ModuleFolder();
  // TVX.exe is built one folder up from the test programs.
  CopyFileW(W(here + "..\\TVX.exe").c_str(), W(Exe()).c_str(), FALSE);
  CopyFileW(W(here + "recorder.exe").c_str(), W(Recorder()).c_str(), FALSE);
  SetEnv("TVX_RECORD", RecordFile());
}

Sandbox::~Sandbox() {
  // Everything the tests and the program left in it (history, shortcuts,
  // folders of their own); a copy still ending may hold its file a moment.
  const std::filesystem::path folder(W(folder_));
  for (int attempt = 0; attempt < 40; ++attempt) {
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    if (!std::filesystem::exists(folder, error)) return;
    Sleep(50);
  }
}

void Sandbox::SetEnv(const std::string& name, const std::string& value) {
  SetEnvironmentVariableW(W(name).c_str(), W(value).c_str());
}

void Sandbox::WriteData(const std::string& bytes) const {
  HANDLE h = CreateFileW(W(folder_ + "TVX.dat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::string Sandbox::ReadData() const { return ReadAll(folder_ + "TVX.dat"); }

HANDLE Sandbox::Start(const std::string& arguments) const {
  std::string cmd = "\"" + Exe() + "\"" + (arguments.empty() ? "" : " " + arguments);
  std::wstring buf = W(cmd);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, W(folder_).c_str(), &si, &pi))
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
