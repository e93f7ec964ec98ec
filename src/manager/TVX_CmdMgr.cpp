#include "manager/TVX_CmdMgr.h"

#include <optional>

#include "launch/launch.h"
#include "manager/PreCom_Main.h"
#include "platform/error.h"
#include "platform/text.h"
#include "shell/integration.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "ui/services.h"

namespace tvx::manager {

namespace {

void Place(ui::Control& c, int left, int top, int width, int height, int tab = -1) {
  c.place = {left, top, width, height};
  c.tabOrder = tab;
}

// Ends a list update however the block is left.
class UpdateGuard {
 public:
  explicit UpdateGuard(ui::ListView& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateGuard() { list_.EndUpdate(); }
  UpdateGuard(const UpdateGuard&) = delete;
  UpdateGuard& operator=(const UpdateGuard&) = delete;

 private:
  ui::ListView& list_;
};

}  // namespace

std::string NormalizeCommandName(const std::string& typed) {
  std::string name = text::ReplaceAll(typed, " ", "-");
  name = text::ReplaceAll(name, "[", "");
  name = text::ReplaceAll(name, "]", "");
  return text::Trim(name);
}

std::string FolderPart(const std::string& path) {
  size_t delim = path.find_last_of("\\:");
  if (delim == std::string::npos) return std::string();
  if (path[delim] == '\\' && delim > 0 && path[delim - 1] != '\\' && path[delim - 1] != ':')
    return path.substr(0, delim);
  return path.substr(0, delim + 1);
}

TtvxCM::TtvxCM(Context& ctx) : ui::Form(ctx.ui, "tvxCM"), ctx_(ctx) {
  caption = "Command Manager";
  clientWidth = 754;
  clientHeight = 552;
  border = ui::BorderStyle::FixedDialog;
  position = ui::Position::OwnerCenter;

  // Editing area: the three boxes with their labels, the F/D browse buttons,
  // then the row of editing buttons; installation switches on the right.
  Label1.SetText("Command Name ");
  Place(Label1, 16, 17, 112, 16);
  Label1.focusControl = &txtName;
  Place(txtName, 132, 13, 200, 22, 0);
  Label4.SetText("(Space is not Allowed)");
  Place(Label4, 340, 17, 160, 16);

  Label2.SetText("File/Folder Location ");
  Place(Label2, 16, 47, 112, 16);
  Label2.focusControl = &txtParam;
  Place(txtParam, 132, 43, 412, 22, 1);
  cmdBFile.SetText("F");
  Place(cmdBFile, 550, 42, 26, 24, 2);
  cmbBDir.SetText("D");
  Place(cmbBDir, 580, 42, 26, 24, 3);

  Label5.SetText("Optional Parameters (for Application)");
  Label5.wordWrap = true;
  Place(Label5, 16, 71, 112, 30);
  Label5.focusControl = &tvxparam;
  Place(tvxparam, 132, 75, 474, 22, 4);

  cmdAdd.SetText("Add");
  Place(cmdAdd, 132, 107, 90, 28, 5);
  cmdReplace.SetText("Replace");
  Place(cmdReplace, 228, 107, 90, 28, 6);
  cmdRem.SetText("Remove");
  Place(cmdRem, 324, 107, 90, 28, 7);
  Button54.SetText("Add from \"Predefined Commands\"");
  Place(Button54, 420, 107, 186, 28, 8);

  cmdInstall.SetText("Install");
  cmdInstall.SetHint("Create \"Tavrix\" shortcut on your Desktop & Taskbar.");
  Place(cmdInstall, 626, 12, 116, 28, 9);
  cmdUninstall.SetText("Uninstall");
  cmdUninstall.SetHint("Remove \"Tavrix\" shortcut from your Desktop & Taskbar.");
  Place(cmdUninstall, 626, 44, 116, 28, 10);
  chkSI.SetText("Shell Integration");
  chkSI.SetHint("Add \"Set TVX Command\" to File & Folder Context Menu");
  Place(chkSI, 628, 80, 116, 20, 11);

  // The command list with its own buttons below it.
  GroupBox1.SetText(" Command List ");
  Place(GroupBox1, 8, 146, 738, 376);
  Place(lvCmd, 18, 166, 718, 306, 12);
  lvCmd.columns = {{"Name", 200}, {"Location + Parameters", 480}};
  lvCmd.gridLines = true;
  lvCmd.rowSelect = true;
  lvCmd.multiSelect = true;
  lvCmd.readOnly = true;
  lvCmd.hideSelection = false;
  lvCmd.compare = [this](const std::string& a, const std::string& b) { return ctx_.Collate(a, b); };
  lvCmd.sortKey = [this](std::string_view name, std::string& keys) { return ctx_.AppendCollationKey(name, keys); };

  tvxLaunch.picture = "IMG_LAUNCH";
  tvxLaunch.SetHint("Launch selected Command");
  Place(tvxLaunch, 18, 480, 34, 32, 13);
  cmdRIC.SetText("Remove Invalid Command");
  Place(cmdRIC, 58, 480, 156, 32, 14);
  spdKUD.SetText("K");
  spdKUD.SetHint("Keep Invalid Command with \"Unexisting Drive\"");
  spdKUD.SetDown(true);
  Place(spdKUD, 216, 480, 26, 32);
  BitBtn1.SetText("Create Shortcut");
  BitBtn1.SetHint("Create \"Shortcut\" of selected command on your \"Desktop\"");
  Place(BitBtn1, 250, 480, 116, 32, 15);
  chkRelative.SetText("R");
  chkRelative.SetHint("Create \"Relative\" Shortcut : Location depend on \"Selected Command\" Location + Parameters");
  chkRelative.SetDown(false);
  Place(chkRelative, 368, 480, 26, 32);
  sBitBtn2.SetText("Save List");
  sBitBtn2.SetHint("\"Save Command List\" as HTML File on your Desktop");
  Place(sBitBtn2, 402, 480, 100, 32, 16);
  Button55.SetText("Refresh List");
  Place(Button55, 508, 480, 100, 32, 17);
  sBitBtn1.SetText("Tutorial Video");
  sBitBtn1.SetHint("Click here to watch \"Tavrix\" Tutorial Video!");
  sBitBtn1.handCursor = true;
  Place(sBitBtn1, 614, 480, 122, 32, 18);

  Label3.SetText("Tips : You can Add New Item to Command List via \"Drag && Drop\"");
  Label3.SetTextColor(ui::MakeRgb(0, 128, 0));
  Place(Label3, 16, 530, 480, 16);

  OnActivate = [this] { FormActivate(); };
  lvCmd.OnChange = [this] { lvCmdChange(); };
  lvCmd.OnSelectItem = [this](int index, bool selected) { lvCmdSelectItem(index, selected); };
  lvCmd.OnKeyUp = [this](int& vk, int shift) { lvCmdKeyUp(vk, shift); };
  lvCmd.OnDblClick = [this] { tvxLaunchClick(); };
  lvCmd.OnDropFiles = [this](const std::vector<std::string>& paths) { DropDrop(paths); };
  txtName.OnKeyPress = [this](char& key) { txtParamKeyPress(txtName, key); };
  txtParam.OnKeyPress = [this](char& key) { txtParamKeyPress(txtParam, key); };
  tvxparam.OnKeyPress = [this](char& key) { txtParamKeyPress(tvxparam, key); };
  cmdAdd.OnClick = [this] { cmdAddClick(); };
  cmdReplace.OnClick = [this] { cmdReplaceClick(); };
  cmdRem.OnClick = [this] { cmdRemClick(); };
  Button54.OnClick = [this] { Button54Click(); };
  cmdInstall.OnClick = [this] { cmdInstallClick(); };
  cmdUninstall.OnClick = [this] { cmdUninstallClick(); };
  chkSI.OnClick = [this] { chkSIClick(); };
  cmdBFile.OnClick = [this] { cmdBFileClick(); };
  cmbBDir.OnClick = [this] { cmbBDirClick(); };
  tvxLaunch.OnClick = [this] { tvxLaunchClick(); };
  cmdRIC.OnClick = [this] { cmdRICClick(); };
  BitBtn1.OnClick = [this] { BitBtn1Click(); };
  sBitBtn2.OnClick = [this] { sBitBtn2Click(); };
  Button55.OnClick = [this] { Button55Click(); };
  sBitBtn1.OnClick = [this] { sBitBtn1Click(); };

  FormCreate();
}

void TtvxCM::FormCreate() {
  exeFolder_ = ctx_.exeFolder;
  // Only the list takes dropped files.
  lvCmd.acceptsFileDrop = true;
}

void TtvxCM::FormActivate() {
  ReadTVX();
  CheckShellIntegration();
}

void TtvxCM::ReadTVX() {
  lvCmd.Clear();
  store::ProfileFile file(ctx_.DataFile());
  {
    // One sort at the end instead of one insertion per row.
    UpdateGuard update(lvCmd);
    // The file's size bounds the rows' text; a command's line is seldom
    // shorter than 32 bytes (more rows just grow the list).
    const size_t bytes = file.Bytes().size();
    lvCmd.ReserveRows(bytes / 32, bytes);
    file.ReadSection(store::kCommandSection,
                     [this](std::string_view name, std::string_view location) { lvCmd.AddRow(name, {location}); });
  }
  file.Release();
}

void TtvxCM::lvCmdChange() {
  int index = lvCmd.SelectedIndex();
  if (index < 0) return;
  txtName.SetText(lvCmd.Cell(index, 0));
  std::vector<std::string> lines = text::SplitAt(lvCmd.Cell(index, 1), "|");
  txtParam.SetText(lines.empty() ? std::string() : lines[0]);
  tvxparam.SetText(lines.size() >= 2 ? lines[1] : std::string());
}

void TtvxCM::lvCmdSelectItem(int, bool) { SetEditingEnabled(lvCmd.SelectedCount() <= 1); }

void TtvxCM::SetEditingEnabled(bool enabled) {
  editingEnabled_ = enabled;
  if (passRunning_) return;  // applied when the pass unblocks the window
  for (ui::Control* c : std::initializer_list<ui::Control*>{&txtName, &txtParam, &cmdBFile, &cmbBDir, &tvxparam,
                                                            &cmdAdd, &cmdReplace, &tvxLaunch})
    c->SetEnabled(enabled);
}

void TtvxCM::BlockControls(bool block) {
  passRunning_ = block;
  for (ui::Control* c : Controls()) c->SetEnabled(!block);
  if (!block) SetEditingEnabled(editingEnabled_);
}

void TtvxCM::lvCmdKeyUp(int& vk, int) {
  if (passRunning_) return;
  if (vk == ui::kVkDelete && lvCmd.SelectedIndex() >= 0) cmdRemClick();
}

void TtvxCM::txtParamKeyPress(ui::Edit& sender, char& key) {
  if (key == ui::kCharEnter) {
    key = 0;  // no beep from the single-line box
    cmdAddClick();
  } else if (key == ui::kCharEscape) {
    key = 0;
    sender.SetText("");
  }
}

template <typename Change>
void TtvxCM::StoreAndReload(Change&& change) {
  // The list must show the file's real content afterwards, also when the
  // write failed; the error still reaches the general handler.
  auto finish = [this](std::optional<store::ProfileFile>& file) {
    if (file) file->Release();
    ReadTVX();
    SetEditingEnabled(true);
  };
  std::optional<store::ProfileFile> file;
  try {
    file.emplace(ctx_.DataFile());
    change(*file);
  } catch (...) {
    finish(file);
    throw;
  }
  finish(file);
}

void TtvxCM::cmdAddClick() {
  std::string name = NormalizeCommandName(txtName.Text());
  txtName.SetText(name);
  StoreAndReload([&](store::ProfileFile& file) {
    if (!name.empty() && !text::Trim(txtParam.Text()).empty())
      file.WriteString(store::kCommandSection, name, StoredValue());
  });
}

void TtvxCM::cmdRemClick() {
  std::vector<int> selected;
  store::ProfileFile::Changes changes;
  for (int i = lvCmd.RowCount() - 1; i >= 0; --i) {
    if (!lvCmd.IsSelected(i)) continue;
    selected.push_back(i);
    changes.Delete(store::kCommandSection, lvCmd.Cell(i, 0));
  }
  // All the selected commands go in one write; when it fails every row
  // stays, as every command stays in the file.
  struct Enable {
    TtvxCM& cm;
    ~Enable() { cm.SetEditingEnabled(true); }
  } enable{*this};
  store::ProfileFile file(ctx_.DataFile());
  file.Apply(changes);
  file.Release();
  lvCmd.DeleteRows(selected);
}

void TtvxCM::cmdReplaceClick() {
  // Remove only when Add will store something, so an accidental Replace with
  // an empty name or location, or with text the file cannot hold, never loses
  // the selected command. Removal and Add are one write: when it fails, the
  // selected command is still there.
  std::string name = NormalizeCommandName(txtName.Text());
  if (name.empty() || text::Trim(txtParam.Text()).empty()) {
    cmdAddClick();
    return;
  }
  txtName.SetText(name);
  store::ProfileFile::Changes changes;
  for (int i = lvCmd.RowCount() - 1; i >= 0; --i)
    if (lvCmd.IsSelected(i)) changes.Delete(store::kCommandSection, lvCmd.Cell(i, 0));
  changes.Write(store::kCommandSection, name, StoredValue());
  StoreAndReload([&](store::ProfileFile& file) { file.Apply(changes); });
}

void TtvxCM::Button55Click() {
  ReadTVX();
  SetEditingEnabled(true);
}

void TtvxCM::Button54Click() {
  {
    TfrmPC dialog(ctx_);
    ctx_.ui.ShowModal(dialog);
  }
  ReadTVX();
}

void TtvxCM::tvxLaunchClick() {
  if (passRunning_ || lvCmd.SelectedCount() != 1) return;
  launch::ExecuteStoredValue(lvCmd.Cell(lvCmd.SelectedIndex(), 1), Handle(), ctx_.platform);
}

void TtvxCM::sBitBtn1Click() { ctx_.platform.shell.Execute(Handle(), "", kTutorialAddress, "", "", kSwShow); }

void TtvxCM::cmdInstallClick() {
  const std::uint16_t hotkey = shell::Install(ctx_.platform, exeFolder_);
  ctx_.ui.ShowMessage(shell::InstalledMessage(hotkey), ui::MsgKind::Information, ui::MsgButtons::Ok);
}

void TtvxCM::cmdUninstallClick() { shell::Uninstall(ctx_.platform, exeFolder_); }

void TtvxCM::chkSIClick() { shell::SetShellIntegration(ctx_.platform, chkSI.Checked(), exeFolder_); }

void TtvxCM::CheckShellIntegration() {
  bool present = shell::ShellIntegrationPresent(ctx_.platform, exeFolder_);
  if (chkSI.Checked() != present) {
    chkSI.SetChecked(present);
    chkSIClick();
  } else if (present && shell::ShellIntegrationNeedsRewrite(ctx_.platform, exeFolder_)) {
    // An entry in an older form: bring it up to date while the box stays ticked.
    chkSIClick();
  }
}

}  // namespace tvx::manager
