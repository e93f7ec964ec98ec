#pragma once
// The template dialog: named lines of command names, stored in the data file.
#include <functional>

#include "context/context.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace tvx::app {

class TfrmCT : public ui::Form {
 public:
  // onClosed refills the launcher's template box when the dialog closes.
  TfrmCT(Context& ctx, std::function<void()> onClosed);

  ui::Label Label1{*this, "Label1"};  // "Template Name :"
  ui::Edit txtTmp{*this, "txtTmp"};
  ui::Label Label2{*this, "Label2"};  // "Type your Command here :"
  ui::Edit txtCmd{*this, "txtCmd"};
  ui::Label Label4{*this, "Label4"};     // "You may type more than one command."
  ui::Button Button1{*this, "Button1"};  // "Add to List"
  ui::Button Button3{*this, "Button3"};  // "Replace"
  ui::Bevel Bevel1{*this, "Bevel1"};
  ui::Label Label3{*this, "Label3"};  // "Template List :"
  ui::ListBox lstTmp{*this, "lstTmp"};
  ui::Button Button2{*this, "Button2"};  // "Delete from List"

  void FormCreate();
  void FormClose();
  void lstTmpClick();
  // Shared by the three buttons: Tag 0 Delete, 1 Add, 2 Replace.
  void Button1Click(ui::Control& sender);
  void txtCmdKeyPress(ui::Edit& field, char& key);
  void Button1KeyPress(char& key);

 private:
  void FillList();
  Context& ctx_;
  std::function<void()> onClosed_;
};

}  // namespace tvx::app
