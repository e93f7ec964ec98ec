#pragma once
// The Set Command dialog: gives one file or folder a command name. Opened by
// the "/setcmd" start (the Explorer context-menu entry) with the item's path
// in txtLoc; writes one key of section Command of the data file.
#include <string>

#include "context/context.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace tvx {

class TfrmSetCMD : public ui::Form {
 public:
  explicit TfrmSetCMD(Context& ctx);

  ui::Label Label1{*this, "Label1"};  // "Location :"
  ui::Edit txtLoc{*this, "txtLoc"};
  ui::Button sBitBtn1{*this, "sBitBtn1"};  // "G"
  ui::Button sBitBtn2{*this, "sBitBtn2"};  // "R"
  ui::Label Label2{*this, "Label2"};       // "Command :"
  ui::Edit txtCmd{*this, "txtCmd"};
  ui::Label Label3{*this, "Label3"};     // "Status :"
  ui::Label lblStat{*this, "lblStat"};   // "-"
  ui::Label Label4{*this, "Label4"};     // "Note : If "Command" already used, previous "Location" will be Replaced"
  ui::Button BitBtn1{*this, "BitBtn1"};  // "Set"
  ui::Button BitBtn2{*this, "BitBtn2"};  // "Cancel"

  // Handlers.
  void FormActivate();
  void txtLocKeyUp(int& key, int shift);
  void txtCmdKeyUp(int& key, int shift);
  void txtCmdKeyPress(char& key);
  void txtLocKeyPress(char& key);
  void sBitBtn1Click();
  void sBitBtn2Click();
  void BitBtn1Click();
  void BitBtn2Click();

  // The text txtLoc held when the dialog last became active; "R" restores it.
  const std::string& ResetLocation() const { return resetLocation_; }

 private:
  // "G" is usable exactly when the location names a shortcut file.
  void ApplyGRule();

  Context& ctx_;
  std::string resetLocation_;
};

}  // namespace tvx
