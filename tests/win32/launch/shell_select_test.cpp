// The shell's side of "open the containing folder": a bare program name found
// as a start by name finds it, and a file shown selected in its folder.
#include <gtest/gtest.h>
#include <string>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "support/fake_platform.h"
// After windows.h, which it needs.
#include <tlhelp32.h>

namespace tvx::win32 {
namespace {

TEST(ShellSelect, BareProgramNamesAreFoundOnTheSearchPathWithOrWithoutExtension) {
  Win32Shell shell;
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  for (const char* name : {"cmd", "CMD.EXE"}) {
    std::optional<std::string> found = shell.FindOnSearchPath(name);
    ASSERT_TRUE(found.has_value()) << name;
    EXPECT_TRUE(text::EqualsNoCase(*found, std::string(system) + "\\cmd.exe")) << *found;
  }
  EXPECT_FALSE(shell.FindOnSearchPath("no-such-program-anywhere").has_value());
  // A folder on the path is no program.
  EXPECT_FALSE(shell.FindOnSearchPath("system32").has_value());
}

// Ends the folder windows' programs that this test started (children of this process).
void EndStartedFolderViews() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ParentProcessID != GetCurrentProcessId()) continue;
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID)) {
      TerminateProcess(process, 0);
      CloseHandle(process);
    }
  }
  CloseHandle(snapshot);
}

TEST(ShellSelect, AFileIsShownInItsFolderAndAMissingOneIsRefused) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("shown.txt"), "x");
  EXPECT_FALSE(Win32Shell().ShowInFolder(dir.File("missing\\nothing.txt")));
  // The folder view must not hold the test's output open after the test.
  HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, nul);
  SetStdHandle(STD_ERROR_HANDLE, nul);
  bool shown = Win32Shell().ShowInFolder(dir.File("shown.txt"));
  SetStdHandle(STD_OUTPUT_HANDLE, out);
  SetStdHandle(STD_ERROR_HANDLE, err);
  CloseHandle(nul);
  Sleep(500);
  EndStartedFolderViews();
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace tvx::win32
