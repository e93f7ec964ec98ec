#pragma once
// The command manager: lists the commands of the data file and adds,
// replaces, removes, launches, cleans up, exports and makes shortcuts of them.
// The list is only a view of the file; every change goes to the file at once.
#include <string>
#include <vector>

#include "context/context.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace tvx::manager {

// The name rule of Add: blanks become "-", brackets go, then the ends are
// trimmed of control characters. An empty result stores nothing.
std::string NormalizeCommandName(const std::string& typed);

// Text up to its last "\" or ":"; a final "\" is dropped unless it is the
// first character or follows another "\" or ":" (C:\Data -> C:\, C:\Data\ -> C:\Data).
std::string FolderPart(const std::string& path);

// The exported page of the command list, each line ended by CR LF. Rows are
// (name, stored value) in display order; names and values are escaped.
std::string CommandListHtml(const std::vector<std::pair<std::string, std::string>>& rows);
// "&", "<", ">" and the double quote as entities.
std::string HtmlEscape(const std::string& text);

inline constexpr const char* kHtmlFileName = "TVX Command List.htm";
inline constexpr const char* kTutorialAddress = "https://www.youtube.com/results?search_query=Tavrix+tutorial";
inline constexpr const char* kFolderIconFile = "C:\\Windows\\system32\\shell32.dll";
inline constexpr int kFolderIconIndex = 3;

class TtvxCM : public ui::Form {
 public:
  explicit TtvxCM(Context& ctx);

  ui::Label Label1{*this, "Label1"};  // "Command Name "
  ui::Edit txtName{*this, "txtName"};
  ui::Label Label4{*this, "Label4"};  // "(Space is not Allowed)"
  ui::Label Label2{*this, "Label2"};  // "File/Folder Location "
  ui::Edit txtParam{*this, "txtParam"};
  ui::Button cmdBFile{*this, "cmdBFile"};  // "F"
  ui::Button cmbBDir{*this, "cmbBDir"};    // "D"
  ui::Label Label5{*this, "Label5"};       // "Optional Parameters (for Application)"
  ui::Edit tvxparam{*this, "tvxparam"};
  ui::Button cmdAdd{*this, "cmdAdd"};              // "Add"
  ui::Button cmdReplace{*this, "cmdReplace"};      // "Replace"
  ui::Button cmdRem{*this, "cmdRem"};              // "Remove"
  ui::Button Button54{*this, "Button54"};          // "Add from "Predefined Commands""
  ui::Button cmdInstall{*this, "cmdInstall"};      // "Install"
  ui::Button cmdUninstall{*this, "cmdUninstall"};  // "Uninstall"
  ui::CheckBox chkSI{*this, "chkSI"};              // "Shell Integration"
  ui::GroupBox GroupBox1{*this, "GroupBox1"};      // " Command List "
  ui::ListView lvCmd{*this, "lvCmd"};
  ui::Button tvxLaunch{*this, "tvxLaunch"};           // picture, tip "Launch selected Command"
  ui::Button cmdRIC{*this, "cmdRIC"};                 // "Remove Invalid Command"
  ui::SpeedButton spdKUD{*this, "spdKUD"};            // "K"
  ui::Button BitBtn1{*this, "BitBtn1"};               // "Create Shortcut"
  ui::SpeedButton chkRelative{*this, "chkRelative"};  // "R"
  ui::Button sBitBtn2{*this, "sBitBtn2"};             // "Save List"
  ui::Button Button55{*this, "Button55"};             // "Refresh List"
  ui::Button sBitBtn1{*this, "sBitBtn1"};             // "Tutorial Video"
  ui::Label Label3{*this, "Label3"};                  // "Tips : You can Add New Item to Command List via "Drag & Drop""

  // Handlers; each also works when called from code.
  void FormCreate();
  void FormActivate();
  void ReadTVX();
  void lvCmdChange();
  void lvCmdSelectItem(int index, bool selected);
  void lvCmdKeyUp(int& vk, int shift);
  void txtParamKeyPress(ui::Edit& sender, char& key);
  void cmdAddClick();
  void cmdReplaceClick();
  void cmdRemClick();
  void Button55Click();
  void Button54Click();
  void tvxLaunchClick();
  void sBitBtn1Click();
  void cmdRICClick();
  void DropDrop(const std::vector<std::string>& paths);
  void cmdBFileClick() { BrowseFile(txtParam); }
  void cmbBDirClick() { BrowseDir(txtParam); }
  void BrowseFile(ui::Edit& box);
  void BrowseDir(ui::Edit& box);
  void sBitBtn2Click();
  void BitBtn1Click();
  void cmdInstallClick();
  void cmdUninstallClick();
  void chkSIClick();

  const std::string& ExeFolder() const { return exeFolder_; }
  // The open-file dialog's initial folder, kept for the window's life.
  const std::string& BrowseInitialFolder() const { return odInitialDir_; }

 private:
  // The value Add stores: location, "|", parameters.
  std::string StoredValue() const { return txtParam.Text() + "|" + tvxparam.Text(); }
  // The eight controls that only make sense for at most one selected row.
  void SetEditingEnabled(bool enabled);
  // Ticks the Shell Integration box when the entry is this copy's.
  void CheckShellIntegration();
  void BlockControls(bool block);
  // Opens the data file, makes the change, then in every case releases the
  // file, reloads the list and enables editing.
  template <typename Change>
  void StoreAndReload(Change&& change);

  Context& ctx_;
  std::string exeFolder_;
  std::string odInitialDir_ = "C:\\";
  bool editingEnabled_ = true;
  // While the invalid-command pass runs, nothing else may change the list.
  bool passRunning_ = false;
};

}  // namespace tvx::manager
