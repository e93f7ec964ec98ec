#pragma once
// One start of the program, from the command line to the end of the run.
#include <string>

#include "platform/platform.h"
#include "ui/services.h"

namespace tvx::app {

// Returns the process exit code.
int RunProgram(Platform& platform, ui::IUiServices& ui, const std::string& version);

}  // namespace tvx::app
