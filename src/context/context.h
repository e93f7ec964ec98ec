#pragma once
// What every window and user action of the program works with: the platform
// seam, the user-interface services and the executable's folder. It sits
// below every window (launcher, manager, dialogs) and above the data file and
// the user-interface models it names.
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "store/profile_file.h"
#include "ui/services.h"

namespace tvx {

struct Context {
  Platform& platform;
  ui::IUiServices& ui;
  // Folder of the running executable, with its trailing backslash.
  std::string exeFolder;

  // The data file beside the executable.
  std::string DataFile() const;
  // The system's order of texts, for lists that sort as the system's own do,
  // letter case counting (Collate) or not (CollateNoCase).
  int Collate(const std::string& a, const std::string& b) const;
  int CollateNoCase(const std::string& a, const std::string& b) const;
  // Append the key of Collate's or CollateNoCase's order; false when the
  // platform has none.
  bool AppendCollationKey(std::string_view text, std::string& keys) const;
  bool AppendCollationKeyNoCase(std::string_view text, std::string& keys) const;
};

}  // namespace tvx
