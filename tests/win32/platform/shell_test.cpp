// ShellExecute through the shell interface: a started program gets its
// parameters and the given working folder; a missing one reports failure.
#include <gtest/gtest.h>
#include <string>

#include "platform/win32/win32_platform.h"
#include "support/fake_platform.h"

namespace tvx::win32 {
namespace {

using test::ReadFileBytes;
using test::TempDir;

// Waits until the file exists, holds something and its writer has closed it
// (it opens without sharing).
bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 300; ++i) {  // at most 30 seconds
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      LARGE_INTEGER size{};
      bool done = GetFileSizeEx(file, &size) && size.QuadPart > 0;
      CloseHandle(file);
      if (done) return true;
    }
    Sleep(100);
  }
  return false;
}

TEST(ShellTest, StartsTheProgramWithParametersInTheGivenFolder) {
  TempDir dir;
  Win32Shell shell;
  // The relative output name lands in the working folder handed over.
  std::intptr_t result = shell.Execute(nullptr, "", "cmd.exe", "/c echo started>out.txt", dir.Path(), kSwHide);
  EXPECT_GT(result, 32);
  ASSERT_TRUE(WaitForFile(dir.File("out.txt")));
  EXPECT_EQ(ReadFileBytes(dir.File("out.txt")).substr(0, 7), "started");
}

TEST(ShellTest, MissingTargetsReportTheShellsErrorCode) {
  Win32Shell shell;
  std::intptr_t result = shell.Execute(nullptr, "", "C:\\no such folder\\nothing.exe", "", "", kSwShowNormal);
  EXPECT_LE(result, 32);
  EXPECT_GE(result, 0);
}

}  // namespace
}  // namespace tvx::win32
