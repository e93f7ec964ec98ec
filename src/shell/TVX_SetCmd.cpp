#include "shell/TVX_SetCmd.h"

#include <vector>

#include "platform/text.h"
#include "shell/shortcuts.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "ui/services.h"

namespace tvx {

namespace {
constexpr ui::Rgb kAvailableGreen = ui::MakeRgb(0, 128, 0);
constexpr ui::Rgb kUsedRed = ui::MakeRgb(255, 0, 0);
}  // namespace

TfrmSetCMD::TfrmSetCMD(Context& ctx) : ui::Form(ctx.ui, "frmSetCMD"), ctx_(ctx) {
  caption = "Set TVX Command";
  clientWidth = 486;
  clientHeight = 201;
  border = ui::BorderStyle::FixedDialog;
  minimizeBox = false;
  position = ui::Position::ScreenCenter;

  const ui::Font bold{"", 0, 0, true};

  Label1.SetText("Location :");
  Label1.font = bold;
  Label1.place = {12, 19, 0, 0};
  Label1.focusControl = &txtLoc;
  txtLoc.place = {90, 16, 330, 21};
  txtLoc.tabOrder = 0;
  sBitBtn1.SetText("G");
  sBitBtn1.SetHint("Get Real Location ( *.LNK )");
  sBitBtn1.place = {426, 15, 24, 23};
  sBitBtn1.tabOrder = 4;
  sBitBtn1.SetEnabled(false);
  sBitBtn2.SetText("R");
  sBitBtn2.SetHint("Reset Location");
  sBitBtn2.place = {452, 15, 24, 23};
  sBitBtn2.tabOrder = 5;

  Label2.SetText("Command :");
  Label2.font = bold;
  Label2.place = {12, 55, 0, 0};
  Label2.focusControl = &txtCmd;
  txtCmd.place = {90, 52, 200, 21};
  txtCmd.tabOrder = 1;

  Label3.SetText("Status :");
  Label3.font = bold;
  Label3.place = {12, 89, 0, 0};
  lblStat.SetText("-");
  lblStat.font = bold;
  lblStat.place = {90, 89, 200, 13};

  Label4.SetText("Note : If \"Command\" already used, previous \"Location\" will be Replaced");
  Label4.SetTextColor(kUsedRed);
  Label4.place = {12, 124, 0, 0};

  BitBtn1.SetText("Set");
  BitBtn1.place = {306, 162, 82, 27};
  BitBtn1.tabOrder = 2;
  BitBtn2.SetText("Cancel");
  BitBtn2.place = {394, 162, 82, 27};
  BitBtn2.tabOrder = 3;

  OnActivate = [this] { FormActivate(); };
  txtLoc.OnKeyUp = [this](int& key, int shift) { txtLocKeyUp(key, shift); };
  txtLoc.OnKeyPress = [this](char& key) { txtLocKeyPress(key); };
  txtCmd.OnKeyUp = [this](int& key, int shift) { txtCmdKeyUp(key, shift); };
  txtCmd.OnKeyPress = [this](char& key) { txtCmdKeyPress(key); };
  sBitBtn1.OnClick = [this] { sBitBtn1Click(); };
  sBitBtn2.OnClick = [this] { sBitBtn2Click(); };
  BitBtn1.OnClick = [this] { BitBtn1Click(); };
  BitBtn2.OnClick = [this] { BitBtn2Click(); };
}

void TfrmSetCMD::ApplyGRule() {
  sBitBtn1.SetEnabled(text::EqualsNoCase(text::ExtractExtension(txtLoc.Text()), ".lnk"));
}

void TfrmSetCMD::FormActivate() {
  FocusControl(txtCmd);
  resetLocation_ = txtLoc.Text();
  ApplyGRule();
}

void TfrmSetCMD::txtLocKeyUp(int&, int) { ApplyGRule(); }

void TfrmSetCMD::txtCmdKeyUp(int&, int) {
  const std::string name = txtCmd.Text();
  if (text::Trim(name).empty()) {
    lblStat.SetText("-");
    lblStat.SetTextColor(std::nullopt);
    lblStat.SetHint("");
    return;
  }
  std::string value;
  {
    store::ProfileFile file(ctx_.DataFile());
    value = file.ReadString(store::kCommandSection, name);
    file.Release();
  }
  if (value.empty()) {
    lblStat.SetText("Available");
    lblStat.SetTextColor(kAvailableGreen);
    lblStat.SetHint("");
    return;
  }
  lblStat.SetText("Already Used");
  lblStat.SetTextColor(kUsedRed);
  const std::vector<std::string> pieces = text::SplitAt(value, "|");
  const std::string location = pieces.empty() ? std::string() : pieces[0];
  const std::string parameters = pieces.size() >= 2 ? pieces[1] : std::string("-");
  lblStat.SetHint("Location : " + location + "\n\r" + "Parameters : " + parameters);
}

void TfrmSetCMD::txtCmdKeyPress(char& key) {
  if (key == ui::kCharEnter) {
    key = 0;
    BitBtn1Click();
  } else if (key == ui::kCharEscape) {
    key = 0;
    Close();
  } else if (key == ' ') {
    key = 0;  // command names hold no blanks
  }
}

void TfrmSetCMD::txtLocKeyPress(char& key) {
  if (key == ui::kCharEnter) {
    key = 0;
    BitBtn1Click();
  } else if (key == ui::kCharEscape) {
    key = 0;
    Close();
  }
}

void TfrmSetCMD::sBitBtn1Click() {
  const ShortcutTarget link = shell::ReadShortcut(ctx_.platform, txtLoc.Text());
  txtLoc.SetText(link.arguments.empty() ? link.target : link.target + "|" + link.arguments);
  ApplyGRule();
}

void TfrmSetCMD::sBitBtn2Click() {
  txtLoc.SetText(resetLocation_);
  ApplyGRule();
}

void TfrmSetCMD::BitBtn1Click() {
  if (txtLoc.Text().empty() || txtCmd.Text().empty()) {
    Ui().ShowMessage("You must fill \"Location\" and \"Command\" Textbox!", ui::MsgKind::Information,
                     ui::MsgButtons::Ok);
    return;
  }
  {
    store::ProfileFile file(ctx_.DataFile());
    file.WriteString(store::kCommandSection, txtCmd.Text(), txtLoc.Text());
    file.Release();
  }
  Close();
}

void TfrmSetCMD::BitBtn2Click() { Close(); }

}  // namespace tvx
