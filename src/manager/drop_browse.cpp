// Adding by dropping files on the list, and the two browse buttons.
#include <optional>
#include <string>
#include <vector>

#include "manager/TVX_CmdMgr.h"
#include "platform/text.h"
#include "shell/shortcuts.h"
#include "ui/services.h"

namespace tvx::manager {

void TtvxCM::DropDrop(const std::vector<std::string>& paths) {
  if (passRunning_) return;
  for (const std::string& path : paths) {
    std::optional<std::string> answer =
        ctx_.ui.InputBox("Add New Item", "Location : \n" + path + "\n\nCommand name :", "", Handle());
    std::string name = NormalizeCommandName(answer.value_or(std::string()));
    if (name.empty()) continue;
    txtName.SetText("");
    txtParam.SetText("");
    tvxparam.SetText("");
    // Only the exact lower-case extension is read as a shortcut; anything else
    // is stored as the path itself.
    if (text::ExtractExtension(path) == ".lnk") {
      ShortcutTarget link = shell::ReadShortcut(ctx_.platform, path);
      txtParam.SetText(link.target);
      tvxparam.SetText(link.arguments);
    } else {
      txtParam.SetText(path);
    }
    txtName.SetText(name);
    cmdAddClick();
  }
}

void TtvxCM::BrowseFile(ui::Edit& box) {
  std::string folder = FolderPart(box.Text());
  // The dialog keeps its last folder when the box names none.
  if (!folder.empty() && ctx_.platform.files.DirectoryExists(folder)) odInitialDir_ = folder;
  ui::OpenFileOptions options{"Browse for File", "All Files (*.*)|*.*", odInitialDir_};
  if (std::optional<std::string> chosen = ctx_.ui.OpenFile(options, Handle())) box.SetText(*chosen);
}

void TtvxCM::BrowseDir(ui::Edit& box) {
  std::string start = FolderPart(box.Text());
  if (start.empty() || !ctx_.platform.files.DirectoryExists(start)) start.clear();
  if (std::optional<std::string> chosen = ctx_.ui.BrowseFolder("Select Directory", start, Handle()))
    box.SetText(*chosen);
}

}  // namespace tvx::manager
