// The data file keeps its identity through writes: a symbolic link stays a
// link to the file it names, a file with several names keeps them all.
#include <filesystem>
#include <gtest/gtest.h>

#include "child_process.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "support/fake_platform.h"

namespace tvx::store {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

std::string WriteFailure(const std::string& path) {
  try {
    ProfileFile(path).WriteString("Command", "b", "2");
  } catch (const Error& e) {
    return e.what();
  }
  return "no failure";
}

TEST(FileIdentity, AWriteThroughASymbolicLinkChangesTheFileItNamesAndTheLinkStays) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.File("sync"));
  const std::string link = dir.File("TVX.dat"), target = dir.File("sync/TVX.dat");
  WriteFileBytes(target, "[Command]\r\na=1\r\n");
  if (!test::MakeSymbolicLink("sync/TVX.dat", link)) GTEST_SKIP() << "no symbolic links for this process";
  ProfileFile(link).WriteString("Command", "b", "2");
  ProfileFile(link).DeleteKey("Command", "a");
  EXPECT_EQ(ReadFileBytes(target), "[Command]\r\nb=2\r\n");
  // What a write makes on the way lies beside the file the link names.
  for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_TRUE(e.path().filename() == "TVX.dat" || e.path().filename() == "sync") << e.path();
  // A link that points nowhere: the file it names is made, the link stays.
  const std::string dangling = dir.File("new.dat");
  ASSERT_TRUE(test::MakeSymbolicLink("sync/new.dat", dangling));
  ProfileFile(dangling).WriteString("Command", "c", "3");
  EXPECT_EQ(ReadFileBytes(dir.File("sync/new.dat")), "[Command]\r\nc=3\r\n");
  EXPECT_EQ(ProfileFile(dangling).ReadString("Command", "c"), "3");
  // One into a folder that is not there: refused, naming the file.
  const std::string nowhere = dir.File("nowhere.dat");
  ASSERT_TRUE(test::MakeSymbolicLink("gone/TVX.dat", nowhere));
  const std::string failure = WriteFailure(nowhere);
  EXPECT_TRUE(failure.starts_with("Unable to write to " + nowhere + " because the file ")) << failure;
  EXPECT_FALSE(std::filesystem::exists(dir.File("gone")));
  EXPECT_FALSE(std::filesystem::is_regular_file(std::filesystem::symlink_status(nowhere)));
  // One into a folder that cannot be written (sysfs takes no new file,
  // even from root): refused, and still no plain file in the link's place.
  const std::string walled = dir.File("walled.dat");
  ASSERT_TRUE(test::MakeSymbolicLink("/sys/TVX.dat", walled));
  EXPECT_TRUE(WriteFailure(walled).starts_with("Unable to write to " + walled));
  EXPECT_FALSE(std::filesystem::is_regular_file(std::filesystem::symlink_status(walled)));
#ifndef _WIN32
  // Wine cannot tell where such a link leads; elsewhere the message says.
  EXPECT_NE(failure.find(dir.File("gone/TVX.dat")), std::string::npos) << failure;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_TRUE(std::filesystem::is_symlink(dangling));
#endif
  // Under Wine the folder's removal would meet links it cannot see.
  for (const std::string& made : {link, dangling, nowhere, walled}) test::RemoveSymbolicLink(made);
}

TEST(FileIdentity, AFileWithTwoNamesShowsEveryWriteUnderBoth) {
  test::TempDir dir;
  const std::string path = DataFilePath(dir.Path()), other = dir.File("persist.dat");
  WriteFileBytes(path, "[Command]\r\na=1\r\nlong=" + std::string(100, 'x') + "\r\n");
  std::filesystem::create_hard_link(path, other);
  ProfileFile file(path);
  file.WriteString("Command", "b", "2");
  file.DeleteKey("Command", "long");  // shorter: the rest is cut off
  EXPECT_EQ(ReadFileBytes(other), "[Command]\r\na=1\r\nb=2\r\n");
  EXPECT_EQ(test::NamesOf(other), 2u);
  EXPECT_FALSE(test::PathExists(path + ".journal"));

  // A writer killed while copying its journal over the file: the next one
  // to open the file finishes the copy; one killed while writing the
  // journal leaves the file as it was.
  const std::string copied = "[Command]\r\na=1\r\nb=2\r\nc=3\r\n";
  WriteFileBytes(path + ".journal", fileio::JournalHeader(copied) + copied);
  WriteFileBytes(path, "[Command]\r\na=1\r\nb=2\r\nc");
  EXPECT_EQ(ProfileFile(path).ReadString("Command", "c"), "3");
  EXPECT_EQ(ReadFileBytes(other), copied);
  EXPECT_FALSE(test::PathExists(path + ".journal"));
  WriteFileBytes(path + ".journal", (fileio::JournalHeader(copied + "d=4\r\n") + copied + "d=4\r\n").substr(0, 40));
  ProfileFile(path).WriteString("Command", "e", "5");
  EXPECT_EQ(ReadFileBytes(other), copied + "e=5\r\n");
  EXPECT_FALSE(test::PathExists(path + ".journal"));
}

}  // namespace
}  // namespace tvx::store
