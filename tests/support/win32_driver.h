#pragma once
// Helpers for tests that drive real windows. Windows only.
#ifdef _WIN32
#include <functional>
#include <string>

namespace tvx::test {

// Drives modal things from a thread timer, which every modal loop dispatches:
// the action runs every 20 ms until it reports that it is done. One that is
// never done is dropped after about five seconds and the active window is
// closed, so that a failing test cannot hang.
void WhenShown(std::function<bool()> action);
// Whether the last WhenShown action was dropped that way.
bool GaveUp();

// The folder of the running program, with its trailing backslash: where the
// child programs of the tests live.
std::string ModuleFolder();

}  // namespace tvx::test
#endif
