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
bool ShellIntegrationPresent(Platform& platform, const std::string& exeFolder);
void SetShellIntegration(Platform& platform, bool on, const std::string& exeFolder);

}  // namespace tvx::shell
