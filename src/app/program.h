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

}  // namespace tvx::app
