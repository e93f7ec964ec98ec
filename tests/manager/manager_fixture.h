#pragma once
// A command manager on a real data file in a temporary folder, with the
// platform faked and the screen in memory.
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "context/context.h"
#include "manager/TVX_CmdMgr.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "support/fake_platform.h"
#include "ui/memory_backend.h"

namespace tvx::test {

using Commands = std::vector<std::pair<std::string, std::string>>;

class ManagerTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseManager(); }

  // Writes section Command as given, in file order.
  void WriteCommands(const Commands& commands) {
    std::string bytes = "[Command]\r\n";
    for (const auto& [name, value] : commands) bytes += name + "=" + value + "\r\n";
    WriteFileBytes(ctx.DataFile(), bytes);
  }

  // Creates the window and makes it the active one, as opening it does.
  manager::TtvxCM& OpenManager() {
    cm = std::make_unique<manager::TtvxCM>(ctx);
    ui.shownForms.push_back(cm.get());
    cm->RaiseActivate();
    return *cm;
  }
  void CloseManager() {
    if (!cm) return;
    ui.shownForms.erase(std::remove(ui.shownForms.begin(), ui.shownForms.end(), cm.get()), ui.shownForms.end());
    cm.reset();
  }

  std::string Value(const std::string& name) {
    store::ProfileFile file(ctx.DataFile());
    return file.ReadString(store::kCommandSection, name);
  }
  std::vector<std::string> Keys() {
    store::ProfileFile file(ctx.DataFile());
    return file.ListKeys(store::kCommandSection);
  }
  // (caption, value) of every list row in display order.
  Commands ListRows() const {
    Commands rows;
    for (int i = 0; i < cm->lvCmd.RowCount(); ++i) rows.emplace_back(cm->lvCmd.Cell(i, 0), cm->lvCmd.Cell(i, 1));
    return rows;
  }
  int RowOf(const std::string& name) const {
    for (int i = 0; i < cm->lvCmd.RowCount(); ++i)
      if (cm->lvCmd.Cell(i, 0) == name) return i;
    ADD_FAILURE() << "no row " << name;
    return -1;
  }
  // Selects the named rows as the user would with Ctrl+click.
  void Select(const std::vector<std::string>& names) {
    bool add = false;
    for (const std::string& name : names) {
      ui::user::SelectRow(cm->lvCmd, RowOf(name), add);
      add = true;
    }
  }
  std::vector<bool> EditingEnabled() const {
    return {cm->txtName.Enabled(),  cm->txtParam.Enabled(), cm->cmdBFile.Enabled(),   cm->cmbBDir.Enabled(),
            cm->tvxparam.Enabled(), cm->cmdAdd.Enabled(),   cm->cmdReplace.Enabled(), cm->tvxLaunch.Enabled()};
  }

  FakePlatform fake;
  ui::MemoryUi ui;
  TempDir dir;
  Context ctx{fake.platform, ui, dir.Path()};
  std::unique_ptr<manager::TtvxCM> cm;
};

}  // namespace tvx::test
