// The launcher window and the template dialog driven through the in-memory
// backend, against a real data file in a temporary folder.
#include <filesystem>
#include <gtest/gtest.h>

#include "app/TVX_CTemplate.h"
#include "app/TVX_Main.h"
#include "app/program.h"
#include "support/fake_platform.h"
#include "ui/memory_backend.h"

namespace tvx::app {
namespace {

using test::FakePlatform;
using ui::MemoryUi;
namespace user = ui::user;

class LauncherTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  FakePlatform fp;
  MemoryUi ui;
  Context ctx{fp.platform, ui, dir.Path()};
  std::string DataPath() const { return ctx.DataFile(); }
  void Store(const std::string& bytes) { test::WriteFileBytes(DataPath(), bytes); }
  std::string Data() const { return test::ReadFileBytes(DataPath()); }
  std::vector<std::string> ShellFiles() const {
    std::vector<std::string> files;
    for (const auto& c : fp.shell.calls) files.push_back(c.file);
    return files;
  }
};

TEST_F(LauncherTest, FirstStartWithoutDataFile) {
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  EXPECT_EQ(frm.Template.Items(), std::vector<std::string>{kTypeManually});
  EXPECT_EQ(frm.Template.SelectedText(), kTypeManually);
  EXPECT_FALSE(frm.chkosk.Checked());
  EXPECT_FALSE(frm.spdAsterix.Down());
  EXPECT_EQ(frm.txtCmd.PasswordChar(), 0);
  EXPECT_EQ(frm.txtCmd.Text(), "");
  EXPECT_EQ(frm.ActiveControl(), &frm.txtCmd);
  EXPECT_EQ(frm.TabOrder().front(), &frm.txtCmd);
  EXPECT_TRUE(fp.shell.calls.empty());
  EXPECT_FALSE(test::PathExists(DataPath()));
  EXPECT_EQ(frm.caption, "Tavrix");
}

TEST_F(LauncherTest, WithoutCommandsACueTellsWhereToAddThemAndLaunchesNothing) {
  Store("[Template]\r\nwork=n\r\n");
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  ui.Run(frm);
  EXPECT_EQ(frm.txtCmd.Cue(), kNoCommandsCue);
  EXPECT_EQ(frm.txtCmd.Text(), "");
  ui.modalScripts.push_back([&](ui::Form&) { Store("[Command]\r\nn=notepad.exe\r\n"); });
  user::Click(frm.callNbx);
  EXPECT_EQ(frm.txtCmd.Cue(), "");
  TfrmTVX again(ctx, nullptr);
  Store("");
  again.FormCreate({});
  user::PressKey(again.txtCmd, ui::kCharEnter);
  EXPECT_EQ(ShellFiles(), std::vector<std::string>{"taskkill.exe"});
}

TEST_F(LauncherTest, StoredSwitchesAreShownAndTheKeyboardStartsOnceWithoutAWrite) {
  const std::string bytes = "[Template]\r\nwork=n cp\r\nAlpha=a\r\n[Settings]\r\nOSK=1\r\nHideCommand=0x1\r\n";
  Store(bytes);
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  EXPECT_EQ(frm.Template.Items(), (std::vector<std::string>{kTypeManually, "Alpha", "work"}));
  EXPECT_EQ(frm.Template.SelectedText(), kTypeManually);
  EXPECT_EQ(frm.txtCmd.Text(), "");
  EXPECT_TRUE(frm.chkosk.Checked());
  EXPECT_TRUE(frm.spdAsterix.Down());
  EXPECT_EQ(frm.txtCmd.PasswordChar(), '*');
  ASSERT_EQ(fp.shell.calls.size(), 1u);
  EXPECT_EQ(fp.shell.calls[0].file, "osk.exe");
  EXPECT_EQ(fp.shell.calls[0].show, kSwShow);
  EXPECT_EQ(Data(), bytes);
}

TEST_F(LauncherTest, OnlyTheValueOneTurnsASwitchOn) {
  Store("[Settings]\r\nOSK=2\r\nHideCommand=true\r\n");
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  EXPECT_FALSE(frm.chkosk.Checked());
  EXPECT_FALSE(frm.spdAsterix.Down());
  EXPECT_TRUE(fp.shell.calls.empty());
}

TEST_F(LauncherTest, KeyboardSwitchWritesFirstThenStartsOrQuits) {
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  user::ClickCheckBox(frm.chkosk);
  EXPECT_NE(Data().find("OSK=1"), std::string::npos);
  EXPECT_EQ(ShellFiles(), std::vector<std::string>{"osk.exe"});
  // Cleared after the user closed the keyboard by hand: nothing is sent.
  user::ClickCheckBox(frm.chkosk);
  EXPECT_NE(Data().find("OSK=0"), std::string::npos);
  EXPECT_TRUE(fp.system.quitPosted.empty());
  fp.system.windows.insert(kOskTitle);
  user::ClickCheckBox(frm.chkosk);
  user::ClickCheckBox(frm.chkosk);
  EXPECT_EQ(fp.system.quitPosted, std::vector<std::string>{kOskTitle});
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LauncherTest, MaskingTwiceReturnsToPlainAndStoresZero) {
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  user::ClickSpeedButton(frm.spdAsterix);
  EXPECT_EQ(frm.txtCmd.PasswordChar(), '*');
  EXPECT_NE(Data().find("HideCommand=1\r\n"), std::string::npos);
  user::ClickSpeedButton(frm.spdAsterix);
  EXPECT_EQ(frm.txtCmd.PasswordChar(), 0);
  EXPECT_EQ(Data(), "[Settings]\r\nHideCommand=0\r\n");
}

TEST_F(LauncherTest, AFailedWriteIsReportedAndLeavesTheDisplayAndTheKeyboard) {
  // A folder in the data file's place cannot be written, whoever runs the test.
  std::filesystem::create_directory(DataPath());
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  user::ClickSpeedButton(frm.spdAsterix);
  EXPECT_TRUE(frm.spdAsterix.Down());
  EXPECT_EQ(frm.txtCmd.PasswordChar(), 0);
  user::ClickCheckBox(frm.chkosk);
  EXPECT_TRUE(frm.chkosk.Checked());
  EXPECT_TRUE(fp.shell.calls.empty());
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text, "Unable to write to " + DataPath() + ".");
  EXPECT_EQ(ui.messages[0].kind, ui::MsgKind::Error);
}

TEST_F(LauncherTest, MaskedLaunchReadsTheRealTextThenEnds) {
  Store("[Command]\r\nn=notepad.exe|\r\ncalc=calc.exe\r\n");
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  user::ClickSpeedButton(frm.spdAsterix);
  user::Type(frm.txtCmd, "N calc");
  user::PressKey(frm.txtCmd, ui::kCharEnter);
  EXPECT_EQ(ShellFiles(), (std::vector<std::string>{"notepad.exe", "calc.exe", "taskkill.exe"}));
  EXPECT_EQ(fp.shell.calls.back().params, "/f /im osk.exe");
  EXPECT_EQ(fp.shell.calls.back().show, kSwHide);
  EXPECT_TRUE(ui.Terminated());
  EXPECT_FALSE(frm.txtCmd.Enabled());
}

TEST_F(LauncherTest, EmptyLaunchStillEndsKeyboardsAndTheProgram) {
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  user::Click(frm.btnOK);
  EXPECT_EQ(ShellFiles(), std::vector<std::string>{"taskkill.exe"});
  EXPECT_TRUE(ui.Terminated());
}

TEST_F(LauncherTest, ALaunchErrorIsShownAndTheFinishStepStillRuns) {
  fp.registry.PutDword(RegRoot::CurrentUser, "Software\\T", "P", 3);
  Store("[Command]\r\nbad=HKCU>>Software\\T>>P\r\nn=notepad.exe\r\n");
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  user::Type(frm.txtCmd, "bad n");
  user::Click(frm.btnOK);
  EXPECT_EQ(ShellFiles(), std::vector<std::string>{"taskkill.exe"});
  ASSERT_EQ(ui.messages.size(), 1u);
  // A message ending in a quote gets no full stop: "'" sorts before ".".
  EXPECT_EQ(ui.messages[0].text, "Invalid data type for 'P'");
  EXPECT_EQ(ui.messages[0].kind, ui::MsgKind::Error);
  EXPECT_TRUE(ui.Terminated());
}

// Any failure, not only the program's own errors, leaves the finish step to run.
TEST_F(LauncherTest, AnUnexpectedFailureDuringALaunchStillEndsTheKeyboardsAndTheProgram) {
  Store("[Command]\r\nn=notepad.exe\r\nm=mspaint.exe\r\n");
  fp.shell.unexpectedFailureAt = 0;
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  user::Type(frm.txtCmd, "n m");
  user::Click(frm.btnOK);
  EXPECT_EQ(ShellFiles(), (std::vector<std::string>{"notepad.exe", "taskkill.exe"}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "out of resources.");
  EXPECT_TRUE(ui.Terminated());
}

TEST_F(LauncherTest, EscapeAndCancelEndTheProgramAndTellTheKeyboard) {
  fp.system.windows.insert(kOskTitle);
  {
    TfrmTVX frm(ctx, nullptr);
    frm.FormCreate({});
    user::PressKey(frm.txtCmd, ui::kCharEscape);
    EXPECT_TRUE(frm.Closed());
    EXPECT_EQ(fp.system.quitPosted.size(), 1u);
  }
  for (int which = 0; which < 3; ++which) {
    TfrmTVX frm(ctx, nullptr);
    frm.FormCreate({});
    ui::Button* buttons[] = {&frm.btnOK, &frm.Button2, &frm.btnSTmp};
    user::PressKey(*buttons[which], ui::kCharEscape);
    EXPECT_TRUE(frm.Closed());
  }
  {
    TfrmTVX frm(ctx, nullptr);
    frm.FormCreate({});
    user::PressKey(frm.Template, ui::kCharEscape);
    EXPECT_TRUE(frm.Closed());
  }
  fp.system.quitPosted.clear();
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  user::Click(frm.Button2);
  EXPECT_TRUE(ui.Terminated());
  EXPECT_EQ(fp.system.quitPosted.size(), 1u);
  EXPECT_TRUE(fp.shell.calls.empty());
}

TEST_F(LauncherTest, ActivationRaisesPriorityEveryTime) {
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  ui.Run(frm);
  EXPECT_EQ(fp.system.priorityRaises, 1);
  user::Click(frm.imgAbout);  // a modal window opens and closes
  EXPECT_EQ(ui.modalForms.back(), "frmAbout");
  EXPECT_EQ(fp.system.priorityRaises, 2);
}

TEST_F(LauncherTest, PictureStrip) {
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  EXPECT_EQ(frm.imgPPage.Hint(), "Visit Our Homepage");
  EXPECT_EQ(frm.imgSUs.Hint(), "Support Us!");
  user::Click(frm.imgPPage);
  ASSERT_EQ(fp.shell.calls.size(), 1u);
  EXPECT_EQ(fp.shell.calls[0].file, kHomePage);
  EXPECT_EQ(fp.shell.calls[0].show, kSwShow);
  user::Click(frm.imgSUs);
  user::Click(frm.imgMore);
  EXPECT_EQ(ui.modalForms, (std::vector<std::string>{"frmSupport", "frmMore"}));
  EXPECT_FALSE(test::PathExists(DataPath()));
}

TEST_F(LauncherTest, TemplateChoiceReplacesTheCommandText) {
  Store("[Template]\r\nwork=n cp\r\n");
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  user::Type(frm.txtCmd, "typed");
  user::Choose(frm.Template, frm.Template.IndexOf("work"));
  EXPECT_EQ(frm.txtCmd.Text(), "n cp");
  user::Choose(frm.Template, frm.Template.IndexOf(kTypeManually));
  EXPECT_EQ(frm.txtCmd.Text(), "");
}

TEST_F(LauncherTest, EnterInTheTemplateBoxLaunches) {
  Store("[Command]\r\nn=notepad.exe|\r\n[Template]\r\nt=n\r\n");
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  user::Choose(frm.Template, frm.Template.IndexOf("t"));
  user::PressKey(frm.Template, ui::kCharEnter);
  EXPECT_EQ(ShellFiles(), (std::vector<std::string>{"notepad.exe", "taskkill.exe"}));
}

TEST_F(LauncherTest, FocusReturnsToTheCommandBoxAfterTheManager) {
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  frm.SetActiveControl(&frm.chkosk);
  user::Click(frm.callNbx);
  EXPECT_EQ(ui.modalForms, std::vector<std::string>{"tvxCM"});
  EXPECT_EQ(frm.ActiveControl(), &frm.txtCmd);
}

TEST_F(LauncherTest, StartRouting) {
  Store("[Command]\r\nn=notepad.exe|\r\n[Settings]\r\nOSK=1\r\n");
  fp.system.commandLine = "TVX.exe /L \"  n  \"";
  fp.system.modulePath = dir.Path() + "TVX.exe";
  EXPECT_EQ(RunProgram(fp.platform, ui, nullptr), 0);
  EXPECT_EQ(ShellFiles(), (std::vector<std::string>{"notepad.exe", "taskkill.exe"}));
  EXPECT_EQ(fp.system.mutexes, std::vector<std::string>{"tavrix"});
  EXPECT_EQ(fp.system.comInitialized, 1);
  EXPECT_TRUE(ui.shownForms.empty());  // the launcher never appeared
}

TEST_F(LauncherTest, SetCommandStartShowsOnlyTheDialogWithThePath) {
  fp.system.commandLine = "TVX.exe /setcmd \"C:\\My Files\\a b.txt\" extra";
  fp.system.windows.insert(kOskTitle);
  std::string seen;
  ui.modalScripts.push_back([&](ui::Form& f) {
    auto* loc = dynamic_cast<ui::Edit*>(f.FindControl("txtLoc"));
    ASSERT_NE(loc, nullptr);
    seen = loc->Text();
  });
  fp.system.modulePath = dir.Path() + "TVX.exe";
  RunProgram(fp.platform, ui, nullptr);
  EXPECT_EQ(ui.modalForms, std::vector<std::string>{"frmSetCMD"});
  EXPECT_EQ(seen, "C:\\My Files\\a b.txt");
  EXPECT_EQ(fp.system.quitPosted, std::vector<std::string>{kOskTitle});
  EXPECT_TRUE(ui.shownForms.empty());
  EXPECT_TRUE(fp.shell.calls.empty());
}

TEST_F(LauncherTest, SecondArgumentFreeStartEndsSilently) {
  fp.system.mutexExists = true;
  fp.system.commandLine = "TVX.exe";
  EXPECT_EQ(RunProgram(fp.platform, ui, nullptr), 0);
  EXPECT_TRUE(ui.shownForms.empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(fp.system.comInitialized, 0);
  // With arguments the start goes on.
  fp.system.commandLine = "TVX.exe /l";
  RunProgram(fp.platform, ui, nullptr);
  EXPECT_EQ(ui.shownForms.size(), 1u);
}

class TemplateDialogTest : public LauncherTest {
 protected:
  void SetUp() override { Store("[Template]\r\nWork=n cp\r\n"); }
};

TEST_F(TemplateDialogTest, AddStripsBracketsAndSelects) {
  TfrmCT dlg(ctx, nullptr);
  EXPECT_EQ(dlg.lstTmp.Items(), std::vector<std::string>{"Work"});
  user::Type(dlg.txtTmp, "[Morning]");
  user::Type(dlg.txtCmd, "mail news");
  user::PressKey(dlg.txtTmp, ui::kCharEnter);
  EXPECT_EQ(dlg.txtTmp.Text(), "Morning");
  EXPECT_EQ(dlg.lstTmp.Items(), (std::vector<std::string>{"Morning", "Work"}));
  EXPECT_EQ(dlg.lstTmp.SelectedText(), "Morning");
  EXPECT_EQ(Data(), "[Template]\r\nWork=n cp\r\nMorning=mail news\r\n");
  // Same name in other case: one entry, new text.
  dlg.txtTmp.SetText("work");
  dlg.txtCmd.SetText("x");
  user::Click(dlg.Button1);
  EXPECT_EQ(dlg.lstTmp.Items(), (std::vector<std::string>{"Morning", "Work"}));
  EXPECT_EQ(Data(), "[Template]\r\nWork=x\r\nMorning=mail news\r\n");
  // An empty field writes nothing and says nothing.
  dlg.txtCmd.SetText("");
  user::Click(dlg.Button1);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TemplateDialogTest, ReplaceRenamesAndNeedsASelection) {
  TfrmCT dlg(ctx, nullptr);
  dlg.txtTmp.SetText("Office");
  dlg.txtCmd.SetText("a b");
  user::Click(dlg.Button3);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "List index out of bounds (-1)");
  EXPECT_EQ(Data(), "[Template]\r\nWork=n cp\r\n");
  user::Choose(dlg.lstTmp, 0);
  EXPECT_EQ(dlg.txtTmp.Text(), "Work");
  EXPECT_EQ(dlg.txtCmd.Text(), "n cp");
  dlg.txtTmp.SetText("Office");
  user::Click(dlg.Button3);
  EXPECT_EQ(dlg.lstTmp.Items(), std::vector<std::string>{"Office"});
  EXPECT_EQ(dlg.lstTmp.SelectedText(), "Office");
  EXPECT_EQ(Data(), "[Template]\r\nOffice=n cp\r\n");
  // A new name the file cannot hold is refused before the old entry goes.
  ui.messages.clear();
  dlg.txtTmp.SetText("Office ");
  user::Click(dlg.Button3);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(Data(), "[Template]\r\nOffice=n cp\r\n");
}

TEST_F(TemplateDialogTest, DeleteThenAddRestores) {
  TfrmCT dlg(ctx, nullptr);
  user::Click(dlg.Button2);  // nothing selected: nothing happens
  EXPECT_EQ(Data(), "[Template]\r\nWork=n cp\r\n");
  user::Choose(dlg.lstTmp, 0);
  user::Click(dlg.Button2);
  EXPECT_TRUE(dlg.lstTmp.Items().empty());
  EXPECT_EQ(dlg.txtTmp.Text(), "Work");
  EXPECT_EQ(dlg.txtCmd.Text(), "n cp");
  user::Click(dlg.Button1);
  EXPECT_EQ(dlg.lstTmp.Items(), std::vector<std::string>{"Work"});
}

TEST_F(TemplateDialogTest, KeysOfTheFields) {
  TfrmCT dlg(ctx, nullptr);
  user::Type(dlg.txtCmd, "abc");
  dlg.SetActiveControl(&dlg.txtCmd);
  user::PressKey(dlg.txtCmd, ui::kCharCtrlR);
  EXPECT_EQ(dlg.txtCmd.Text(), "");
  user::PressKey(dlg.lstTmp, ui::kCharEscape);
  EXPECT_TRUE(dlg.Closed());
}

TEST_F(TemplateDialogTest, ClosingRefillsTheLauncherBoxKeepingItsEntry) {
  Store("[Template]\r\nWork=n cp\r\nHome=h\r\n");
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  user::Choose(frm.Template, frm.Template.IndexOf("Work"));
  // The dialog adds one template: the box keeps "Work".
  ui.modalScripts.push_back([](ui::Form& f) {
    auto& dlg = dynamic_cast<TfrmCT&>(f);
    dlg.txtTmp.SetText("New");
    dlg.txtCmd.SetText("x");
    user::Click(dlg.Button1);
  });
  user::Click(frm.btnSTmp);
  EXPECT_EQ(frm.Template.Items(), (std::vector<std::string>{kTypeManually, "Home", "New", "Work"}));
  EXPECT_EQ(frm.Template.SelectedText(), "Work");
  // Renamed to another letter case it is still the same name: still shown.
  ui.modalScripts.push_back([](ui::Form& f) {
    auto& dlg = dynamic_cast<TfrmCT&>(f);
    user::Choose(dlg.lstTmp, dlg.lstTmp.IndexOf("Work"));
    dlg.txtTmp.SetText("WORK");
    user::Click(dlg.Button3);
  });
  user::Click(frm.btnSTmp);
  EXPECT_EQ(frm.Template.SelectedText(), "WORK");
  // Deleting the shown template leaves the box without an entry and the command text as it was.
  ui.modalScripts.push_back([](ui::Form& f) {
    auto& dlg = dynamic_cast<TfrmCT&>(f);
    user::Choose(dlg.lstTmp, dlg.lstTmp.IndexOf("WORK"));
    user::Click(dlg.Button2);
  });
  user::Click(frm.btnSTmp);
  EXPECT_EQ(frm.Template.ItemIndex(), -1);
  EXPECT_EQ(frm.txtCmd.Text(), "n cp");
}

}  // namespace
}  // namespace tvx::app
