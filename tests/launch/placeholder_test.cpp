// Commands that take the rest of the typed line: the placeholders of a stored
// value, which name takes the words, and what the folder view is shown for.
#include <gtest/gtest.h>

#include "launch/launch.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "support/fake_platform.h"

namespace tvx {
namespace {

using launch::Arguments;
using launch::SubstitutePlaceholders;
using test::FakePlatform;

TEST(Placeholders, EachMarkerDollarPairsAndMissingWords) {
  Arguments args{"rust  borrow checker", {"rust", "borrow", "checker"}};
  EXPECT_EQ(SubstitutePlaceholders("$1|$3|$4|$9", args), "rust|checker||");
  EXPECT_EQ(SubstitutePlaceholders("[$*]", args), "[rust  borrow checker]");
  EXPECT_EQ(SubstitutePlaceholders("q=$q", args), "q=rust++borrow+checker");
  EXPECT_EQ(SubstitutePlaceholders("$$1 costs $$$1 $x $", args), "$1 costs $rust $x $");
  EXPECT_EQ(SubstitutePlaceholders("$1$2", Arguments{}), "");
  // "$$" is one dollar only where a real placeholder stands beside it.
  EXPECT_FALSE(launch::HoldsPlaceholder("C:\\$$1\\a$.exe $Q $0"));
  EXPECT_TRUE(launch::HoldsPlaceholder("$$$1"));
  EXPECT_TRUE(launch::HoldsPlaceholder("x$*"));
}

TEST(Placeholders, QueryEncodingOfUtf8AndReservedCharacters) {
  EXPECT_EQ(launch::QueryEncode("a b&c=d/e?f+g#h%~-_.Z9"), "a+b%26c%3Dd%2Fe%3Ff%2Bg%23h%25~-_.Z9");
  EXPECT_EQ(launch::QueryEncode("gr\xC3\xBC\xC3\x9F \xE6\x97\xA5"), "gr%C3%BC%C3%9F+%E6%97%A5");
}

class ArgumentLaunchTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  FakePlatform fp;
  std::string path = store::DataFilePath(dir.Path());
  void SetUp() override {
    fp.environment.Set("WINDIR", "C:\\Windows");
    test::WriteFileBytes(path,
                         "[Command]\r\nn=notepad.exe|\r\n"
                         "g=https://www.example.com/search?q=$q|\r\n"
                         "ssh=%WINDIR%\\ssh.exe|-p 22 $1 $$HOME\r\n"
                         "tool=C:\\$1\\bin\\app.exe|$*\r\n"
                         "plain=C:\\a$b\\x.exe|$$1 %WINDIR%\r\n");
  }
  std::vector<std::string> Launch(const std::string& typed, const std::string& verb = "") {
    store::ProfileFile data(path);
    launch::LaunchNamedValues(launch::FindNamedValues(typed, data), nullptr, fp, verb);
    std::vector<std::string> calls;
    for (auto& c : fp.shell.calls) calls.push_back(c.verb + ">" + c.file + "|" + c.params + "|" + c.directory);
    fp.shell.calls.clear();
    return calls;
  }
};

TEST_F(ArgumentLaunchTest, TheFirstPlaceholderNameTakesTheRestOfTheLine) {
  // Names before it launch as usual; nothing after it is looked up as a name.
  EXPECT_EQ(Launch("n g rust n borrow"),
            (std::vector<std::string>{">notepad.exe||", ">https://www.example.com/search?q=rust+n+borrow||https:"}));
  EXPECT_EQ(Launch("g"), (std::vector<std::string>{">https://www.example.com/search?q=||https:"}));
  // A value without markers stays byte for byte as it was.
  EXPECT_EQ(Launch("plain n"),
            (std::vector<std::string>{">C:\\a$b\\x.exe|$$1 C:\\Windows|C:\\a$b\\", ">notepad.exe||"}));
}

TEST_F(ArgumentLaunchTest, TypedTextIsTakenLiterallyAndTheDirectoryFollowsTheFinalLocation) {
  EXPECT_EQ(Launch("ssh %WINDIR%"),
            (std::vector<std::string>{">C:\\Windows\\ssh.exe|-p 22 %WINDIR% $HOME|C:\\Windows\\"}));
  EXPECT_EQ(Launch("tool Tools  -x  \"a b\"", "runas"),
            (std::vector<std::string>{"runas>C:\\Tools\\bin\\app.exe|Tools  -x  \"a b\"|C:\\Tools\\bin\\"}));
}

TEST_F(ArgumentLaunchTest, TheManagersLaunchHasNoWords) {
  launch::ExecuteStoredValue("C:\\$1\\bin\\app.exe|-a $* $q", nullptr, fp);
  ASSERT_EQ(fp.shell.calls.size(), 1u);
  EXPECT_EQ(fp.shell.calls[0].file, "C:\\\\bin\\app.exe");
  EXPECT_EQ(fp.shell.calls[0].params, "-a  ");
}

TEST(FolderSelection, WhatEachKindOfTargetShows) {
  FakePlatform fp;
  fp.links.existing["C:\\Links\\Tool.LNK"] = {"D:\\Apps\\tool.exe", "-x"};
  fp.shell.onSearchPath["notepad"] = "C:\\Windows\\notepad.exe";
  fp.registry.Put(RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\winword.exe", "",
                  "\"C:\\Office\\WINWORD.EXE\"");
  auto target = [&](const std::string& file) { return launch::FolderSelectionTarget(file, fp); };
  EXPECT_EQ(target("C:\\Links\\Tool.LNK"), "D:\\Apps\\tool.exe");
  EXPECT_EQ(target("C:\\Links\\broken.lnk"), "C:\\Links\\broken.lnk");
  EXPECT_EQ(target("notepad"), "C:\\Windows\\notepad.exe");
  EXPECT_EQ(target("winword"), "C:\\Office\\WINWORD.EXE");
  EXPECT_EQ(target("nosuchprogram"), "");
  EXPECT_EQ(target("C:\\Data\\report.txt"), "C:\\Data\\report.txt");
  for (const char* none : {"https://example.com/", "mailto:bob@example.com", "shell:Downloads",
                           "ms-settings:", "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"})
    EXPECT_EQ(target(none), "") << none;
}

}  // namespace
}  // namespace tvx
