#include "shell/integration.h"

#include <optional>

#include "platform/error.h"
#include "platform/text.h"

namespace tvx::shell {

namespace {

constexpr const char* kProgramFile = "TVX.exe";
constexpr const char* kShortcutName = "Tavrix";
constexpr const char* kQuickLaunch = "Microsoft\\Internet Explorer\\Quick Launch";
constexpr const char* kAppPathName = "tvx.exe";

std::string WithBackslash(const std::string& folder) { return JoinPath(folder, ""); }

// ---- Registry operations of the context-menu entry ----

void CreateRegistryKey(Platform& platform, RegRoot root, const std::string& keyPath) {
  if (!platform.registry.CreateKey(root, keyPath)) throw Error(FormatMessage1("Failed to create key %s", keyPath));
}

void DeleteRegistryKey(Platform& platform, RegRoot root, const std::string& keyPath) {
  platform.registry.DeleteTree(root, keyPath);  // a failed deletion is silent
}

void WriteShellString(Platform& platform, const std::string& keyPath, const std::string& name,
                      const std::string& value) {
  // The key is opened "creating it if missing"; whether that worked shows in the write.
  platform.registry.CreateKey(RegRoot::ClassesRoot, keyPath);
  if (!platform.registry.SetString(RegRoot::ClassesRoot, keyPath, name, value))
    throw Error(FormatMessage1("Failed to set data for '%s'", name));
}

std::string ReadShellString(Platform& platform, const std::string& keyPath, const std::string& name) {
  RegValue v = platform.registry.ReadValueFullAccess(RegRoot::ClassesRoot, keyPath, name);
  if (!v.found || v.type != kRegSz) return {};
  auto zero = v.data.find('\0');
  return zero == std::string::npos ? v.data : v.data.substr(0, zero);
}

// ---- The program's own shortcuts ----

// Writes a shortcut with only target and working folder set. A folder that is
// not there, or a save that fails, gets no shortcut and no message; a failing
// link object raises.
void WriteProgramShortcut(Platform& platform, const std::string& programPath, const std::string& folder) {
  if (!platform.files.DirectoryExists(folder)) return;
  ShortcutFields fields;
  fields.target = programPath;
  fields.workingFolder = text::ExtractPath(programPath);
  try {
    platform.links.Write(JoinPath(folder, std::string(kShortcutName) + ".lnk"), fields, /*setIcon=*/false,
                         /*remember=*/false);
  } catch (const ShortcutSaveFailed&) {
  }
}

// The application-data folder with its trailing backslash; nullopt when the shell has none.
std::optional<std::string> GetAppDataFolder(Platform& platform) {
  auto folder = platform.files.SpecialFolder(kCsidlAppData);
  if (!folder || folder->empty()) return std::nullopt;
  return WithBackslash(*folder);
}

// A special folder (created when missing) with its trailing backslash; nullopt
// when the shell has none.
std::optional<std::string> GetSpecialFolder(Platform& platform, int csidl) {
  auto folder = platform.files.SpecialFolderCreate(csidl);
  if (!folder || folder->empty()) return std::nullopt;
  return WithBackslash(*folder);
}

// Starts the Windows Script Host on one of the scripts, for the program's path.
// The result is not looked at: no script host or no such verb is no error.
void RunTaskbarScript(Platform& platform, NativeWindow owner, const std::string& tempFolder, const std::string& script,
                      const std::string& programPath) {
  // Both paths quoted: either may hold blanks.
  std::string params = "\"" + tempFolder + script + "\" \"" + programPath + "\"";
  platform.shell.Execute(owner, "", "wscript.exe", params, tempFolder, kSwShowNormal);
}

}  // namespace

std::string ContextMenuCommand(const std::string& exeFolder) {
  return "\"" + exeFolder + kProgramFile + "\" /setcmd \"%1\"";
}

std::string LegacyContextMenuCommand(const std::string& exeFolder) {
  return exeFolder + kProgramFile + " /setcmd \"%1\"";
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

void InitializePTT(Platform& platform, const std::string& tempFolder) {
  for (bool pin : {true, false}) {
    std::string path = tempFolder + (pin ? kPinScript : kUnpinScript);
    // An existing script is kept and run as it is, whatever it holds.
    if (platform.files.FileExists(path)) continue;
    if (auto reason = platform.files.WriteNewFile(path, TaskbarScript(pin)))
      throw Error(FormatMessage2("Cannot create file \"%s\". %s", path, *reason));
  }
}

void Install(Platform& platform, NativeWindow owner, const std::string& exeFolder) {
  const std::string program = exeFolder + kProgramFile;
  if (auto appData = GetAppDataFolder(platform)) WriteProgramShortcut(platform, program, *appData + kQuickLaunch);
  if (auto desktop = platform.files.SpecialFolder(kCsidlDesktop); desktop && !desktop->empty())
    WriteProgramShortcut(platform, program, *desktop);
  const std::string temp = platform.files.TempFolder();
  InitializePTT(platform, temp);
  RunTaskbarScript(platform, owner, temp, kPinScript, program);
  WriteAppPath(platform, kAppPathName, program);
}

void Uninstall(Platform& platform, NativeWindow owner, const std::string& exeFolder) {
  const std::string program = exeFolder + kProgramFile;
  const std::string link = std::string(kShortcutName) + ".lnk";
  // Without the folder there is nothing of ours to delete; a bare "\Tavrix.lnk"
  // would name a file in the root of the current drive.
  if (auto appData = GetAppDataFolder(platform)) platform.files.RemoveFile(JoinPath(*appData + kQuickLaunch, link));
  if (auto desktop = GetSpecialFolder(platform, kCsidlDesktop)) platform.files.RemoveFile(*desktop + link);
  const std::string temp = platform.files.TempFolder();
  InitializePTT(platform, temp);
  RunTaskbarScript(platform, owner, temp, kUnpinScript, program);
  DeleteAppPath(platform, kAppPathName);
}

bool WriteAppPath(Platform& platform, const std::string& name, const std::string& path) {
  const std::string key = AppPathKey(name);
  if (!platform.registry.CreateKey(RegRoot::LocalMachine, key))
    throw Error(FormatMessage1("Failed to create key %s", key));
  if (!platform.registry.SetString(RegRoot::LocalMachine, key, "", path))
    throw Error(FormatMessage1("Failed to set data for '%s'", ""));
  return true;
}

bool DeleteAppPath(Platform& platform, const std::string& name) {
  return platform.registry.DeleteTree(RegRoot::LocalMachine, AppPathKey(name));
}

bool ShellIntegrationPresent(Platform& platform, const std::string& exeFolder) {
  const std::string stored = ReadShellString(platform, kContextMenuCommandKey, "");
  return stored == ContextMenuCommand(exeFolder) || stored == LegacyContextMenuCommand(exeFolder);
}

bool ShellIntegrationNeedsRewrite(Platform& platform, const std::string& exeFolder) {
  return ReadShellString(platform, kContextMenuCommandKey, "") == LegacyContextMenuCommand(exeFolder);
}

void SetShellIntegration(Platform& platform, bool on, const std::string& exeFolder) {
  if (!on) {
    DeleteRegistryKey(platform, RegRoot::ClassesRoot, kContextMenuKey);
    return;
  }
  CreateRegistryKey(platform, RegRoot::ClassesRoot, kContextMenuKey);
  CreateRegistryKey(platform, RegRoot::ClassesRoot, kContextMenuCommandKey);
  WriteShellString(platform, kContextMenuKey, "", kContextMenuCaption);
  WriteShellString(platform, kContextMenuKey, "Icon", exeFolder + kProgramFile);
  WriteShellString(platform, kContextMenuCommandKey, "", ContextMenuCommand(exeFolder));
}

}  // namespace tvx::shell
