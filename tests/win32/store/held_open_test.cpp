// Writes against a file that another program keeps open without letting it
// be replaced (as some scanners and editors do): a few seconds of retries,
// then a failure that leaves the old file whole.
#include <windows.h>

#include <chrono>
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/win32/win32_platform.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "support/fake_platform.h"

namespace tvx::store {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

// The file held open for reading, sharing reads only.
HANDLE Hold(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(HeldOpenFile, WritesRetryForAFewSecondsThenFailAndKeepTheOldFile) {
  test::TempDir dir;
  const std::string path = DataFilePath(dir.Path()), page = dir.File("page.htm");
  WriteFileBytes(path, "[Command]\r\na=1\r\n");
  WriteFileBytes(page, "old page");
  ProfileFile file(path);
  HANDLE data = Hold(path), held = Hold(page);
  ASSERT_NE(data, INVALID_HANDLE_VALUE);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  const auto start = std::chrono::steady_clock::now();
  try {
    file.WriteString("Command", "b", "2");
    ADD_FAILURE() << "replaced a file held open";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path + " because another program keeps it open");
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::seconds(2));
  EXPECT_LT(waited, std::chrono::seconds(10));
  win32::Win32FileSystem files;
  std::string reason;
  EXPECT_FALSE(files.WriteNewFile(page, "new page", reason));
  EXPECT_EQ(ReadFileBytes(path), "[Command]\r\na=1\r\n");
  EXPECT_EQ(ReadFileBytes(page), "old page");
  EXPECT_FALSE(test::PathExists(path + ".tmp"));
  EXPECT_FALSE(test::PathExists(page + ".tmp"));

  CloseHandle(data);
  CloseHandle(held);
  file.WriteString("Command", "b", "2");
  EXPECT_EQ(ReadFileBytes(path), "[Command]\r\na=1\r\nb=2\r\n");
  EXPECT_TRUE(files.WriteNewFile(page, "new page", reason)) << reason;
  EXPECT_EQ(ReadFileBytes(page), "new page");
}

}  // namespace
}  // namespace tvx::store
