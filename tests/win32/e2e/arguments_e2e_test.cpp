// A "/l" start of the real TVX.exe with a command that takes the rest of the
// line: the recorder program gets the words in place of the placeholders and
// starts in the folder of the location as completed by them.
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace tvx::e2e {
namespace {

TEST(ArgumentsStart, WordsAfterTheNameFillThePlaceholdersAndTheWorkingFolder) {
  Sandbox box;
  std::string sub = box.Folder() + "tools";
  ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(box.Recorder().c_str(), (sub + "\\recorder.exe").c_str(), FALSE));
  // "one" launches alone; "run" takes every word after it, so "one" after it is an argument.
  box.WriteData("[Command]\r\none=" + box.Recorder() + "|first\r\nrun=" + box.Folder() +
                "$1\\recorder.exe|[$2] [$*] q=$q $$1\r\n");
  EXPECT_EQ(box.Run("/l one run tools \"a b\" one"), 0);
  auto records = box.WaitForRecords(2);
  ASSERT_EQ(records.size(), 2u);
  const Recorded* args = nullptr;
  for (const auto& r : records)
    if (r.commandLine.find("q=") != std::string::npos) args = &r;
  ASSERT_NE(args, nullptr);
  // The command line joins the arguments of "/l" with one blank each.
  EXPECT_NE(args->commandLine.find("[a] [tools a b one] q=tools+a+b+one $1"), std::string::npos) << args->commandLine;
  std::string dir = args->directory;
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  EXPECT_EQ(dir, sub);
}

}  // namespace
}  // namespace tvx::e2e
