#include "app/TVX_Main.h"

#include "app/TVX_CTemplate.h"
#include "app/command_line.h"
#include "app/info_windows.h"
#include "launch/launch.h"
#include "manager/TVX_CmdMgr.h"
#include "platform/error.h"
#include "shell/TVX_SetCmd.h"
#include "store/profile_file.h"
#include "store/schema.h"

namespace tvx::app {

TfrmTVX::TfrmTVX(Context& ctx, std::function<std::string()> version)
    : ui::Form(ctx.ui, "frmTVX"), ctx_(ctx), version_(std::move(version)) {
  caption = "Tavrix";
  clientWidth = 359;
  clientHeight = 172;
  border = ui::BorderStyle::FixedSingle;
  minimizeBox = true;
  position = ui::Position::ScreenCenter;

  Label3.SetText("Command &Template :");
  Label3.place = {16, 8, 0, 0};
  Label3.font.bold = true;
  Label3.focusControl = &Template;
  Template.place = {16, 24, 145, 21};
  Template.tabOrder = 3;
  Template.sorted = true;
  Template.compare = [this](const std::string& a, const std::string& b) { return ctx_.CollateNoCase(a, b); };
  Template.sortKey = [this](std::string_view item, std::string& keys) {
    return ctx_.AppendCollationKeyNoCase(item, keys);
  };
  btnSTmp.SetText("&S");
  btnSTmp.place = {164, 24, 25, 21};
  btnSTmp.tabOrder = 4;
  callNbx.SetText("Command Manager");
  callNbx.place = {240, 16, 73, 49};
  callNbx.tabOrder = 5;
  Label1.SetText("Type your &Command here :");
  Label1.place = {16, 56, 0, 0};
  Label1.font.bold = true;
  Label1.focusControl = &txtCmd;
  txtCmd.place = {16, 72, 272, 19};
  txtCmd.tabOrder = 0;
  txtCmd.flat = true;
  spdAsterix.SetText("*");
  spdAsterix.place = {288, 72, 23, 19};
  spdAsterix.font = {"Comic Sans MS", 16, 0, false};
  Label2.SetText("You may type more than one command.");
  Label2.place = {16, 96, 0, 0};
  chkosk.SetText("OSK");
  chkosk.place = {240, 96, 49, 17};
  chkosk.tabOrder = 6;
  Bevel1.place = {0, 120, 331, 2};
  btnOK.SetText("Launch");
  btnOK.place = {16, 130, 145, 33};
  btnOK.tabOrder = 1;
  btnOK.font = {"Tahoma", 12, 0, true};
  btnOK.SetTextColor(ui::MakeRgb(255, 255, 255));
  btnOK.SetFaceColor(ui::MakeRgb(255, 168, 0));
  Button2.SetText("Cancel");
  Button2.place = {168, 130, 145, 33};
  Button2.tabOrder = 2;
  Button2.font = {"Tahoma", 12, 0, true};
  Button2.SetTextColor(ui::MakeRgb(255, 255, 255));
  Button2.SetFaceColor(ui::MakeRgb(231, 76, 60));
  Bevel3.place = {328, 0, 2, 172};
  Bevel3.vertical = true;
  Shape1.place = {330, 0, 29, 172};
  struct Pic {
    ui::Image& image;
    int top;
    const char* hint;
    const char* picture;
  };
  for (const Pic& p : {Pic{imgPPage, 6, "Visit Our Homepage", "IMG_HOME"}, Pic{imgAbout, 25, "About", "IMG_ABOUT"},
                       Pic{imgSUs, 44, "Support Us!", "IMG_SUPPORT"}, Pic{imgMore, 63, "More Software", "IMG_MORE"}}) {
    p.image.place = {337, p.top, 16, 16};
    p.image.SetHint(p.hint);
    p.image.picture = p.picture;
    p.image.handCursor = true;
  }

  OnActivate = [this] { FormActivate(); };
  OnClose = [this] { FormClose(); };
  Button2.OnClick = [this] { Button2Click(); };
  callNbx.OnClick = [this] { callNbxClick(); };
  chkosk.OnClick = [this] { chkoskClick(); };
  spdAsterix.OnClick = [this] { spdAsterixClick(); };
  btnOK.OnClick = [this] { btnOKClick(); };
  btnSTmp.OnClick = [this] { btnSTmpClick(); };
  Template.OnChange = [this] { TemplateChange(); };
  Template.OnKeyPress = [this](char& key) { TemplateKeyPress(key); };
  txtCmd.OnKeyPress = [this](char& key) { txtCmdKeyPress(key); };
  txtCmd.OnKeyDown = [this](int& vk, int shift) { txtCmdKeyDown(vk, shift); };
  txtCmd.OnChange = [this] { txtCmdChange(); };
  // After a key has acted: the caret may have left the end, or come back.
  txtCmd.OnKeyUp = [this](int&, int) { UpdateSuggestion(); };
  Template.OnKeyDown = [this](int& vk, int shift) { LaunchKeyDown(vk, shift); };
  for (ui::Button* b : {&btnOK, &Button2, &btnSTmp}) b->OnKeyPress = [this](char& key) { btnSTmpKeyPress(key); };
  imgPPage.OnClick = [this] { VisitURL(); };
  imgAbout.OnClick = [this] { imgAboutClick(); };
  imgSUs.OnClick = [this] { imgSUsClick(); };
  imgMore.OnClick = [this] { imgMoreClick(); };
  SetActiveControl(&txtCmd);
}

void TfrmTVX::FormCreate(const std::vector<std::string>& args) {
  switch (ClassifyStart(args)) {
    case StartKind::SetCommand: {
      {
        TfrmSetCMD dialog(ctx_);
        if (args.size() >= 2) dialog.txtLoc.SetText(args[1]);
        ctx_.ui.ShowModal(dialog);
      }
      // Closed before it was ever shown: the close rule still runs.
      Close();
      ctx_.ui.Terminate();
      return;
    }
    case StartKind::Launch:
      txtCmd.SetText(JoinLaunchNames(args));
      Run(Action::Launch, false);
      return;
    case StartKind::Interactive:
      SetUp();
      return;
  }
}

void TfrmTVX::SetUp() {
  // Read when Up or a suggestion first needs it: the window never waits for it.
  history_.SetFile(store::HistoryFilePath(ctx_.exeFolder));
  store::ProfileFile data(ctx_.DataFile());
  LoadTemplates(data, kTypeManually);
  LoadNames(data);
  chkosk.SetChecked(data.ReadInteger(store::kSettingsSection, store::kOskKey, 0) == 1);
  bool hide = data.ReadInteger(store::kSettingsSection, store::kHideCommandKey, 0) == 1;
  spdAsterix.SetDown(hide);
  txtCmd.SetPasswordChar(hide ? '*' : 0);
  data.Release();
  if (chkosk.Checked()) StartKeyboard();
}

void TfrmTVX::LoadTemplates(store::ProfileFile& data, const std::string& select) {
  Template.SetItems(data.ListKeys(store::kTemplateSection));
  Template.AddItem(kTypeManually);
  Template.SetItemIndex(Template.IndexOfNoCase(select));
}

void TfrmTVX::FillTemplates(bool keepSelection) {
  std::string select = keepSelection ? Template.SelectedText() : std::string(kTypeManually);
  store::ProfileFile data(ctx_.DataFile());
  LoadTemplates(data, select);
  LoadNames(data);
}

void TfrmTVX::LoadNames(const store::ProfileFile& data) {
  std::vector<std::string> names = data.ListKeys(store::kCommandSection);
  txtCmd.SetCue(names.empty() ? kNoCommandsCue : "");
  completion_.SetNames(
      std::move(names), [this](const std::string& name) { return history_.Launches(name); },
      [this](const std::string& a, const std::string& b) { return ctx_.Collate(a, b); });
  suggestedFor_.reset();
  UpdateSuggestion();
}

void TfrmTVX::UpdateSuggestion() {
  bool offered = txtCmd.PasswordChar() == 0 && !Template.Focused() && txtCmd.CaretAtEnd();
  if (!offered) {
    suggestedFor_.reset();
    txtCmd.SetSuggestion(std::string());
    return;
  }
  // A key's change and its key up both ask; the names are looked through once.
  if (suggestedFor_ == txtCmd.Text()) return;
  suggestedFor_ = txtCmd.Text();
  txtCmd.SetSuggestion(completion_.Suggestion(txtCmd.Text()));
}

void TfrmTVX::AcceptSuggestion() {
  txtCmd.SetText(completion_.Complete(txtCmd.Text()));
  txtCmd.MoveCaretToEnd();
  UpdateSuggestion();
}

void TfrmTVX::txtCmdChange() {
  recall_.Reset();
  if (txtCmd.Text().empty())
    typedMasked_ = false;
  else if (txtCmd.PasswordChar() != 0)
    typedMasked_ = true;
  UpdateSuggestion();
}

void TfrmTVX::txtCmdKeyDown(int& vk, int shift) {
  if (vk == ui::kVkReturn) {
    LaunchKeyDown(vk, shift);
    return;
  }
  if ((shift & (ui::kShiftKey | ui::kCtrlKey | ui::kAltKey)) != 0) return;
  if ((vk == ui::kVkTab || (vk == ui::kVkRight && txtCmd.CaretAtEnd())) && !txtCmd.Suggestion().empty()) {
    vk = 0;
    AcceptSuggestion();
  } else if (vk == ui::kVkUp || vk == ui::kVkDown) {
    std::string shown;
    bool moved = vk == ui::kVkUp ? recall_.Older(history_.Texts(), txtCmd.Text(), shown)
                                 : recall_.Newer(history_.Texts(), shown);
    vk = 0;
    if (!moved) return;
    txtCmd.SetText(shown);
    txtCmd.MoveCaretToEnd();
    UpdateSuggestion();
  }
}

std::optional<TfrmTVX::Action> TfrmTVX::LaunchAction(int held, bool enter) {
  held &= ui::kShiftKey | ui::kCtrlKey | ui::kAltKey;
  if (held == (ui::kShiftKey | ui::kCtrlKey)) return Action::LaunchAsAdmin;
  if (!enter) return Action::Launch;
  if (held == ui::kShiftKey) return Action::ShowInFolder;
  if (held & ui::kCtrlKey) return std::nullopt;
  return Action::Launch;
}

void TfrmTVX::LaunchKeyDown(int& vk, int shift) {
  if (vk != ui::kVkReturn) return;
  // A plain launch is left to the key press that follows.
  std::optional<Action> action = LaunchAction(shift, true);
  if (!action || *action == Action::Launch) return;
  vk = 0;
  Run(*action, true);
}

void TfrmTVX::StartKeyboard() { ctx_.platform.shell.Execute(Handle(), "", "osk.exe", "", "", kSwShow); }

void TfrmTVX::QuitKeyboard() { ctx_.platform.system.PostQuitToWindow(kOskTitle); }

void TfrmTVX::FormActivate() { ctx_.platform.system.RaisePriority(); }

void TfrmTVX::FormClose() { QuitKeyboard(); }

void TfrmTVX::Button2Click() {
  QuitKeyboard();
  ctx_.ui.Terminate();
}

void TfrmTVX::callNbxClick() {
  {
    manager::TtvxCM manager(ctx_);
    ctx_.ui.ShowModal(manager);
  }
  {
    store::ProfileFile data(ctx_.DataFile());
    LoadNames(data);
  }
  txtCmd.SetFocus();
}

void TfrmTVX::chkoskClick() {
  bool on = chkosk.Checked();
  {
    store::ProfileFile data(ctx_.DataFile());
    data.WriteInteger(store::kSettingsSection, store::kOskKey, on ? 1 : 0);
  }
  if (on)
    StartKeyboard();
  else
    QuitKeyboard();
}

void TfrmTVX::spdAsterixClick() {
  bool down = spdAsterix.Down();
  {
    store::ProfileFile data(ctx_.DataFile());
    data.WriteInteger(store::kSettingsSection, store::kHideCommandKey, down ? 1 : 0);
  }
  txtCmd.SetPasswordChar(down ? '*' : 0);
  UpdateSuggestion();
}

void TfrmTVX::btnOKClick() { Run(*LaunchAction(ctx_.ui.ModifierKeys(), false), true); }

void TfrmTVX::Run(Action action, bool remember) {
  // One launch per run: whatever happens, every on-screen keyboard is ended
  // and the program ends. An error is shown before the end, not swallowed by it.
  std::string failure;
  bool failed = false;
  const std::string typed = txtCmd.Text();
  try {
    store::ProfileFile data(ctx_.DataFile());
    std::vector<launch::NamedValue> found = launch::FindNamedValues(typed, data);
    if (action == Action::ShowInFolder) {
      launch::ShowInFolder(found, ctx_.platform);
    } else {
      // Remembered first: the file is written beside the shell calls, on a
      // thread of its own that the program's end waits for a moment at most.
      // A write that fails stays silent.
      // Nothing typed while masking is on is stored or counted: the switch
      // is there so that it is not seen.
      const bool masked = typedMasked_ || txtCmd.PasswordChar() != 0;
      if (remember && !masked && !found.empty()) {
        std::vector<std::string> names;
        for (const launch::NamedValue& nv : found) names.push_back(nv.name);
        history_.Record(typed, names);
      }
      launch::LaunchNamedValues(found, Handle(), ctx_.platform, action == Action::LaunchAsAdmin ? "runas" : "");
    }
    txtCmd.SetEnabled(false);
  } catch (const std::exception& e) {
    // The program's own errors, and any other failure (out of memory, say).
    failed = true;
    failure = e.what();
  }
  launch::EndOnScreenKeyboards(Handle(), ctx_.platform);
  if (failed) ctx_.ui.ShowError(failure);
  ctx_.ui.Terminate();
}

void TfrmTVX::btnSTmpClick() {
  TfrmCT dialog(ctx_, [this] { FillTemplates(true); });
  ctx_.ui.ShowModal(dialog);
}

void TfrmTVX::TemplateChange() {
  std::string chosen = Template.SelectedText();
  if (chosen == kTypeManually) {
    txtCmd.SetText("");
  } else {
    store::ProfileFile data(ctx_.DataFile());
    txtCmd.SetText(data.ReadString(store::kTemplateSection, chosen));
  }
  UpdateSuggestion();
}

void TfrmTVX::TemplateKeyPress(char& key) {
  // Enter arrives here when no key-down handler took it: held with Ctrl the
  // system sends it as a line feed. The keys held decide, as on key-down.
  if (key == ui::kCharEnter || key == '\n') {
    int held = ctx_.ui.ModifierKeys();
    if (key == '\n') held |= ui::kCtrlKey;
    key = 0;
    if (std::optional<Action> action = LaunchAction(held, true)) Run(*action, true);
  } else if (key == ui::kCharEscape) {
    key = 0;
    Close();
  }
}

void TfrmTVX::txtCmdKeyPress(char& key) { TemplateKeyPress(key); }

void TfrmTVX::btnSTmpKeyPress(char& key) {
  if (key == ui::kCharEscape) {
    key = 0;
    Close();
  }
}

void TfrmTVX::VisitURL() { ctx_.platform.shell.Execute(Handle(), "", kHomePage, "", "", kSwShow); }

void TfrmTVX::imgAboutClick() {
  TfrmAbout about(ctx_, version_ ? version_() : std::string("1.0"));
  ctx_.ui.ShowModal(about);
}

void TfrmTVX::imgSUsClick() {
  TfrmSupport support(ctx_);
  ctx_.ui.ShowModal(support);
}

void TfrmTVX::imgMoreClick() {
  TfrmMore more(ctx_, "Tavrix");
  ctx_.ui.ShowModal(more);
}

}  // namespace tvx::app
