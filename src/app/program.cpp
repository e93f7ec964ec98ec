#include "app/program.h"

#include <new>

#include "app/TVX_Main.h"
#include "app/command_line.h"
#include "context/context.h"

namespace tvx::app {

int RunProgram(Platform& platform, ui::IUiServices& ui, std::function<std::string()> version, bool* endAtOnce) {
  std::vector<std::string> args = SplitArguments(platform.system.CommandLine());
  // Only argument-free starts are refused, silently, when an instance runs.
  bool alreadyRunning = platform.system.CreateInstanceMutex("tavrix");
  if (alreadyRunning && args.empty()) return 0;
  platform.system.InitializeCom();

  Context ctx{platform, ui, ExecutableFolder(platform.system.ModulePath())};
  TfrmTVX frmTVX(ctx, std::move(version));
  frmTVX.FormCreate(args);
  if (!ui.Terminated() && !frmTVX.Closed()) ui.Run(frmTVX);
  // The window has gone: a history write that is slow (a large file, a busy
  // disk) must not keep an invisible process, which would also refuse the
  // next start.
  bool finished = frmTVX.FinishWrites(kHistoryEndWait);
  if (endAtOnce) *endAtOnce = !finished;
  return 0;
}

int RunCatching(ui::IUiServices& ui, const std::function<int()>& run) {
  std::string message;
  try {
    return run();
  } catch (const std::bad_alloc&) {
    message = "Not enough memory";
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "Unexpected error";
  }
  // Shown outside the handler: showing may itself need memory.
  try {
    ui.ShowError(message);
  } catch (...) {
  }
  return kFailedExitCode;
}

}  // namespace tvx::app
