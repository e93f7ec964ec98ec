// File and folder tests, whole-file writes and special folders on the real file system.
#include <gtest/gtest.h>
#include <string>

#include "platform/win32/win32_platform.h"
#include "support/fake_platform.h"

namespace tvx::win32 {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

TEST(FilesTest, FileAndFolderTestsFollowFindFirstFileAndAttributes) {
  TempDir dir;
  Win32FileSystem fs;
  WriteFileBytes(dir.File("report.txt"), "x");
  ASSERT_TRUE(CreateDirectoryA(dir.File("Reports").c_str(), nullptr));
  std::string folder = dir.Path();  // ends with a backslash
  std::string bare = folder.substr(0, folder.size() - 1);

  EXPECT_TRUE(fs.FileExists(dir.File("report.txt")));
  EXPECT_TRUE(fs.FileExists(dir.File("REPORT.TXT")));
  EXPECT_FALSE(fs.FileExists(dir.File("missing.txt")));
  EXPECT_FALSE(fs.FileExists(dir.File("Reports")));  // a folder is no file
  EXPECT_FALSE(fs.FileExists(dir.File("Reports\\")));
  EXPECT_TRUE(fs.FileExists(dir.File("*.txt")));  // wildcards match as the search does
  EXPECT_TRUE(fs.FileExists(dir.File("rep?rt.txt")));
  EXPECT_FALSE(fs.FileExists(dir.File("*.doc")));
  EXPECT_FALSE(fs.FileExists(dir.File("Rep*s")));  // the only match is a folder

  EXPECT_TRUE(fs.DirectoryExists(bare));
  EXPECT_TRUE(fs.DirectoryExists(folder));
  EXPECT_TRUE(fs.DirectoryExists(dir.File("Reports")));
  EXPECT_TRUE(fs.DirectoryExists(dir.File("Reports\\")));
  EXPECT_FALSE(fs.DirectoryExists(dir.File("report.txt")));
  EXPECT_FALSE(fs.DirectoryExists(dir.File("Nothing")));
  EXPECT_FALSE(fs.DirectoryExists(dir.File("Rep*")));  // no wildcards here

  EXPECT_TRUE(fs.DirectoryExists("C:\\"));
  EXPECT_TRUE(fs.DirectoryExists("C:"));  // the drive's current folder
  EXPECT_FALSE(fs.FileExists("C:\\"));
}

TEST(FilesTest, WriteNewFileWritesExactBytesAndReplaces) {
  TempDir dir;
  Win32FileSystem fs;
  std::string path = dir.File("PinToTaskbar.vbs");
  WriteFileBytes(path, std::string(5000, 'o'));
  std::string bytes = std::string("line 1\r\n\tline 2\r\n") + '\0' + "\xE9\xFF" + "end";
  std::string reason;
  EXPECT_TRUE(fs.WriteNewFile(path, bytes, reason));
  EXPECT_EQ(ReadFileBytes(path), bytes);
  EXPECT_TRUE(fs.WriteNewFile(path, "", reason));
  EXPECT_EQ(ReadFileBytes(path), "");
  EXPECT_TRUE(fs.RemoveFile(path));
  EXPECT_FALSE(fs.RemoveFile(path));
}

TEST(FilesTest, WriteNewFileFailuresCarryTheSystemText) {
  TempDir dir;
  Win32FileSystem fs;
  std::string locked = dir.File("locked.htm");
  WriteFileBytes(locked, "old");
  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  std::string reason, onFolder, noFolder;
  const bool written = fs.WriteNewFile(locked, "new", reason);
  CloseHandle(holder);
  ASSERT_FALSE(written);
  EXPECT_EQ(reason, LastErrorText(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(ReadFileBytes(locked), "old");

  ASSERT_FALSE(fs.WriteNewFile(dir.Path(), "x", onFolder));
  EXPECT_EQ(onFolder, LastErrorText(ERROR_ACCESS_DENIED));

  ASSERT_FALSE(fs.WriteNewFile(dir.File("No Such Folder\\x.htm"), "x", noFolder));
  EXPECT_EQ(noFolder, LastErrorText(ERROR_PATH_NOT_FOUND));
  for (const auto& text : {reason, onFolder, noFolder}) {
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find_first_not_of(' '), std::string::npos);
  }
}

TEST(FilesTest, SpecialAndTemporaryFolders) {
  Win32FileSystem fs;
  auto desktop = fs.SpecialFolder(kCsidlDesktop);
  ASSERT_TRUE(desktop.has_value());
  EXPECT_FALSE(desktop->empty());
  EXPECT_NE(desktop->back(), '\\');
  EXPECT_TRUE(fs.DirectoryExists(*desktop));

  auto appData = fs.SpecialFolderCreate(kCsidlAppData);
  ASSERT_TRUE(appData.has_value());
  EXPECT_TRUE(fs.DirectoryExists(*appData));
  EXPECT_EQ(fs.SpecialFolder(kCsidlAppData), appData);

  // Virtual folders have no file-system path.
  constexpr int kCsidlDrives = 0x11;
  EXPECT_EQ(fs.SpecialFolder(kCsidlDrives), std::nullopt);

  std::string temp = fs.TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(fs.DirectoryExists(temp));
}

}  // namespace
}  // namespace tvx::win32
