#pragma once
// The program's own place in the shell: install/uninstall (desktop and Quick
// Launch shortcuts, taskbar scripts, App Paths entry) and the Explorer
// context-menu entry. Used by the command manager's buttons.
#include <string>

#include "platform/platform.h"

namespace tvx::shell {

// "Install" and "Uninstall" of the command manager; owner is its window.
void Install(Platform& platform, NativeWindow owner, const std::string& exeFolder);
void Uninstall(Platform& platform, NativeWindow owner, const std::string& exeFolder);

// App Paths entry below HKEY_LOCAL_MACHINE.
bool WriteAppPath(Platform& platform, const std::string& name, const std::string& path);
bool DeleteAppPath(Platform& platform, const std::string& name);

// Context-menu entry: whether the stored command matches this copy of the
// program, and the switch that writes or deletes it.
//
// Present means the command value is this copy's command line, in the quoted
// form the switch writes now or in the older unquoted form. The manager's
// state check ticks its box for either; a box that becomes ticked runs the
// switch, which stores the quoted form, so an old entry is rewritten the first
// time a manager window becomes active.
bool ShellIntegrationPresent(Platform& platform, const std::string& exeFolder);
void SetShellIntegration(Platform& platform, bool on, const std::string& exeFolder);
// The entry is present but still in the old unquoted form: a caller whose box
// is already ticked may run the switch (on) to bring it up to date.
bool ShellIntegrationNeedsRewrite(Platform& platform, const std::string& exeFolder);

// Names and texts of the entry and of the taskbar scripts.
inline constexpr const char* kContextMenuKey = "AllFilesystemObjects\\Shell\\SetTVXcmd";
inline constexpr const char* kContextMenuCommandKey = "AllFilesystemObjects\\Shell\\SetTVXcmd\\Command";
inline constexpr const char* kContextMenuCaption = "Set T&VX Command";
inline constexpr const char* kAppPathsPrefix = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
inline constexpr const char* kPinScript = "PinToTaskbar.vbs";
inline constexpr const char* kUnpinScript = "UnpinFromTaskbar.vbs";

// The command value the switch writes, and the one older copies wrote.
std::string ContextMenuCommand(const std::string& exeFolder);
std::string LegacyContextMenuCommand(const std::string& exeFolder);
// Key path of the App Paths entry for a program name (extension made ".exe").
std::string AppPathKey(const std::string& name);
// Bytes of the pin (pin = true) or unpin script.
std::string TaskbarScript(bool pin);
// Writes the two scripts into the temporary folder, each only when absent.
void InitializePTT(Platform& platform, const std::string& tempFolder);

}  // namespace tvx::shell
