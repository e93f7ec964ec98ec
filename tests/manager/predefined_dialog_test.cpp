// The dialog that copies the built-in command table into the data file.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "context/context.h"
#include "manager/PreCom_Main.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "support/fake_platform.h"
#include "ui/memory_backend.h"

namespace tvx {
namespace {

using namespace ui::user;

class PredefinedDialogTest : public ::testing::Test {
 protected:
  std::vector<std::string> Keys() {
    store::ProfileFile file(ctx.DataFile());
    return file.ListKeys(store::kCommandSection);
  }
  std::string Value(const std::string& name) {
    store::ProfileFile file(ctx.DataFile());
    return file.ReadString(store::kCommandSection, name);
  }
  int RowOf(manager::TfrmPC& pc, const std::string& caption) {
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
  manager::TfrmPC pc(ctx);
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
  manager::TfrmPC pc(ctx);
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
  manager::TfrmPC pc(ctx);
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
  manager::TfrmPC pc(ctx);
  Click(pc.Button2);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text.rfind("Unable to write to ", 0), 0u) << ui.messages[0].text;
  EXPECT_FALSE(pc.Closed());
}

}  // namespace
}  // namespace tvx
