// The template dialog when the data file cannot take a change: the entry
// stays, in the file and in the list, and the failure is shown.
#include <filesystem>
#include <gtest/gtest.h>

#include "app/TVX_CTemplate.h"
#include "support/disk_faults.h"
#include "support/fake_platform.h"
#include "ui/memory_backend.h"

namespace tvx::app {
namespace {

namespace user = ui::user;

class TemplateStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { test::WriteFileBytes(ctx.DataFile(), kBefore); }
  void Select(TfrmCT& dlg, const std::string& name) {
    dlg.lstTmp.SetItemIndex(dlg.lstTmp.IndexOf(name));
    dlg.lstTmpClick();
  }
  void ExpectOneWriteFailure() {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.rfind("Unable to write to " + ctx.DataFile(), 0), 0u) << ui.messages[0].text;
    ui.messages.clear();
  }
  const std::string kBefore = "[Template]\r\nWork=n cp\r\nHome=m\r\n";
  test::TempDir dir;
  test::FakePlatform fp;
  ui::MemoryUi ui;
  Context ctx{fp.platform, ui, dir.Path()};
};

TEST_F(TemplateStoreTest, ReplaceOnAFullDiskKeepsTheSelectedTemplate) {
  if (!test::FullDisk::Available()) GTEST_SKIP() << "no way to fill the disk here";
  TfrmCT dlg(ctx, nullptr);
  Select(dlg, "Work");
  dlg.txtTmp.SetText("Office-and-more");
  {
    test::FullDisk full(kBefore.size());
    user::Click(dlg.Button3);
  }
  ExpectOneWriteFailure();
  EXPECT_EQ(test::ReadFileBytes(ctx.DataFile()), kBefore);
}

TEST_F(TemplateStoreTest, DeleteFromAReadOnlyFileFailsAndTheEntryStays) {
  using std::filesystem::perms;
  const auto writable = perms::owner_write | perms::group_write | perms::others_write;
  TfrmCT dlg(ctx, nullptr);
  Select(dlg, "Home");
  std::filesystem::permissions(ctx.DataFile(), writable, std::filesystem::perm_options::remove);
  user::Click(dlg.Button2);
  ExpectOneWriteFailure();
  std::filesystem::permissions(ctx.DataFile(), writable, std::filesystem::perm_options::add);
  EXPECT_EQ(dlg.lstTmp.Items(), (std::vector<std::string>{"Home", "Work"}));
  EXPECT_EQ(test::ReadFileBytes(ctx.DataFile()), kBefore);
}

}  // namespace
}  // namespace tvx::app
