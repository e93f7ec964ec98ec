#include "shell/integration.h"

#include <optional>

#include "platform/error.h"
#include "platform/text.h"

namespace tvx::shell {

namespace {

constexpr const char* kProgramFile = "TVX.exe";
constexpr const char* kQuickLaunch = "Microsoft\\Internet Explorer\\Quick Launch";
constexpr const char* kAppPathName = "tvx.exe";

// ---- Registry operations of the context-menu entry ----

void CreateRegistryKey(Platform& platform, const std::string& keyPath) {
  if (!platform.registry.CreateKey(RegRoot::CurrentUser, keyPath))
    throw Error(FormatMessage1("Failed to create key %s", keyPath));
}

void WriteShellString(Platform& platform, const std::string& keyPath, const std::string& name,
                      const std::string& value) {
  // The key is opened "creating it if missing"; whether that worked shows in the write.
  platform.registry.CreateKey(RegRoot::CurrentUser, keyPath);
  if (!platform.registry.SetString(RegRoot::CurrentUser, keyPath, name, value))
    throw Error(FormatMessage1("Failed to set data for '%s'", name));
}

std::string TextOf(const RegValue& v) {
  if (!v.found || v.type != kRegSz) return {};
  auto zero = v.data.find('\0');
  return zero == std::string::npos ? v.data : v.data.substr(0, zero);
}

// The verb's command as Explorer sees it: the per-user entry wins where it
// exists. The user's own key must open with full access, as the switch needs
// it; the machine-wide one is only read, which a standard user may.
std::string ReadShellCommand(Platform& platform) {
  RegValue mine = platform.registry.ReadValueFullAccess(RegRoot::CurrentUser, kContextMenuCommandKey, "");
  if (mine.found) return TextOf(mine);
  return TextOf(platform.registry.ReadValue(RegRoot::LocalMachine, kContextMenuCommandKey, ""));
}

// ---- The program's own shortcuts ----

std::string ShortcutPath(const std::string& folder) { return JoinPath(folder, kShortcutFile); }

// Writes a shortcut with only target and working folder set (and the key,
// when one is given). A folder that is not there, or a save that fails, gets
// no shortcut and no message; a failing link object raises.
void WriteProgramShortcut(Platform& platform, const std::string& programPath, const std::string& folder) {
  if (!platform.files.DirectoryExists(folder)) return;
  ShortcutFields fields;
  fields.target = programPath;
  fields.workingFolder = text::ExtractPath(programPath);
  try {
    platform.links.Write(ShortcutPath(folder), fields, /*setIcon=*/false, /*remember=*/false);
  } catch (const ShortcutSaveFailed&) {
  }
}

// The Quick Launch folder; nullopt when the shell has no application-data folder.
std::optional<std::string> QuickLaunchFolder(Platform& platform) {
  auto appData = platform.files.SpecialFolder(kCsidlAppData);
  if (!appData || appData->empty()) return std::nullopt;
  return JoinPath(*appData, kQuickLaunch);
}

// The Start-menu entry carries the key that starts the program; a key the
// user set on it (or cleared) is kept. Unlike the other two shortcuts it is
// the way in that Install announces, so a failure to write it is reported.
std::uint16_t WriteStartMenuShortcut(Platform& platform, const std::string& programPath) {
  auto programs = platform.files.SpecialFolderCreate(kCsidlPrograms);
  if (!programs || programs->empty()) throw Error("The system cannot find the path specified");
  const std::string path = ShortcutPath(*programs);
  ShortcutFields fields;
  fields.target = programPath;
  fields.workingFolder = text::ExtractPath(programPath);
  fields.hotkey = kDefaultHotkey;
  if (platform.files.FileExists(path)) {
    ShortcutTarget existing = platform.links.Read(path);
    if (!existing.target.empty()) fields.hotkey = existing.hotkey;
  }
  platform.links.Write(path, fields, /*setIcon=*/false, /*remember=*/false);
  return fields.hotkey;
}

// Removes a taskbar script an older copy wrote, only when it is still that
// copy's text: a file of that name the user made or changed is not ours.
void RemoveTaskbarScript(Platform& platform, const std::string& tempFolder, bool pin) {
  if (tempFolder.empty()) return;
  const std::string path = JoinPath(tempFolder, pin ? kPinScript : kUnpinScript);
  const std::string expected = TaskbarScript(pin);
  std::optional<std::string> held = platform.files.ReadSmallFile(path, expected.size() + 1);
  if (held && *held == expected) platform.files.RemoveFile(path);
}

// The program file an App Paths value names: surrounding quotes allowed,
// letter case not significant, as the file system compares names.
bool NamesProgram(const RegValue& value, const std::string& programPath) {
  if (!value.found || (value.type != kRegSz && value.type != kRegExpandSz)) return false;
  std::string named = TextOf(RegValue{true, kRegSz, value.data});
  if (named.size() >= 2 && named.front() == '"' && named.back() == '"') named = named.substr(1, named.size() - 2);
  return text::EqualsNoCase(named, programPath);
}

}  // namespace

std::string ContextMenuCommand(const std::string& exeFolder) {
  return "\"" + JoinPath(exeFolder, kProgramFile) + "\" /setcmd \"%1\"";
}

std::string LegacyContextMenuCommand(const std::string& exeFolder) {
  return JoinPath(exeFolder, kProgramFile) + " /setcmd \"%1\"";
}

std::string AppPathKey(const std::string& name) {
  std::string ext = text::ExtractExtension(name);
  return std::string(kAppPathsPrefix) + name.substr(0, name.size() - ext.size()) + ".exe";
}

std::string TaskbarScript(bool pin) {
  const char* verb = pin ? "Pin to Taskbar" : "Unpin from Taskbar";
  return std::string("Set objShell = CreateObject(\"Shell.Application\")\r\n") +
         "set filesystem = CreateObject(\"scripting.Filesystemobject\")\r\n" +
         "Set objFolder = objShell.Namespace(filesystem.GetParentFolderName(Wscript.Arguments(0)))\r\n" +
         "Set objFolderItem = objFolder.ParseName(filesystem.GetFileName(WScript.Arguments(0)))\r\n" +
         "Set colVerbs = objFolderItem.Verbs\r\n" + "For Each objVerb in colVerbs\r\n" +
         "\tIf Replace(objVerb.name, \"&\", \"\") = \"" + verb + "\" Then objVerb.DoIt\r\n" + "Next\r\n";
}

std::string HotkeyName(std::uint16_t hotkey) {
  const unsigned key = hotkey & 0xFFu;
  if (key == 0) return {};
  std::string name;
  if (hotkey & kHotkeyControl) name += "Ctrl+";
  if (hotkey & kHotkeyAlt) name += "Alt+";
  if (hotkey & kHotkeyShift) name += "Shift+";
  if (key >= 0x70 && key <= 0x87) return name + "F" + std::to_string(key - 0x6F);
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return name + static_cast<char>(key);
  switch (key) {
    case 0x20:
      return name + "Space";
    case 0x21:
      return name + "Page Up";
    case 0x22:
      return name + "Page Down";
    case 0x23:
      return name + "End";
    case 0x24:
      return name + "Home";
    case 0x2D:
      return name + "Insert";
    case 0x2E:
      return name + "Delete";
  }
  // A key without a short name: the shortcut's Properties show it.
  return name.empty() ? "the key shown in its Properties" : name + "the key shown in its Properties";
}

std::string InstalledMessage(std::uint16_t hotkey) {
  const std::string key = HotkeyName(hotkey);
  std::string message = "Tavrix has been added to your Start menu and desktop.\n\n";
  if (key.empty())
    message += "Its Start-menu entry has no shortcut key: set one in the entry's Properties, \"Shortcut key\".\n";
  else
    message += "Press " + key + " to start it from anywhere.\n";
  message +=
      "Type tvx in the Run box (Windows+R) to start it there.\n\n"
      "To pin it to the taskbar, right-click Tavrix in the Start menu's list of apps and choose \"Pin to "
      "taskbar\" (under \"More\" on Windows 10 and 11).";
  return message;
}

std::uint16_t Install(Platform& platform, const std::string& exeFolder) {
  const std::string program = JoinPath(exeFolder, kProgramFile);
  if (auto quickLaunch = QuickLaunchFolder(platform)) WriteProgramShortcut(platform, program, *quickLaunch);
  if (auto desktop = platform.files.SpecialFolder(kCsidlDesktop); desktop && !desktop->empty())
    WriteProgramShortcut(platform, program, *desktop);
  const std::uint16_t hotkey = WriteStartMenuShortcut(platform, program);
  WriteAppPath(platform, kAppPathName, program);
  return hotkey;
}

void Uninstall(Platform& platform, const std::string& exeFolder) {
  // Without the folder there is nothing of ours to delete; a bare "\Tavrix.lnk"
  // would name a file in the root of the current drive.
  if (auto quickLaunch = QuickLaunchFolder(platform)) platform.files.RemoveFile(ShortcutPath(*quickLaunch));
  for (int folder : {kCsidlDesktop, kCsidlPrograms})
    if (auto path = platform.files.SpecialFolder(folder); path && !path->empty())
      platform.files.RemoveFile(ShortcutPath(*path));
  const std::string temp = platform.files.TempFolder();
  RemoveTaskbarScript(platform, temp, true);
  RemoveTaskbarScript(platform, temp, false);
  DeleteAppPath(platform, kAppPathName, JoinPath(exeFolder, kProgramFile));
}

bool WriteAppPath(Platform& platform, const std::string& name, const std::string& path) {
  const std::string key = AppPathKey(name);
  if (!platform.registry.CreateKey(RegRoot::CurrentUser, key))
    throw Error(FormatMessage1("Failed to create key %s", key));
  if (!platform.registry.SetString(RegRoot::CurrentUser, key, "", path))
    throw Error(FormatMessage1("Failed to set data for '%s'", ""));
  return true;
}

bool DeleteAppPath(Platform& platform, const std::string& name, const std::string& programPath) {
  const std::string key = AppPathKey(name);
  const bool removed = platform.registry.DeleteTree(RegRoot::CurrentUser, key);
  // An earlier copy, run elevated, may have written the machine-wide entry;
  // another program's entry of the same name is left alone.
  if (NamesProgram(platform.registry.ReadValue(RegRoot::LocalMachine, key, ""), programPath))
    platform.registry.DeleteTree(RegRoot::LocalMachine, key);
  return removed;
}

bool ShellIntegrationPresent(Platform& platform, const std::string& exeFolder) {
  const std::string stored = ReadShellCommand(platform);
  return stored == ContextMenuCommand(exeFolder) || stored == LegacyContextMenuCommand(exeFolder);
}

bool ShellIntegrationNeedsRewrite(Platform& platform, const std::string& exeFolder) {
  return ReadShellCommand(platform) == LegacyContextMenuCommand(exeFolder);
}

void SetShellIntegration(Platform& platform, bool on, const std::string& exeFolder) {
  if (!on) {
    // Both silent: a standard user may not remove the machine-wide entry.
    platform.registry.DeleteTree(RegRoot::CurrentUser, kContextMenuKey);
    platform.registry.DeleteTree(RegRoot::LocalMachine, kContextMenuKey);
    return;
  }
  CreateRegistryKey(platform, kContextMenuKey);
  CreateRegistryKey(platform, kContextMenuCommandKey);
  WriteShellString(platform, kContextMenuKey, "", kContextMenuCaption);
  WriteShellString(platform, kContextMenuKey, "Icon", JoinPath(exeFolder, kProgramFile));
  WriteShellString(platform, kContextMenuCommandKey, "", ContextMenuCommand(exeFolder));
}

}  // namespace tvx::shell
