#pragma once
// One start of the program, from the command line to the end of the run.
#include <functional>
#include <string>

#include "platform/platform.h"
#include "ui/services.h"

namespace tvx::app {

// Returns the process exit code.
// `version` is asked for only when the About window opens.
int RunProgram(Platform& platform, ui::IUiServices& ui, std::function<std::string()> version);

// The exit code of a start that an error ended.
inline constexpr int kFailedExitCode = 1;

// Runs one start and gives its exit code. An error that escapes it (out of
// memory while the windows are set up, say) is shown through the general error
// handler, and the start ends with kFailedExitCode.
int RunCatching(ui::IUiServices& ui, const std::function<int()>& run);

}  // namespace tvx::app
