// Actions that change several commands at once when the data file cannot
// take the change: nothing changes, the failure is shown once, no row goes.
#include <filesystem>

#include "manager_fixture.h"
#include "support/disk_faults.h"

namespace tvx::test {
namespace {

using namespace ui::user;

void MakeReadOnly(const std::string& path, bool readOnly) {
  using std::filesystem::perms;
  std::filesystem::permissions(path, perms::owner_write | perms::group_write | perms::others_write,
                               readOnly ? std::filesystem::perm_options::remove : std::filesystem::perm_options::add);
}

TEST_F(ManagerTest, ReplaceAndAddingPredefinedCommandsOnAFullDiskChangeNothing) {
  if (!FullDisk::Available()) GTEST_SKIP() << "no way to fill the disk here";
  WriteCommands({{"a", "a.exe|"}, {"b", "b.exe|"}});
  const std::string before = ReadFileBytes(ctx.DataFile());
  auto& m = OpenManager();
  SelectRow(m.lvCmd, RowOf("a"));
  m.txtName.SetText("a-longer-name");
  {
    // Room for the file without "a", not for it with the longer name.
    FullDisk full(before.size());
    Click(m.cmdReplace);
    ui.modalScripts.push_back([](ui::Form& f) { Click(*f.FindControl("Button2")); });
    Click(m.Button54);
  }
  ASSERT_EQ(ui.messages.size(), 2u);
  for (const auto& message : ui.messages)
    EXPECT_EQ(message.text.rfind("Unable to write to " + ctx.DataFile(), 0), 0u) << message.text;
  EXPECT_EQ(ReadFileBytes(ctx.DataFile()), before);
  EXPECT_EQ(ListRows(), (Commands{{"a", "a.exe|"}, {"b", "b.exe|"}}));
}

TEST_F(ManagerTest, DeletionsFromAReadOnlyFileFailAndTheRowsStay) {
  WriteCommands({{"a", "X:\\gone.exe|"}, {"b", "X:\\gone2.exe|"}});
  fake.files.directories = {"X:"};
  auto& m = OpenManager();
  MakeReadOnly(ctx.DataFile(), true);
  Select({"a", "b"});
  Click(m.cmdRem);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text.rfind("Unable to write to " + ctx.DataFile(), 0), 0u);
  EXPECT_EQ(m.lvCmd.RowCount(), 2);
  // Remove Invalid Command counts only what was deleted: nothing here.
  ClickSpeedButton(m.spdKUD);
  ui.messageAnswers.push_back(ui::MsgResult::Yes);
  Click(m.cmdRIC);
  ASSERT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(ui.messages[2].text, "0 command(s) with Invalid Location deleted!");
  EXPECT_EQ(ui.messages[3].text.rfind("Unable to write to " + ctx.DataFile(), 0), 0u);
  MakeReadOnly(ctx.DataFile(), false);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(m.lvCmd.RowCount(), 2);
}

}  // namespace
}  // namespace tvx::test
