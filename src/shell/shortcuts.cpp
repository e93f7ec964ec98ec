#include "shell/shortcuts.h"

#include "platform/text.h"

namespace tvx::shell {

ShortcutPathTooLong::ShortcutPathTooLong(const std::string& name, const std::string& path)
    : Error("Cannot create the shortcut \"" + name + ".lnk\": its full path is longer than " +
            std::to_string(kMaxShortcutPath) + " characters"),
      name_(name),
      path_(path) {}

void MakeShortcut(Platform& platform, const std::string& target, const std::string& name, const std::string& arguments,
                  const std::string& iconFile, int iconIndex, int folderId, const std::string& workingFolder) {
  std::optional<std::string> folder = platform.files.SpecialFolder(folderId);
  // The shell gives no folder for this id (or it is not a file-system folder).
  if (!folder) throw Error("The system cannot find the path specified");
  std::string path = JoinPath(*folder, name + ".lnk");
  // The shell would cut a longer path and save the file under another name.
  if (text::Utf16Length(path) > kMaxShortcutPath) throw ShortcutPathTooLong(name, path);

  ShortcutFields fields;
  fields.target = target;
  fields.arguments = arguments;
  fields.iconFile = iconFile.empty() ? target : iconFile;
  fields.iconIndex = iconFile.empty() ? 0 : iconIndex;
  fields.workingFolder = workingFolder;
  platform.links.Write(path, fields, /*setIcon=*/true, /*remember=*/true);
}

ShortcutTarget ReadShortcut(Platform& platform, const std::string& path) {
  if (text::UpperAscii(text::ExtractExtension(path)) != ".LNK") return {};
  return platform.links.Read(path);
}

}  // namespace tvx::shell
