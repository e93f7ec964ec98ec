// The command manager's list, edit boxes, Add / Replace / Remove, keys,
// launch and the switches it carries.
#include <set>

#include "manager_fixture.h"
#include "shell/integration.h"

namespace tvx::test {
namespace {

using manager::NormalizeCommandName;
using namespace ui::user;

TEST_F(ManagerTest, WindowStartsInItsDesignState) {
  auto& m = OpenManager();
  EXPECT_EQ(m.caption, "Command Manager");
  EXPECT_EQ(m.clientWidth, 754);
  EXPECT_EQ(m.clientHeight, 552);
  EXPECT_EQ(m.position, ui::Position::OwnerCenter);
  ASSERT_EQ(m.lvCmd.columns.size(), 2u);
  EXPECT_EQ(m.lvCmd.columns[0].caption, "Name");
  EXPECT_EQ(m.lvCmd.columns[0].width, 200);
  EXPECT_EQ(m.lvCmd.columns[1].caption, "Location + Parameters");
  EXPECT_EQ(m.lvCmd.columns[1].width, 480);
  EXPECT_TRUE(m.spdKUD.Down());
  EXPECT_FALSE(m.chkRelative.Down());
  EXPECT_FALSE(m.chkSI.Checked());
  EXPECT_EQ(m.ExeFolder(), dir.Path());
  EXPECT_EQ(m.Button54.Text(), "Add from \"Predefined Commands\"");
  EXPECT_EQ(m.Label3.Text(), "Tips : You can Add New Item to Command List via \"Drag && Drop\"");
  // Every control lies inside the client area, only the list takes drops,
  // and no two focusable controls share a place in the tab order.
  std::set<int> tabs;
  for (ui::Control* c : m.Controls()) {
    EXPECT_LE(c->place.left + c->place.width, m.clientWidth) << c->Name();
    EXPECT_LE(c->place.top + c->place.height, m.clientHeight) << c->Name();
    if (c->tabOrder >= 0) {
      EXPECT_TRUE(tabs.insert(c->tabOrder).second) << c->Name();
    }
    if (c->GetKind() == ui::Kind::ListView) {
      EXPECT_EQ(static_cast<ui::ListView*>(c)->acceptsFileDrop, c == &m.lvCmd);
    }
  }
}

TEST(CommandNameRule, BlanksBracketsAndControlCharacters) {
  EXPECT_EQ(NormalizeCommandName("my app"), "my-app");
  EXPECT_EQ(NormalizeCommandName(" app "), "-app-");
  EXPECT_EQ(NormalizeCommandName("   "), "---");
  EXPECT_EQ(NormalizeCommandName("[x]"), "x");
  EXPECT_EQ(NormalizeCommandName("[]]["), "");
  EXPECT_EQ(NormalizeCommandName("\t[a b]\r\n"), "a-b");
}

TEST_F(ManagerTest, AddStoresNormalisedNameAndAlwaysTheSeparator) {
  auto& m = OpenManager();
  struct Case {
    std::string typed, stored;
  };
  for (const Case& c : {Case{"my app", "my-app"}, Case{" app ", "-app-"}, Case{"   ", "---"}, Case{"[x]", "x"}}) {
    m.txtName.SetText(c.typed);
    m.txtParam.SetText("C:\\Tools\\a.exe");
    m.tvxparam.SetText("");
    Click(m.cmdAdd);
    EXPECT_EQ(m.txtName.Text(), c.stored);
    EXPECT_EQ(Value(c.stored), "C:\\Tools\\a.exe|") << c.typed;
  }
  EXPECT_EQ(Keys(), (std::vector<std::string>{"my-app", "-app-", "---", "x"}));
  EXPECT_EQ(m.lvCmd.Cell(RowOf("x"), 1), "C:\\Tools\\a.exe|");

  // Nothing is stored for an empty name or a blank location; blank
  // parameters are kept as typed.
  m.txtName.SetText("[]");
  Click(m.cmdAdd);
  m.txtName.SetText("blank");
  m.txtParam.SetText("   ");
  Click(m.cmdAdd);
  m.txtParam.SetText(" C:\\x.exe ");
  m.tvxparam.SetText("  ");
  Click(m.cmdAdd);
  EXPECT_EQ(Keys().size(), 5u);
  EXPECT_EQ(Value("blank"), "C:\\x.exe |");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ManagerTest, AddOfAnExistingNameInOtherCaseReplacesItsValue) {
  WriteCommands({{"N", "old.exe|"}, {"z", "z.exe|"}});
  auto& m = OpenManager();
  m.txtName.SetText("n");
  m.txtParam.SetText("new.exe");
  m.tvxparam.SetText("-x");
  Click(m.cmdAdd);
  EXPECT_EQ(Keys().size(), 2u);
  EXPECT_EQ(Value("n"), "new.exe|-x");
  EXPECT_EQ(m.lvCmd.RowCount(), 2);
}

TEST_F(ManagerTest, SelectingARowFillsTheBoxesByTheLineRule) {
  WriteCommands({{"abc", "a|b|c"}, {"plain", "C:\\x.exe"}, {"empty", ""}});
  auto& m = OpenManager();
  SelectRow(m.lvCmd, RowOf("abc"));
  EXPECT_EQ(m.txtName.Text(), "abc");
  EXPECT_EQ(m.txtParam.Text(), "a");
  EXPECT_EQ(m.tvxparam.Text(), "b");
  SelectRow(m.lvCmd, RowOf("plain"));
  EXPECT_EQ(m.txtParam.Text(), "C:\\x.exe");
  EXPECT_EQ(m.tvxparam.Text(), "");
  SelectRow(m.lvCmd, RowOf("empty"));
  EXPECT_EQ(m.txtName.Text(), "empty");
  EXPECT_EQ(m.txtParam.Text(), "");
  EXPECT_EQ(m.tvxparam.Text(), "");
  // Deselecting keeps what the boxes show.
  m.lvCmd.ClearSelection();
  EXPECT_EQ(m.txtName.Text(), "empty");
}

TEST_F(ManagerTest, TwoSelectedRowsDisableEditingAndRemoveTakesBoth) {
  WriteCommands({{"a", "a.exe|"}, {"b", "b.exe|"}, {"c", "c.exe|"}});
  auto& m = OpenManager();
  Select({"a", "c"});
  EXPECT_EQ(EditingEnabled(), std::vector<bool>(8, false));
  EXPECT_TRUE(m.cmdRem.Enabled());
  Click(m.cmdRem);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"b"}));
  EXPECT_EQ(ListRows(), (Commands{{"b", "b.exe|"}}));
  EXPECT_EQ(EditingEnabled(), std::vector<bool>(8, true));

  // Delete in the list removes the selection, and only when there is one.
  KeyUp(m.lvCmd, ui::kVkDelete);
  EXPECT_EQ(Keys().size(), 1u);
  SelectRow(m.lvCmd, 0);
  KeyUp(m.lvCmd, ui::kVkDelete, ui::kShiftKey);
  EXPECT_TRUE(Keys().empty());
  EXPECT_EQ(m.lvCmd.RowCount(), 0);
}

TEST_F(ManagerTest, ReplaceRenamesOrAddsButNeverLosesTheSelectedCommand) {
  WriteCommands({{"old", "C:\\old.exe|-a"}});
  auto& m = OpenManager();
  SelectRow(m.lvCmd, 0);
  m.txtName.SetText("new");
  Click(m.cmdReplace);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"new"}));
  EXPECT_EQ(Value("new"), "C:\\old.exe|-a");

  // An emptied name or location stores nothing and keeps the command.
  SelectRow(m.lvCmd, 0);
  m.txtName.SetText("[]");
  Click(m.cmdReplace);
  EXPECT_EQ(Value("new"), "C:\\old.exe|-a");
  SelectRow(m.lvCmd, 0);
  m.txtParam.SetText("  ");
  Click(m.cmdReplace);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"new"}));
  EXPECT_EQ(m.lvCmd.RowCount(), 1);

  // So does a name the file cannot hold: refused before anything is removed.
  SelectRow(m.lvCmd, 0);
  m.txtParam.SetText("C:\\old.exe");
  m.txtName.SetText("a=b");
  Click(m.cmdReplace);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"new"}));
  EXPECT_EQ(m.lvCmd.RowCount(), 1);
  ui.messages.clear();

  // With nothing selected Replace is a plain Add.
  m.lvCmd.ClearSelection();
  m.txtName.SetText("other");
  m.txtParam.SetText("o.exe");
  Click(m.cmdReplace);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"new", "other"}));
}

TEST_F(ManagerTest, EnterAddsAndEscapeEmptiesOnlyItsBox) {
  auto& m = OpenManager();
  m.txtName.SetText("n");
  m.txtParam.SetText("notepad.exe");
  Type(m.tvxparam, "-x");
  PressKey(m.tvxparam, ui::kCharEnter);
  EXPECT_EQ(Value("n"), "notepad.exe|-x");
  EXPECT_EQ(m.tvxparam.Text(), "-x");  // no line break typed into the box
  PressKey(m.tvxparam, ui::kCharEscape);
  EXPECT_EQ(m.tvxparam.Text(), "");
  EXPECT_EQ(m.txtName.Text(), "n");
  EXPECT_EQ(m.txtParam.Text(), "notepad.exe");
  PressKey(m.txtName, ui::kCharEscape);
  EXPECT_EQ(m.txtName.Text(), "");
}

TEST_F(ManagerTest, FailedWriteIsShownAndTheListStillReloads) {
  WriteCommands({{"a", "a.exe|"}, {"b", "b.exe|"}});
  auto& m = OpenManager();
  Select({"a", "b"});
  ctx.exeFolder = dir.Path() + "missing" + std::string(1, dir.Path().back());
  m.txtName.SetText("x");
  m.txtParam.SetText("x.exe");
  m.Dispatch([&] { m.cmdAddClick(); });
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, ui::MsgKind::Error);
  EXPECT_EQ(ui.messages[0].text.rfind("Unable to write to " + ctx.DataFile(), 0), 0u) << ui.messages[0].text;
  EXPECT_EQ(m.lvCmd.RowCount(), 0);  // the list shows the (missing) file's content
  EXPECT_EQ(EditingEnabled(), std::vector<bool>(8, true));
}

TEST_F(ManagerTest, LaunchRunsOnlyASingleSelectedCommand) {
  fake.environment.Set("TEMP", "C:\\Temp");
  WriteCommands({{"app", "C:\\Tools\\app.exe|%TEMP%\\log.txt|ignored"}, {"b", "b.exe|"}});
  auto& m = OpenManager();
  SelectRow(m.lvCmd, RowOf("app"));
  Click(m.tvxLaunch);
  ASSERT_EQ(fake.shell.calls.size(), 1u);
  EXPECT_EQ(fake.shell.calls[0].file, "C:\\Tools\\app.exe");
  EXPECT_EQ(fake.shell.calls[0].params, "C:\\Temp\\log.txt");
  EXPECT_EQ(fake.shell.calls[0].directory, "C:\\Tools\\");
  EXPECT_EQ(fake.shell.calls[0].show, kSwShowNormal);
  DoubleClickRow(m.lvCmd, RowOf("b"));
  ASSERT_EQ(fake.shell.calls.size(), 2u);
  EXPECT_EQ(fake.shell.calls[1].file, "b.exe");
  // Two selected: the button is disabled and a double click does nothing.
  Select({"app", "b"});
  m.lvCmd.RaiseDblClick();
  m.tvxLaunchClick();
  EXPECT_EQ(fake.shell.calls.size(), 2u);
  EXPECT_FALSE(m.Closed());
}

TEST_F(ManagerTest, TutorialOpensOnePageWithTheDefaultVerb) {
  auto& m = OpenManager();
  Click(m.sBitBtn1);
  ASSERT_EQ(fake.shell.calls.size(), 1u);
  EXPECT_EQ(fake.shell.calls[0].verb, "");
  EXPECT_EQ(fake.shell.calls[0].file, manager::kTutorialAddress);
  EXPECT_EQ(fake.shell.calls[0].show, kSwShow);
}

TEST_F(ManagerTest, ShellIntegrationBoxFollowsTheRegistryOnEveryActivation) {
  const std::string commandKey = shell::kContextMenuCommandKey;
  auto& m = OpenManager();
  EXPECT_FALSE(m.chkSI.Checked());
  EXPECT_FALSE(fake.registry.HasKey(RegRoot::CurrentUser, shell::kContextMenuKey));

  ClickCheckBox(m.chkSI);
  EXPECT_EQ(fake.registry.Text(RegRoot::CurrentUser, commandKey, ""), shell::ContextMenuCommand(dir.Path()));
  m.RaiseActivate();
  EXPECT_TRUE(m.chkSI.Checked());

  // Another copy took the entry over: the box clears and the entry goes.
  fake.registry.Put(RegRoot::CurrentUser, commandKey, "", "D:\\Other\\TVX.exe /setcmd \"%1\"");
  m.RaiseActivate();
  EXPECT_FALSE(m.chkSI.Checked());
  EXPECT_FALSE(fake.registry.HasKey(RegRoot::CurrentUser, shell::kContextMenuKey));

  // A new window finds this copy's entry and ticks its box.
  CloseManager();
  fake.registry.CreateKey(RegRoot::CurrentUser, commandKey);
  fake.registry.SetString(RegRoot::CurrentUser, commandKey, "", shell::ContextMenuCommand(dir.Path()));
  EXPECT_TRUE(OpenManager().chkSI.Checked());
}

// A standard user (or an administrator under UAC) may change nothing below
// HKEY_LOCAL_MACHINE: Install and the box still complete, per user only.
TEST_F(ManagerTest, InstallAndShellIntegrationNeedNoAdministratorRights) {
  fake.registry.standardUser = true;
  fake.files.specialFolders[kCsidlPrograms] = "C:\\Users\\me\\Start Menu\\Programs";
  auto& m = OpenManager();
  Click(m.cmdInstall);
  ClickCheckBox(m.chkSI);
  m.RaiseActivate();
  EXPECT_TRUE(m.chkSI.Checked());

  // One message, the information after Install; no error.
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, ui::MsgKind::Information);
  const std::string program = dir.Path() + "TVX.exe";
  EXPECT_EQ(fake.registry.Text(RegRoot::CurrentUser, shell::AppPathKey("tvx.exe"), ""), program);
  EXPECT_EQ(fake.registry.Text(RegRoot::CurrentUser, shell::kContextMenuCommandKey, ""),
            shell::ContextMenuCommand(dir.Path()));
  // Exactly the per-user keys, with the parents the creation brings.
  std::set<std::string> keys;
  for (const auto& [id, key] : fake.registry.keys) keys.insert(id);
  std::set<std::string> expected;
  for (std::string path : {shell::AppPathKey("tvx.exe"), std::string(shell::kContextMenuCommandKey)})
    for (;;) {
      expected.insert(FakeRegistry::Id(RegRoot::CurrentUser, path));
      auto cut = path.find_last_of('\\');
      if (cut == std::string::npos) break;
      path.resize(cut);
    }
  EXPECT_EQ(keys, expected);
}

TEST_F(ManagerTest, PredefinedDialogAddsAndTheListReloadsAfterIt) {
  WriteCommands({{"mine", "m.exe|"}});
  auto& m = OpenManager();
  ui.modalScripts.push_back([](ui::Form& f) { Click(*f.FindControl("Button2")); });
  Click(m.Button54);
  EXPECT_EQ(ui.modalForms, (std::vector<std::string>{"frmPC"}));
  EXPECT_EQ(m.lvCmd.RowCount(), 76);
  EXPECT_EQ(m.lvCmd.Cell(RowOf("n"), 1), "notepad.exe|");
}

TEST_F(ManagerTest, TenThousandCommandsListSortedByName) {
  std::string bytes = "[Command]\r\n";
  for (int i = 9999; i >= 0; --i) bytes += "cmd" + std::to_string(i * 7919 % 10000) + "=x.exe|\r\n";
  WriteFileBytes(ctx.DataFile(), bytes);
  auto& m = OpenManager();
  ASSERT_EQ(m.lvCmd.RowCount(), 10000);
  for (int i = 1; i < m.lvCmd.RowCount(); ++i)
    ASSERT_LT(fake.system.CollateCompare(m.lvCmd.Cell(i - 1, 0), m.lvCmd.Cell(i, 0)), 0) << i;
  EXPECT_EQ(m.lvCmd.Cell(0, 1), "x.exe|");
}

}  // namespace
}  // namespace tvx::test
