// The built-in command table and the dialog that copies it into the data file.
#include "launch/predefined.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "context/context.h"
#include "launch/PreCom_Main.h"
#include "store/profile_file.h"
#include "support/fake_platform.h"
#include "ui/memory_backend.h"

namespace tvx {
namespace {

using launch::kPredefinedCommands;
using launch::TPCA;
using namespace ui::user;

const TPCA* Find(const std::string& name) {
  for (const TPCA& row : kPredefinedCommands)
    if (row.name == name) return &row;
  return nullptr;
}

void ExpectRow(const std::string& name, const std::string& caption, const std::string& location,
               const std::string& parameters) {
  const TPCA* row = Find(name);
  ASSERT_NE(row, nullptr) << name;
  EXPECT_EQ(row->caption, caption) << name;
  EXPECT_EQ(row->location, location) << name;
  EXPECT_EQ(row->parameters, parameters) << name;
}

TEST(PredefinedTable, SeventyFiveRowsWithUniqueNames) {
  EXPECT_EQ(kPredefinedCommands.size(), 75u);
  std::set<std::string> names;
  for (const TPCA& row : kPredefinedCommands) EXPECT_TRUE(names.insert(row.name).second) << row.name;
  EXPECT_EQ(std::string(kPredefinedCommands.front().name), "god");
  EXPECT_EQ(std::string(kPredefinedCommands[42].name), "osk");
  EXPECT_EQ(std::string(kPredefinedCommands[43].name), "adm");
  EXPECT_EQ(std::string(kPredefinedCommands.back().name), "win");
}

TEST(PredefinedTable, RowsAsTheyMustBeStored) {
  ExpectRow("god", "GOD MODE", "explorer.exe", "shell:::{ED7BA470-8E54-465E-825C-99712043E01C}");
  ExpectRow("n", "Notepad", "notepad.exe", "");
  ExpectRow("c", "Drive C:\\", "C:\\", "");
  ExpectRow("hib", "Shutdown - Hibernate", "RunDll32.exe", "powrprof.dll,SetSuspendState");
  ExpectRow("slp", "Shutdown - Sleep", "Rundll32.exe", "powrprof.dll,SetSuspendState 0,1,0");
  ExpectRow("dev", "Device Manager", "mmc.exe", "Devmgmt.msc");
  ExpectRow("ej", "Safely Remove Hardware", "Rundll32.exe", "Shell32.dll,Control_RunDLL HotPlug.dll");
  ExpectRow("un", "Uninstall Programs", "Rundll32.exe", "Shell32.dll,Control_RunDLL Appwiz.cpl");
  ExpectRow("kb", "Keyboard", "Rundll32.exe", "Shell32.dll,Control_RunDLL main.cpl,keyboard");
  ExpectRow("stk", "Stiky Notes", "StikyNot.exe", "");
  ExpectRow("task", "Task Scheduler", "mmc.exe", "taskschd.msc /s");
  ExpectRow("adm", "Spc. Folder - Administrative Tools", "Rundll32.exe",
            "url.dll,FileProtocolHandler \"shell:Common Administrative Tools\"");
  ExpectRow("dl", "Spc. Folder - Downloads (Current User)", "Rundll32.exe",
            "url.dll,FileProtocolHandler \"shell:Downloads\"");
  ExpectRow("win", "Spc. Folder - Windows", "Rundll32.exe", "url.dll,FileProtocolHandler shell:Windows");
  int specialFolders = 0;
  for (const TPCA& row : kPredefinedCommands)
    if (std::string(row.caption).rfind("Spc. Folder - ", 0) == 0) {
      ++specialFolders;
      EXPECT_EQ(std::string(row.location), "Rundll32.exe");
    }
  EXPECT_EQ(specialFolders, 32);
}

class PredefinedDialogTest : public ::testing::Test {
 protected:
  std::vector<std::string> Keys() {
    store::ProfileFile file(ctx.DataFile());
    return file.ListKeys("Command");
  }
  std::string Value(const std::string& name) {
    store::ProfileFile file(ctx.DataFile());
    return file.ReadString("Command", name);
  }
  int RowOf(launch::TfrmPC& pc, const std::string& caption) {
    for (int i = 0; i < pc.nxPC.RowCount(); ++i)
      if (pc.nxPC.Cell(i, 1) == caption) return i;
    return -1;
  }

  test::FakePlatform fake;
  ui::MemoryUi ui;
  test::TempDir dir;
  Context ctx{fake.platform, ui, dir.Path()};
};

TEST_F(PredefinedDialogTest, GridIsSortedByCaptionWithoutRegardToCase) {
  launch::TfrmPC pc(ctx);
  EXPECT_EQ(pc.caption, "Predefined Commands");
  EXPECT_EQ(pc.clientWidth, 852);
  EXPECT_EQ(pc.clientHeight, 402);
  ASSERT_EQ(pc.nxPC.columns.size(), 4u);
  EXPECT_EQ(pc.nxPC.columns[3].caption, "Parameters");
  EXPECT_EQ(pc.nxPC.columns[3].width, 302);
  EXPECT_EQ(pc.Button1.Tag, 0);
  EXPECT_EQ(pc.Button2.Tag, 1);
  ASSERT_EQ(pc.nxPC.RowCount(), 75);
  for (int i = 1; i < 75; ++i) EXPECT_LE(ui::CompareNoCase(pc.nxPC.Cell(i - 1, 1), pc.nxPC.Cell(i, 1)), 0) << i;
  EXPECT_EQ(pc.nxPC.Cell(0, 1), "C - Program Files");
  EXPECT_EQ(pc.nxPC.Cell(0, 2), "C:\\Program Files");
}

TEST_F(PredefinedDialogTest, AddAllWritesEveryRowInGridOrderAndReplacesSameName) {
  test::WriteFileBytes(ctx.DataFile(), "[Command]\r\nN=other.exe|\r\n");
  launch::TfrmPC pc(ctx);
  Click(pc.Button2);
  std::vector<std::string> keys = Keys();
  ASSERT_EQ(keys.size(), 75u);
  EXPECT_EQ(keys[0], "N");  // replaced in place, no second key
  EXPECT_EQ(Value("n"), "notepad.exe|");
  EXPECT_EQ(Value("god"), "explorer.exe|shell:::{ED7BA470-8E54-465E-825C-99712043E01C}");
  EXPECT_EQ(keys[1], pc.nxPC.Cell(0, 0));
  EXPECT_EQ(keys[74], pc.nxPC.Cell(74, 0));
  // A second press changes nothing.
  std::string before = test::ReadFileBytes(ctx.DataFile());
  Click(pc.Button2);
  EXPECT_EQ(test::ReadFileBytes(ctx.DataFile()), before);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PredefinedDialogTest, AddSelectedWritesOnlyTheSelectedRows) {
  launch::TfrmPC pc(ctx);
  Click(pc.Button1);
  EXPECT_TRUE(Keys().empty());
  SelectRow(pc.nxPC, RowOf(pc, "Task Manager"));
  SelectRow(pc.nxPC, RowOf(pc, "Notepad"), true);
  Click(pc.Button1);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"n", "tm"}));
  EXPECT_EQ(Value("tm"), "taskmgr.exe|");
  EXPECT_EQ(pc.nxPC.SelectedCount(), 2);
  EXPECT_FALSE(pc.Closed());
}

TEST_F(PredefinedDialogTest, FailedWriteIsShownAndTheDialogStays) {
  ctx.exeFolder = dir.Path() + "missing" + std::string(1, dir.Path().back());
  launch::TfrmPC pc(ctx);
  Click(pc.Button2);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text.rfind("Unable to write to ", 0), 0u) << ui.messages[0].text;
  EXPECT_FALSE(pc.Closed());
}

}  // namespace
}  // namespace tvx
