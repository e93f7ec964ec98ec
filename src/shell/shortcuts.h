#pragma once
// Shortcut (.lnk) files: writing one for a command, reading one back.
#include <string>

#include "platform/error.h"
#include "platform/platform.h"

namespace tvx::shell {

// The longest full path a shortcut file may have (MAX_PATH without its NUL),
// counted in UTF-16 characters as the system counts it.
inline constexpr std::size_t kMaxShortcutPath = 259;

// Refusal of a shortcut whose file path would be longer than kMaxShortcutPath.
// A distinct type so that a caller writing many shortcuts can skip this one
// and go on, while every other failure still ends its action.
class ShortcutPathTooLong : public Error {
 public:
  ShortcutPathTooLong(const std::string& name, const std::string& path);
  const std::string& Name() const { return name_; }
  const std::string& Path() const { return path_; }

 private:
  std::string name_;
  std::string path_;
};

// Writes <folder of folderId>\<name>.lnk. An empty icon file means the target
// with index 0. Raises tvx::Error (system text, "OLE error %.8x") on failure,
// and ShortcutPathTooLong when its path would be too long.
void MakeShortcut(Platform& platform, const std::string& target, const std::string& name, const std::string& arguments,
                  const std::string& iconFile, int iconIndex, int folderId, const std::string& workingFolder);

// Target path and arguments of a .lnk file (extension compared without regard
// to case); empty texts for any other path or an unreadable file.
ShortcutTarget ReadShortcut(Platform& platform, const std::string& path);

}  // namespace tvx::shell
