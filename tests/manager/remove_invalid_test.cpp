// "Remove Invalid Command" against a faked file system, with "K" down and up.
#include <functional>

#include "manager_fixture.h"

namespace tvx::test {
namespace {

using namespace ui::user;

const std::string kQuestion =
    "This will remove ALL Commands with \"Invalid Location\", are you sure you want to do this!";

class RemoveInvalidTest : public ManagerTest {
 protected:
  void SetUp() override {
    fake.files.directories = {"C:", "C:\\Data", "C:\\Data\\", "C:\\Windows"};
    fake.files.files = {"C:\\Windows\\notepad.exe"};
    fake.environment.Set("WINDIR", "C:\\Windows");
    WriteCommands({
        {"gone", "C:\\Tools\\gone.exe|"},
        {"xdrive", "X:\\Files\\doc.txt|"},
        {"web", "https://example.com/page|"},
        {"np", "notepad.exe|"},
        {"ctl", "control|"},
        {"upper", "NOTEPAD.EXE|"},
        {"dl", "shell:Downloads|"},
        {"win", "%WINDIR%\\notepad.exe|"},
        {"wingone", "%WINDIR%\\gone.exe|"},
        {"data", "C:\\Data|"},
        {"data2", "C:\\Data\\|"},
        {"empty", ""},
        {"params", "C:\\Windows\\notepad.exe|C:\\gone\\x.txt"},
        {"reg", "HKCU>>Software\\Tool>>Path|"},
    });
  }
  // Answers the question with Yes and runs the pass.
  void RunPass(bool keepDown) {
    auto& m = OpenManager();
    if (m.spdKUD.Down() != keepDown) ClickSpeedButton(m.spdKUD);
    ui.messageAnswers.push_back(ui::MsgResult::Yes);
    Click(m.cmdRIC);
  }
};

TEST_F(RemoveInvalidTest, KDownKeepsLocationsOnMissingDrivesAndWithoutColon) {
  RunPass(true);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"xdrive", "web", "np", "ctl", "upper", "dl", "win", "data", "data2",
                                              "empty", "params", "reg"}));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text, kQuestion);
  EXPECT_EQ(ui.messages[0].kind, ui::MsgKind::Warning);
  EXPECT_EQ(ui.messages[0].buttons, ui::MsgButtons::YesNo);
  EXPECT_EQ(ui.messages[1].text, "2 command(s) with Invalid Location deleted!");
  EXPECT_EQ(ui.messages[1].kind, ui::MsgKind::Information);
  // The list is reloaded; the boxes show the topmost row found invalid.
  EXPECT_EQ(cm->lvCmd.RowCount(), 12);
  EXPECT_EQ(cm->txtName.Text(), "ctl");
  EXPECT_GE(ui.processMessagesCalls, 14);
}

TEST_F(RemoveInvalidTest, KUpDeletesEverythingInvalidButAddresses) {
  RunPass(false);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"web", "np", "win", "data", "data2", "params"}));
  EXPECT_EQ(ui.messages.back().text, "8 command(s) with Invalid Location deleted!");
}

TEST_F(RemoveInvalidTest, AnythingButYesChangesNothing) {
  auto& m = OpenManager();
  ui.messageAnswers.push_back(ui::MsgResult::No);
  Click(m.cmdRIC);
  Click(m.cmdRIC);  // box closed without a button
  EXPECT_EQ(Keys().size(), 14u);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].text, kQuestion);
}

TEST_F(ManagerTest, NothingInvalidStillReportsZero) {
  WriteCommands({{"np", "notepad.exe|"}});
  auto& m = OpenManager();
  ui.messageAnswers.push_back(ui::MsgResult::Yes);
  Click(m.cmdRIC);
  EXPECT_EQ(ui.messages.back().text, "0 command(s) with Invalid Location deleted!");
  EXPECT_EQ(m.lvCmd.RowCount(), 1);
}

// Lets the test act while the pass hands control to pending events.
class SteppingUi : public ui::MemoryUi {
 public:
  std::function<void()> onProcessMessages;
  void ProcessMessages() override {
    MemoryUi::ProcessMessages();
    if (onProcessMessages) onProcessMessages();
  }
};

TEST(RemoveInvalidPass, WindowIsBlockedAndRowsGoneMeanwhileAreLeftAlone) {
  FakePlatform fake;
  fake.files.directories = {"C:"};
  SteppingUi ui;
  TempDir dir;
  Context ctx{fake.platform, ui, dir.Path()};
  WriteFileBytes(ctx.DataFile(), "[Command]\r\na=C:\\gone-a.exe|\r\nb=notepad.exe|\r\nc=C:\\gone-c.exe|\r\n");
  manager::TtvxCM m(ctx);
  ui.shownForms.push_back(&m);
  m.RaiseActivate();
  ClickSpeedButton(m.spdKUD);  // up: delete what is invalid

  std::vector<bool> blocked;
  ui.onProcessMessages = [&] {
    blocked.push_back(!m.cmdRem.Enabled() && !m.lvCmd.Enabled() && !m.txtName.Enabled() && !m.cmdRIC.Enabled());
    // Something removed row "a" from the list in the middle of the pass.
    if (blocked.size() == 1) m.lvCmd.DeleteRow(0);
  };
  ui.messageAnswers.push_back(ui::MsgResult::Yes);
  Click(m.cmdRIC);

  EXPECT_EQ(blocked, (std::vector<bool>{true, true, true}));
  store::ProfileFile file(ctx.DataFile());
  EXPECT_EQ(file.ListKeys(store::kCommandSection), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(ui.messages.back().text, "1 command(s) with Invalid Location deleted!");
  EXPECT_TRUE(m.cmdRem.Enabled());
  EXPECT_TRUE(m.txtName.Enabled());
  EXPECT_TRUE(m.lvCmd.Enabled());
  ui.shownForms.clear();
}

}  // namespace
}  // namespace tvx::test
