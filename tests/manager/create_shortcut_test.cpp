// "Create Shortcut": names, targets, icons and working folders of the
// shortcuts written for the selected commands.
#include "manager_fixture.h"

namespace tvx::test {
namespace {

using namespace ui::user;

class CreateShortcutTest : public ManagerTest {
 protected:
  void SetUp() override {
    fake.files.specialFolders[kCsidlDesktop] = desktop;
    fake.files.directories = {"C:\\Data\\Reports"};
  }
  void Press(bool relative, const std::vector<std::string>& selected) {
    auto& m = OpenManager();
    if (m.chkRelative.Down() != relative) ClickSpeedButton(m.chkRelative);
    Select(selected);
    Click(m.BitBtn1);
  }
  const FakeShellLinks::Written& Link(size_t i) { return fake.links.writes.at(i); }
  std::string desktop = "C:\\Users\\me\\Desktop";
};

TEST_F(CreateShortcutTest, PlainShortcutPointsAtTheLocation) {
  WriteCommands({{"app", "C:\\Tools\\app.exe|-a|-b"}, {"rep", "C:\\Data\\Reports|"}, {"other", "o.exe|"}});
  Press(false, {"app", "rep"});
  ASSERT_EQ(fake.links.writes.size(), 2u);
  EXPECT_EQ(Link(0).path, desktop + "\\app.lnk");
  EXPECT_EQ(Link(0).fields.target, "C:\\Tools\\app.exe");
  EXPECT_EQ(Link(0).fields.arguments, "-a");
  EXPECT_EQ(Link(0).fields.iconFile, "C:\\Tools\\app.exe");
  EXPECT_EQ(Link(0).fields.iconIndex, 0);
  EXPECT_EQ(Link(0).fields.workingFolder, "C:\\Tools\\");
  EXPECT_EQ(Link(1).path, desktop + "\\Reports.lnk");
  EXPECT_EQ(Link(1).fields.workingFolder, "C:\\Data\\");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CreateShortcutTest, RelativeShortcutStartsTheProgramWithTheCommandName) {
  WriteCommands({{"rep", "C:\\Data\\Reports|"}, {"app", "C:\\Tools\\app.exe|-a"}});
  Press(true, {"rep", "app"});
  ASSERT_EQ(fake.links.writes.size(), 2u);
  // List order: app before rep.
  EXPECT_EQ(Link(0).path, desktop + "\\app.lnk");
  EXPECT_EQ(Link(0).fields.target, dir.Path() + "tvx.exe");
  EXPECT_EQ(Link(0).fields.arguments, "/l app");
  EXPECT_EQ(Link(0).fields.iconFile, "C:\\Tools\\app.exe");
  EXPECT_EQ(Link(0).fields.iconIndex, 0);
  EXPECT_EQ(Link(0).fields.workingFolder, "");
  EXPECT_EQ(Link(1).fields.arguments, "/l rep");
  EXPECT_EQ(Link(1).fields.iconFile, "C:\\Windows\\system32\\shell32.dll");
  EXPECT_EQ(Link(1).fields.iconIndex, 3);
}

TEST_F(CreateShortcutTest, NamesFromOddValuesAndTheLaterRowWins) {
  WriteCommands({{"a", "C:\\A\\run.bat|"},
                 {"b", "C:\\B\\run.bat|"},
                 {"c", "C:\\Folder\\|"},
                 {"d", "|"},
                 {"e", "|C:\\x\\after.exe"}});
  Press(false, {"a", "b", "c", "d", "e"});
  ASSERT_EQ(fake.links.writes.size(), 5u);
  EXPECT_EQ(Link(1).path, desktop + "\\run.lnk");
  EXPECT_EQ(Link(1).fields.target, "C:\\B\\run.bat");
  EXPECT_EQ(Link(2).path, desktop + "\\.lnk");
  EXPECT_EQ(Link(3).path, desktop + "\\.lnk");
  EXPECT_EQ(Link(3).fields.target, "");
  EXPECT_EQ(Link(4).path, desktop + "\\after.lnk");
  EXPECT_EQ(Link(4).fields.arguments, "");
}

TEST_F(CreateShortcutTest, NothingSelectedWritesNothing) {
  WriteCommands({{"a", "a.exe|"}});
  Press(false, {});
  EXPECT_TRUE(fake.links.writes.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CreateShortcutTest, TooLongPathIsRefusedByNameAndTheOthersAreWritten) {
  std::string longName(259 - desktop.size() - 5, 'x');  // exactly 259 characters in all
  WriteCommands({{"fits", "C:\\" + longName + ".exe|"},
                 {"long1", "C:\\" + longName + "y.exe|"},
                 {"long2", "C:\\" + longName + "z.exe|"},
                 {"short", "C:\\s.exe|"}});
  Press(false, {"fits", "long1", "long2", "short"});
  ASSERT_EQ(fake.links.writes.size(), 2u);
  EXPECT_EQ(Link(0).path.size(), 259u);
  EXPECT_EQ(Link(1).path, desktop + "\\s.lnk");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "The shortcuts for \"long1\", \"long2\" cannot be created: their paths are longer than 259 characters.");
}

TEST_F(CreateShortcutTest, OtherFailureStopsAtTheFirstFailingRow) {
  WriteCommands({{"a", "a.exe|"}, {"b", "b.exe|"}});
  fake.links.failWith = "Access is denied.";
  Press(false, {"a", "b"});
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Access is denied.");
}

}  // namespace
}  // namespace tvx::test
