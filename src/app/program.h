#pragma once
// One start of the program, from the command line to the end of the run.
#include <chrono>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "ui/services.h"

namespace tvx::app {

// How long the end of a run waits for the history file's write at most.
inline constexpr std::chrono::milliseconds kHistoryEndWait{1000};

// Returns the process exit code.
// `version` is asked for only when the About window opens. `endAtOnce`, when
// given, is set when the history file's write was still under way at the end:
// the process must then end without running static destructors, which the
// write may still use (the file is replaced whole or not at all, so ending
// the write is safe).
int RunProgram(Platform& platform, ui::IUiServices& ui, std::function<std::string()> version,
               bool* endAtOnce = nullptr);

// The exit code of a start that an error ended.
inline constexpr int kFailedExitCode = 1;

// Runs one start and gives its exit code. An error that escapes it (out of
// memory while the windows are set up, say) is shown through the general error
// handler, and the start ends with kFailedExitCode.
int RunCatching(ui::IUiServices& ui, const std::function<int()>& run);

}  // namespace tvx::app
