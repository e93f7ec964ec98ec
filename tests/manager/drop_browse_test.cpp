// Dropping files on the list and the two browse buttons.
#include "manager_fixture.h"

namespace tvx::test {
namespace {

using manager::FolderPart;
using namespace ui::user;

TEST(FolderPart, LastDelimiterRule) {
  EXPECT_EQ(FolderPart("C:\\Tools\\ed.exe"), "C:\\Tools");
  EXPECT_EQ(FolderPart("C:\\ed.exe"), "C:\\");
  EXPECT_EQ(FolderPart("C:\\Data"), "C:\\");
  EXPECT_EQ(FolderPart("C:\\Data\\"), "C:\\Data");
  EXPECT_EQ(FolderPart("C:"), "C:");
  EXPECT_EQ(FolderPart("\\share"), "\\");
  EXPECT_EQ(FolderPart("\\\\server\\"), "\\\\server");
  EXPECT_EQ(FolderPart("ed.exe"), "");
}

TEST_F(ManagerTest, DropAsksForEveryPathAndSkipsCancelled) {
  auto& m = OpenManager();
  ui.inputAnswers = {std::string("first"), std::nullopt, std::string("my editor")};
  DropFiles(m.lvCmd, {"C:\\a.txt", "C:\\b.txt", "C:\\Data"});
  ASSERT_EQ(ui.inputRequests.size(), 3u);
  EXPECT_EQ(ui.inputRequests[0].title, "Add New Item");
  EXPECT_EQ(ui.inputRequests[0].prompt, "Location : \nC:\\a.txt\n\nCommand name :");
  EXPECT_EQ(ui.inputRequests[1].prompt, "Location : \nC:\\b.txt\n\nCommand name :");
  EXPECT_EQ(ui.inputRequests[2].initial, "");
  EXPECT_EQ(Keys(), (std::vector<std::string>{"first", "my-editor"}));
  EXPECT_EQ(Value("first"), "C:\\a.txt|");
  EXPECT_EQ(Value("my-editor"), "C:\\Data|");
  EXPECT_EQ(m.txtName.Text(), "my-editor");
  EXPECT_EQ(m.lvCmd.RowCount(), 2);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ManagerTest, DroppedShortcutIsReadOnlyForTheLowerCaseExtension) {
  fake.links.existing["C:\\Links\\Editor.lnk"] = {"C:\\Tools\\ed.exe", "-n"};
  fake.links.existing["C:\\Links\\Upper.LNK"] = {"C:\\Tools\\up.exe", ""};
  fake.links.existing["C:\\Links\\Panel.lnk"] = {"", ""};  // no file-system target
  WriteCommands({{"ED", "old.exe|"}});
  auto& m = OpenManager();
  m.tvxparam.SetText("stale");
  ui.inputAnswers = {std::string("ed"), std::string("up"), std::string("panel")};
  DropFiles(m.lvCmd, {"C:\\Links\\Editor.lnk", "C:\\Links\\Upper.LNK", "C:\\Links\\Panel.lnk"});
  EXPECT_EQ(Keys(), (std::vector<std::string>{"ED", "up"}));
  EXPECT_EQ(Value("ed"), "C:\\Tools\\ed.exe|-n");
  EXPECT_EQ(Value("up"), "C:\\Links\\Upper.LNK|");
  EXPECT_EQ(fake.links.reads, (std::vector<std::string>{"C:\\Links\\Editor.lnk", "C:\\Links\\Panel.lnk"}));
}

TEST_F(ManagerTest, BrowseFileStartsInTheBoxFolderAndRemembersIt) {
  fake.files.directories = {"C:\\Tools"};
  auto& m = OpenManager();
  ui.openFileAnswers = {std::nullopt, std::string("C:\\Tools\\ed.exe"), std::nullopt};
  Click(m.cmdBFile);
  m.txtParam.SetText("C:\\Tools\\old.exe");
  Click(m.cmdBFile);
  m.txtParam.SetText("Q:\\nowhere\\x.exe");
  Click(m.cmdBFile);
  ASSERT_EQ(ui.openFileRequests.size(), 3u);
  EXPECT_EQ(ui.openFileRequests[0].title, "Browse for File");
  EXPECT_EQ(ui.openFileRequests[0].filter, "All Files (*.*)|*.*");
  EXPECT_EQ(ui.openFileRequests[0].initialDir, "C:\\");
  EXPECT_EQ(ui.openFileRequests[1].initialDir, "C:\\Tools");
  EXPECT_EQ(ui.openFileRequests[2].initialDir, "C:\\Tools");
  // Cancel leaves the box alone.
  EXPECT_EQ(m.txtParam.Text(), "Q:\\nowhere\\x.exe");
}

TEST_F(ManagerTest, BrowseDirSelectsTheExistingFolderPart) {
  fake.files.directories = {"C:\\", "C:\\Data"};
  auto& m = OpenManager();
  ui.folderAnswers = {std::nullopt, std::nullopt, std::string("D:\\Picked"), std::nullopt};
  for (const char* box : {"C:\\Data", "C:\\Data\\", "", "Q:\\x\\y"}) {
    m.txtParam.SetText(box);
    Click(m.cmbBDir);
  }
  ASSERT_EQ(ui.folderRequests.size(), 4u);
  EXPECT_EQ(ui.folderRequests[0].title, "Select Directory");
  EXPECT_EQ(ui.folderRequests[0].startFolder, "C:\\");
  EXPECT_EQ(ui.folderRequests[1].startFolder, "C:\\Data");
  EXPECT_EQ(ui.folderRequests[2].startFolder, "");
  EXPECT_EQ(ui.folderRequests[3].startFolder, "");
  EXPECT_EQ(m.txtParam.Text(), "Q:\\x\\y");
  // The third pick went into the box before the last browse changed nothing.
  m.txtParam.SetText("");
  ui.folderAnswers = {std::string("D:\\Picked")};
  Click(m.cmbBDir);
  EXPECT_EQ(m.txtParam.Text(), "D:\\Picked");
}

}  // namespace
}  // namespace tvx::test
