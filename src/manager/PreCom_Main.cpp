#include "manager/PreCom_Main.h"

#include "launch/predefined.h"
#include "store/profile_file.h"
#include "store/schema.h"

namespace tvx::manager {

TfrmPC::TfrmPC(Context& ctx) : ui::Form(ctx.ui, "frmPC"), ctx_(ctx) {
  caption = "Predefined Commands";
  clientWidth = 852;
  clientHeight = 402;
  border = ui::BorderStyle::FixedDialog;
  position = ui::Position::MainFormCenter;

  nxPC.place = {3, 3, 846, 350};
  nxPC.tabOrder = 0;
  nxPC.columns = {{"Name", 130}, {"Caption", 197}, {"Location", 196}, {"Parameters", 302}};
  nxPC.gridLines = true;
  nxPC.rowSelect = true;
  nxPC.multiSelect = true;
  nxPC.readOnly = true;
  nxPC.hideSelection = false;

  Button1.SetText("Add Selected to Command List");
  Button1.Tag = 0;
  Button1.place = {8, 362, 210, 30};
  Button1.tabOrder = 1;
  Button2.SetText("Add them ALL to Command List");
  Button2.Tag = 1;
  Button2.place = {226, 362, 210, 30};
  Button2.tabOrder = 2;
  Label1.SetText("NOTE : Existing COMMAND with SAME NAME will be REPLACED");
  Label1.place = {452, 370, 392, 16};

  Button1.OnClick = [this] { Button1Click(Button1); };
  Button2.OnClick = [this] { Button1Click(Button2); };
  OnClose = [this] { FormClose(); };

  FormCreate();
}

void TfrmPC::FormCreate() {
  nxPC.Clear();
  nxPC.BeginUpdate();
  for (const launch::TPCA& row : launch::kPredefinedCommands)
    nxPC.AddRow(row.name, {row.caption, row.location, row.parameters});
  nxPC.EndUpdate();
  // Sorted by description once, stably, so equal captions keep table order.
  nxPC.SortByColumn(1, ui::CompareNoCase);
}

void TfrmPC::Button1Click(ui::Control& sender) {
  bool all = sender.Tag == 1;
  // Grid order, so new keys follow the order the user sees; all rows go in
  // one write, so a failure stores none of them.
  store::ProfileFile::Changes changes;
  for (int i = 0; i < nxPC.RowCount(); ++i) {
    if (!all && !nxPC.IsSelected(i)) continue;
    changes.Write(store::kCommandSection, nxPC.Cell(i, 0), nxPC.Cell(i, 2) + "|" + nxPC.Cell(i, 3));
  }
  store::ProfileFile file(ctx_.DataFile());
  file.Apply(changes);
  file.Release();
}

}  // namespace tvx::manager
