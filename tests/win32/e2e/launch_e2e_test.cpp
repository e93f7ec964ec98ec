// End-to-end starts of the real TVX.exe: /l launches into the recorder
// program, the single-instance rule, registry references and environment
// variables resolved by the running program.
#include <algorithm>
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace tvx::e2e {
namespace {

std::vector<std::string> Params(const std::vector<Recorded>& records, const std::string& exe) {
  std::vector<std::string> params;
  for (const auto& r : records) {
    std::string line = r.commandLine;
    // The shell starts the recorder with its quoted or plain path first.
    auto pos = line.find(exe);
    std::string rest = pos == std::string::npos ? line : line.substr(pos + exe.size());
    if (!rest.empty() && rest[0] == '"') rest.erase(0, 1);
    while (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    params.push_back(rest);
  }
  std::sort(params.begin(), params.end());
  return params;
}

TEST(LaunchStart, LaunchesEveryKnownNameAndEnds) {
  Sandbox box;
  box.WriteData("[Command]\r\nr1=" + box.Recorder() + "|one\r\nR2=" + box.Recorder() + "|two\r\n");
  // Capitals in the switch, a quoted name with blanks around it, an unknown
  // name, and one name given twice.
  EXPECT_EQ(box.Run("/L \"  r1  \" nosuch r2 R1"), 0);
  auto records = box.WaitForRecords(3);
  EXPECT_EQ(Params(records, "recorder.exe"), (std::vector<std::string>{"one", "one", "two"}));
  for (const auto& r : records) {
    std::string dir = r.directory;
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    EXPECT_EQ(dir, box.Folder());
  }
}

TEST(LaunchStart, OneQuotedArgumentHoldingTwoNamesLaunchesBoth) {
  Sandbox box;
  box.WriteData("[Command]\r\nn=" + box.Recorder() + "|n\r\n");
  EXPECT_EQ(box.Run("/l \"n n\""), 0);
  EXPECT_EQ(Params(box.WaitForRecords(2), "recorder.exe"), (std::vector<std::string>{"n", "n"}));
}

TEST(LaunchStart, UnknownNamesAloneLaunchNothingAndStillEnd) {
  Sandbox box;
  box.WriteData("[Command]\r\nr=" + box.Recorder() + "|\r\n");
  EXPECT_EQ(box.Run("/l nosuch other"), 0);
  Sleep(300);
  EXPECT_TRUE(box.Records().empty());
}

TEST(LaunchStart, RegistryReferencesAndEnvironmentVariablesResolve) {
  Sandbox box;
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\TavrixE2E", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  std::string target = box.Recorder();
  RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(target.c_str()),
                 static_cast<DWORD>(target.size() + 1));
  std::string expandable = "%TVX_E2E_DIR%\\recorder.exe";
  RegSetValueExA(key, "", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expandable.c_str()),
                 static_cast<DWORD>(expandable.size() + 1));
  RegCloseKey(key);
  std::string dir = box.Folder().substr(0, box.Folder().size() - 1);
  SetEnvironmentVariableA("TVX_E2E_DIR", dir.c_str());
  SetEnvironmentVariableA("TVX_E2E_ARG", "from-env");
  box.WriteData(
      "[Command]\r\nreg=HKCU>>Software\\TavrixE2E>>Path|reg\r\n"
      "def=HKCU>>Software\\TavrixE2E|def\r\n"
      "env=%TVX_E2E_DIR%\\recorder.exe|%TVX_E2E_ARG%\r\n");
  EXPECT_EQ(box.Run("/l reg def env"), 0);
  EXPECT_EQ(Params(box.WaitForRecords(3), "recorder.exe"), (std::vector<std::string>{"def", "from-env", "reg"}));
  // Resolving never creates keys.
  box.WriteData("[Command]\r\nmiss=HKCU>>Software\\TavrixE2E\\Missing>>Path|x\r\n");
  EXPECT_EQ(box.Run("/l miss"), 0);
  HKEY probe = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\TavrixE2E\\Missing", 0, KEY_READ, &probe), ERROR_SUCCESS);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TavrixE2E");
}

TEST(SingleInstance, SecondArgumentFreeStartEndsAtOnceWhileStartsWithArgumentsRun) {
  Sandbox box;
  box.WriteData("[Command]\r\nr=" + box.Recorder() + "|second\r\n");
  HANDLE first = box.Start("");
  ASSERT_NE(first, nullptr);
  HWND window = WaitForWindow("Tavrix", GetProcessId(first));
  ASSERT_NE(window, nullptr) << "the launcher window did not appear";
  DWORD t0 = GetTickCount();
  EXPECT_EQ(box.Run("", 10000), 0);
  EXPECT_LT(GetTickCount() - t0, 8000u);
  // Only one launcher window exists.
  int windows = 0;
  for (HWND h = nullptr; (h = FindWindowExA(nullptr, h, nullptr, "Tavrix")) != nullptr;)
    if (IsWindowVisible(h)) ++windows;
  EXPECT_EQ(windows, 1);
  // A start with arguments is not refused.
  EXPECT_EQ(box.Run("/l r"), 0);
  EXPECT_EQ(box.WaitForRecords(1).size(), 1u);
  // The first instance is still there, and closes with its window.
  EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(first, 15000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(first);
  // After the first instance ended, a new start is a first instance again.
  HANDLE again = box.Start("");
  HWND second = WaitForWindow("Tavrix", GetProcessId(again));
  EXPECT_NE(second, nullptr);
  if (second) PostMessageA(second, WM_CLOSE, 0, 0);
  WaitForSingleObject(again, 15000);
  CloseHandle(again);
}

}  // namespace
}  // namespace tvx::e2e
