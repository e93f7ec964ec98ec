// "Remove Invalid Command": deletes every command whose location leads nowhere.
#include <string>
#include <utility>
#include <vector>

#include "launch/launch.h"
#include "manager/TVX_CmdMgr.h"
#include "platform/text.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "ui/services.h"

namespace tvx::manager {

namespace {

constexpr const char* kQuestion =
    "This will remove ALL Commands with \"Invalid Location\", are you sure you want to do this!";
constexpr const char* kDoneMessage = " command(s) with Invalid Location deleted!";

// Where the row stands now: the pass lets events through, so the list may
// have changed under it. -1 when the command is no longer listed.
int FindRow(const ui::ListView& list, int expected, const std::string& name) {
  if (expected < list.RowCount() && list.Cell(expected, 0) == name) return expected;
  for (int i = 0; i < list.RowCount(); ++i)
    if (list.Cell(i, 0) == name) return i;
  return -1;
}

}  // namespace

void TtvxCM::cmdRICClick() {
  if (passRunning_) return;
  store::ProfileFile file(ctx_.DataFile());
  // Only Yes goes on; No and closing the box leave everything as it is.
  if (ctx_.ui.ShowMessage(kQuestion, ui::MsgKind::Warning, ui::MsgButtons::YesNo) != ui::MsgResult::Yes) return;

  // The rows as they stand when the pass begins, walked last to first.
  std::vector<std::pair<std::string, std::string>> rows;
  rows.reserve(static_cast<size_t>(lvCmd.RowCount()));
  for (int i = 0; i < lvCmd.RowCount(); ++i) rows.emplace_back(lvCmd.Cell(i, 0), lvCmd.Cell(i, 1));

  BlockControls(true);
  lvCmd.BeginUpdate();
  int deleted = 0;
  // The deletions are made together when the pass is over: one write, and a
  // count of what really left the file.
  store::ProfileFile::Changes deletions;
  auto finish = [&] {
    file.Release();
    lvCmd.EndUpdate();
    BlockControls(false);
    ctx_.ui.ShowMessage(std::to_string(deleted) + kDoneMessage, ui::MsgKind::Information, ui::MsgButtons::Ok);
  };
  try {
    IFileSystem& files = ctx_.platform.files;
    for (int i = static_cast<int>(rows.size()) - 1; i >= 0; --i) {
      const std::string& name = rows[static_cast<size_t>(i)].first;
      std::vector<std::string> lines = text::SplitAt(rows[static_cast<size_t>(i)].second, "|");
      std::string location = launch::ExpandEnvVars(lines.empty() ? std::string() : lines[0], ctx_.platform.environment);
      size_t colon = location.find(':');
      bool invalid = colon != std::string::npos ? !files.FileExists(location) && !files.DirectoryExists(location)
                                                : location.find(".exe") == std::string::npos;
      int row = FindRow(lvCmd, i, name);
      if (invalid && row >= 0) {
        lvCmd.SetSelected(row, true);
        bool remove = false;
        if (location.find("://") != std::string::npos) {
          remove = false;  // addresses are never judged by the file system
        } else if (!spdKUD.Down()) {
          remove = true;
        } else {
          // Keep commands whose drive is merely absent at the moment.
          std::string drive = colon != std::string::npos ? location.substr(0, colon + 1) : std::string();
          remove = !drive.empty() && files.DirectoryExists(drive);
        }
        if (remove) deletions.Delete(store::kCommandSection, name);
      }
      ctx_.ui.ProcessMessages();
    }
    deleted = file.Apply(deletions);
    Button55Click();
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

}  // namespace tvx::manager
