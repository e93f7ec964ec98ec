#pragma once
// Shortcut (.lnk) files: writing one for a command, reading one back.
#include <string>

#include "platform/platform.h"

namespace tvx::shell {

// Writes <folder of folderId>\<name>.lnk. An empty icon file means the target
// with index 0. Raises tvx::Error (system text, "OLE error %.8x") on failure,
// and a clear error naming the shortcut when its path would be too long.
void MakeShortcut(Platform& platform, const std::string& target, const std::string& name,
                  const std::string& arguments, const std::string& iconFile, int iconIndex, int folderId,
                  const std::string& workingFolder);

// Target path and arguments of a .lnk file (extension compared without regard
// to case); empty texts for any other path or an unreadable file.
ShortcutTarget ReadShortcut(Platform& platform, const std::string& path);

}  // namespace tvx::shell
