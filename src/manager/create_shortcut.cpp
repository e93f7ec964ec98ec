// "Create Shortcut": a desktop shortcut for every selected command.
#include <string>
#include <vector>

#include "manager/TVX_CmdMgr.h"
#include "platform/error.h"
#include "platform/text.h"
#include "shell/shortcuts.h"
#include "ui/services.h"

namespace tvx::manager {

namespace {

std::string RefusalMessage(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "\"" : ", \"") + name + "\"";
  if (names.size() == 1)
    return "The shortcut for " + list + " cannot be created: its path is longer than " +
           std::to_string(shell::kMaxShortcutPath) + " characters";
  return "The shortcuts for " + list + " cannot be created: their paths are longer than " +
         std::to_string(shell::kMaxShortcutPath) + " characters";
}

}  // namespace

void TtvxCM::BitBtn1Click() {
  if (lvCmd.RowCount() == 0) return;
  // Shortcuts whose path would be too long are skipped and named once at the
  // end; any other failure ends the action at its row.
  std::vector<std::string> refused;
  try {
    for (int i = 0; i < lvCmd.RowCount(); ++i) {
      const std::string command = lvCmd.Cell(i, 0);
      std::string value = text::Trim(text::ReplaceAll(lvCmd.Cell(i, 1), "|", "\r"));
      std::vector<std::string> lines = text::SplitLines(value);
      std::string location = lines.empty() ? std::string() : lines[0];
      std::string parameters = lines.size() >= 2 ? lines[1] : std::string();
      std::string fileName = text::ExtractFileName(location);
      std::string linkName = fileName.substr(0, fileName.size() - text::ExtractExtension(fileName).size());
      bool selected = lvCmd.IsSelected(i);
      try {
        if (chkRelative.Down()) {
          // The shortcut starts this program with /l, so it follows later
          // changes of the command's location.
          bool folder = ctx_.platform.files.DirectoryExists(location);
          std::string iconFile = folder ? kFolderIconFile : location;
          int iconIndex = folder ? kFolderIconIndex : 0;
          if (selected)
            shell::MakeShortcut(ctx_.platform, JoinPath(exeFolder_, "tvx.exe"), linkName, "/l " + command, iconFile,
                                iconIndex, kCsidlDesktop, "");
        } else if (selected) {
          shell::MakeShortcut(ctx_.platform, location, linkName, parameters, location, 0, kCsidlDesktop,
                              text::ExtractPath(location));
        }
      } catch (const shell::ShortcutPathTooLong&) {
        refused.push_back(command);
      }
    }
  } catch (const Error&) {
    if (!refused.empty()) ctx_.ui.ShowError(RefusalMessage(refused));
    throw;
  }
  if (!refused.empty()) throw Error(RefusalMessage(refused));
}

}  // namespace tvx::manager
