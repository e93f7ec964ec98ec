#pragma once
// The predefined commands dialog: the built-in table in a grid, from which
// the user copies some or all rows into the command list.
#include "context/context.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace tvx::manager {

class TfrmPC : public ui::Form {
 public:
  explicit TfrmPC(Context& ctx);

  ui::ListView nxPC{*this, "nxPC"};
  ui::Button Button1{*this, "Button1"};  // "Add Selected to Command List"
  ui::Button Button2{*this, "Button2"};  // "Add them ALL to Command List"
  ui::Label Label1{*this, "Label1"};     // "NOTE : Existing COMMAND with SAME NAME will be REPLACED"

  void FormCreate();
  // Both buttons: Tag 0 writes the selected rows, Tag 1 every row.
  void Button1Click(ui::Control& sender);
  void FormClose() {}

 private:
  Context& ctx_;
};

}  // namespace tvx::manager
