// The program's own command-line reading and start routing.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace tvx::app {
namespace {

using Args = std::vector<std::string>;

TEST(SplitArguments, FollowsTheProgramsOwnRulesNotTheCRuntimes) {
  EXPECT_EQ(SplitArguments("TVX.exe"), Args{});
  EXPECT_EQ(SplitArguments("\"C:\\Program Files\\TVX.exe\" /l n calc"), (Args{"/l", "n", "calc"}));
  // Runs of blanks and control characters separate.
  EXPECT_EQ(SplitArguments("TVX.exe  /l\t\tn \r\n calc  "), (Args{"/l", "n", "calc"}));
  // A quoted stretch keeps its blanks and loses its quotes, also inside a token.
  EXPECT_EQ(SplitArguments("TVX.exe /setcmd \"C:\\My Files\\a b.txt\" extra"),
            (Args{"/setcmd", "C:\\My Files\\a b.txt", "extra"}));
  EXPECT_EQ(SplitArguments("TVX.exe a\"b c\"d"), (Args{"ab cd"}));
  // No escape character: a backslash before a quote is an ordinary character.
  EXPECT_EQ(SplitArguments("TVX.exe \"C:\\dir\\\" x"), (Args{"C:\\dir\\", "x"}));
  // A token starting with an empty pair of quotes loses it.
  EXPECT_EQ(SplitArguments("TVX.exe \"\"abc \"\" def"), (Args{"abc", "def"}));
  // An unterminated quote runs to the end.
  EXPECT_EQ(SplitArguments("TVX.exe \"a b"), (Args{"a b"}));
  // The list ends at the first token that comes out empty.
  EXPECT_EQ(SplitArguments("TVX.exe a \" b"), (Args{"a", " b"}));
  EXPECT_EQ(SplitArguments("TVX.exe a \""), (Args{"a"}));
  EXPECT_EQ(SplitArguments("TVX.exe a \"\"\""), (Args{"a"}));
  EXPECT_EQ(SplitArguments("TVX.exe a \"\" \"\" b"), (Args{"a", "b"}));
}

TEST(SplitArguments, UnquotedProgramPathWithBlanksShiftsTheArguments) {
  EXPECT_EQ(SplitArguments("C:\\Program Files\\TVX.exe /l n"), (Args{"Files\\TVX.exe", "/l", "n"}));
  EXPECT_EQ(ClassifyStart(SplitArguments("C:\\Program Files\\TVX.exe /l n")), StartKind::Interactive);
}

TEST(ClassifyStart, SwitchesAreWholeArgumentsLoweredAToZ) {
  EXPECT_EQ(ClassifyStart({}), StartKind::Interactive);
  EXPECT_EQ(ClassifyStart({"/L", "n"}), StartKind::Launch);
  EXPECT_EQ(ClassifyStart({"/l"}), StartKind::Interactive);
  EXPECT_EQ(ClassifyStart({"/SetCmd", "C:\\a.txt"}), StartKind::SetCommand);
  EXPECT_EQ(ClassifyStart({"/setcmd"}), StartKind::SetCommand);
  EXPECT_EQ(ClassifyStart({"-l", "n"}), StartKind::Interactive);
  EXPECT_EQ(ClassifyStart({"l", "n"}), StartKind::Interactive);
  EXPECT_EQ(ClassifyStart({"/l:", "n"}), StartKind::Interactive);
  EXPECT_EQ(ClassifyStart({"/setcmd:", "x"}), StartKind::Interactive);
}

TEST(JoinLaunchNames, JoinsWithBlanksAndTrims) {
  EXPECT_EQ(JoinLaunchNames({"/l", "  n  "}), "n");
  EXPECT_EQ(JoinLaunchNames({"/l", "n calc", "x"}), "n calc x");
  EXPECT_EQ(JoinLaunchNames({"/l", "n", "", "x"}), "n  x");
}

}  // namespace
}  // namespace tvx::app
