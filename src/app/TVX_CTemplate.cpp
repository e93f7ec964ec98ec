#include "app/TVX_CTemplate.h"

#include "platform/error.h"
#include "platform/text.h"
#include "store/profile_file.h"
#include "store/schema.h"

namespace tvx::app {

TfrmCT::TfrmCT(Context& ctx, std::function<void()> onClosed)
    : ui::Form(ctx.ui, "frmCT"), ctx_(ctx), onClosed_(std::move(onClosed)) {
  caption = "Command Template";
  clientWidth = 466;
  clientHeight = 303;
  border = ui::BorderStyle::FixedDialog;
  position = ui::Position::OwnerCenter;

  Label1.SetText("&Template Name :");
  Label1.place = {16, 16, 0, 0};
  Label1.font.bold = true;
  Label1.focusControl = &txtTmp;
  txtTmp.place = {16, 34, 200, 21};
  txtTmp.tabOrder = 0;
  Label2.SetText("Type your &Command here :");
  Label2.place = {16, 70, 0, 0};
  Label2.font.bold = true;
  Label2.focusControl = &txtCmd;
  txtCmd.place = {16, 88, 200, 21};
  txtCmd.tabOrder = 1;
  Label4.SetText("You may type more than one command.");
  Label4.place = {16, 113, 0, 0};
  Button1.SetText("&Add to List");
  Button1.place = {16, 150, 200, 33};
  Button1.tabOrder = 2;
  Button1.Tag = 1;
  Button3.SetText("&Replace");
  Button3.place = {16, 192, 200, 33};
  Button3.tabOrder = 3;
  Button3.Tag = 2;
  Bevel1.place = {232, 8, 2, 287};
  Bevel1.vertical = true;
  Label3.SetText("Template &List :");
  Label3.place = {250, 16, 0, 0};
  Label3.font.bold = true;
  Label3.focusControl = &lstTmp;
  lstTmp.place = {250, 34, 200, 210};
  lstTmp.tabOrder = 4;
  lstTmp.sorted = true;
  lstTmp.compare = [this](const std::string& a, const std::string& b) { return ctx_.CollateNoCase(a, b); };
  lstTmp.sortKey = [this](std::string_view item, std::string& keys) {
    return ctx_.AppendCollationKeyNoCase(item, keys);
  };
  Button2.SetText("&Delete from List");
  Button2.place = {250, 254, 200, 33};
  Button2.tabOrder = 5;
  Button2.Tag = 0;

  OnClose = [this] { FormClose(); };
  lstTmp.OnClick = [this] { lstTmpClick(); };
  for (ui::Button* b : {&Button1, &Button2, &Button3}) {
    b->OnClick = [this, b] { Button1Click(*b); };
    b->OnKeyPress = [this](char& key) { Button1KeyPress(key); };
  }
  lstTmp.OnKeyPress = [this](char& key) { Button1KeyPress(key); };
  txtTmp.OnKeyPress = [this](char& key) { txtCmdKeyPress(txtTmp, key); };
  txtCmd.OnKeyPress = [this](char& key) { txtCmdKeyPress(txtCmd, key); };
  SetActiveControl(&txtTmp);
  FormCreate();
}

void TfrmCT::FillList() {
  store::ProfileFile data(ctx_.DataFile());
  lstTmp.SetItems(data.ListKeys(store::kTemplateSection));
}

void TfrmCT::FormCreate() { FillList(); }

void TfrmCT::FormClose() {
  if (onClosed_) onClosed_();
}

void TfrmCT::lstTmpClick() {
  std::string name = lstTmp.SelectedText();
  if (lstTmp.ItemIndex() < 0) return;
  txtTmp.SetText(name);
  store::ProfileFile data(ctx_.DataFile());
  txtCmd.SetText(data.ReadString(store::kTemplateSection, name));
}

void TfrmCT::Button1Click(ui::Control& sender) {
  txtTmp.SetText(text::ReplaceAll(text::ReplaceAll(txtTmp.Text(), "[", ""), "]", ""));
  const std::string name = txtTmp.Text();
  const std::string commands = txtCmd.Text();
  const bool filled = !name.empty() && !commands.empty();
  store::ProfileFile data(ctx_.DataFile());
  switch (sender.Tag) {
    case 1:
      if (filled) data.WriteString(store::kTemplateSection, name, commands);
      break;
    case 0:
      if (lstTmp.ItemIndex() >= 0) data.DeleteKey(store::kTemplateSection, lstTmp.SelectedText());
      break;
    case 2:
      if (filled) {
        if (lstTmp.ItemIndex() < 0) throw Error("List index out of bounds (-1)");
        // One write: a name the file cannot hold, or a file that cannot be
        // written, fails with the old entry still there.
        store::ProfileFile::Changes changes;
        changes.Delete(store::kTemplateSection, lstTmp.SelectedText());
        changes.Write(store::kTemplateSection, name, commands);
        data.Apply(changes);
      }
      break;
  }
  lstTmp.SetItems(data.ListKeys(store::kTemplateSection));
  data.Release();
  if (sender.Tag != 0) lstTmp.SetItemIndex(lstTmp.IndexOfNoCase(txtTmp.Text()));
}

void TfrmCT::txtCmdKeyPress(ui::Edit& field, char& key) {
  if (key == ui::kCharEnter) {
    key = 0;
    Button1Click(Button1);
  } else if (key == ui::kCharCtrlR) {
    key = 0;
    field.SetText("");
  } else if (key == ui::kCharEscape) {
    key = 0;
    Close();
  }
}

void TfrmCT::Button1KeyPress(char& key) {
  if (key == ui::kCharEscape) {
    key = 0;
    Close();
  }
}

}  // namespace tvx::app
