#pragma once
// The program's own place in the shell: install/uninstall (desktop, Quick
// Launch and Start-menu shortcuts, App Paths entry) and the Explorer
// context-menu entry. Used by the command manager's buttons.
//
// Everything is written for the user who runs the program, below
// HKEY_CURRENT_USER and in the user's own folders, so that a standard
// account (or an administrator under UAC) needs no elevation. Entries that
// an earlier, elevated copy wrote below HKEY_LOCAL_MACHINE are still
// recognised and, where Windows lets the user, removed.
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tvx::shell {

// "Install": the shortcuts and the App Paths entry. Returns the shortcut key
// the Start-menu entry now has (the user's own choice, when an earlier
// Install's entry carries one).
std::uint16_t Install(Platform& platform, const std::string& exeFolder);
// "Uninstall": removes what Install wrote, and the taskbar scripts that older
// copies left in the temporary folder when they hold exactly those copies' text.
void Uninstall(Platform& platform, const std::string& exeFolder);

// What the information box after "Install" says, for the key the Start-menu
// entry has.
std::string InstalledMessage(std::uint16_t hotkey);
// "Ctrl+Alt+F11" and the like; empty for no key.
std::string HotkeyName(std::uint16_t hotkey);

// App Paths entry below HKEY_CURRENT_USER. Deleting also removes an entry
// below HKEY_LOCAL_MACHINE whose default value names programPath, silently
// when that is refused. Returns whether the per-user entry went.
bool WriteAppPath(Platform& platform, const std::string& name, const std::string& path);
bool DeleteAppPath(Platform& platform, const std::string& name, const std::string& programPath);

// Context-menu entry: whether the stored command matches this copy of the
// program, and the switch that writes or deletes it.
//
// The command is read as Windows' merged class view reads it: the per-user
// entry when there is one, otherwise the machine-wide one. Present means it
// is this copy's command line, in the quoted form the switch writes now or in
// the older unquoted form. The manager's state check ticks its box for
// either; a box that becomes ticked runs the switch, which stores the quoted
// form per user, so an old entry is brought up to date the first time a
// manager window becomes active.
bool ShellIntegrationPresent(Platform& platform, const std::string& exeFolder);
void SetShellIntegration(Platform& platform, bool on, const std::string& exeFolder);
// The entry is present but still in the old unquoted form: a caller whose box
// is already ticked may run the switch (on) to bring it up to date.
bool ShellIntegrationNeedsRewrite(Platform& platform, const std::string& exeFolder);

// Names and texts of the entries. The verb's keys lie below
// HKEY_CURRENT_USER (written) and HKEY_LOCAL_MACHINE (read, and removed when
// switched off) under the same path.
inline constexpr const char* kContextMenuKey = "Software\\Classes\\AllFilesystemObjects\\Shell\\SetTVXcmd";
inline constexpr const char* kContextMenuCommandKey =
    "Software\\Classes\\AllFilesystemObjects\\Shell\\SetTVXcmd\\Command";
inline constexpr const char* kContextMenuCaption = "Set T&VX Command";
inline constexpr const char* kAppPathsPrefix = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
inline constexpr const char* kPinScript = "PinToTaskbar.vbs";
inline constexpr const char* kUnpinScript = "UnpinFromTaskbar.vbs";
inline constexpr const char* kShortcutFile = "Tavrix.lnk";
// Ctrl+Alt+F11. A function key types no character on any keyboard layout, so
// the Ctrl+Alt that stands for AltGr cannot collide with typing; Windows and
// the common programs leave Ctrl+Alt+F11 free.
inline constexpr std::uint16_t kDefaultHotkey = kHotkeyControl | kHotkeyAlt | 0x7A;

// The command value the switch writes, and the one older copies wrote.
std::string ContextMenuCommand(const std::string& exeFolder);
std::string LegacyContextMenuCommand(const std::string& exeFolder);
// Key path of the App Paths entry for a program name (extension made ".exe").
std::string AppPathKey(const std::string& name);
// Bytes of the pin (pin = true) or unpin script older copies wrote into the
// temporary folder; Uninstall removes only files that hold exactly these.
std::string TaskbarScript(bool pin);

}  // namespace tvx::shell
