#ifdef _WIN32
#include "support/win32_driver.h"

#include <windows.h>

namespace tvx::test {
namespace {

std::function<bool()> g_action;
int g_ticks = 0;
bool g_gaveUp = false;

void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
  if (!g_action) {
    KillTimer(nullptr, id);
    return;
  }
  if (++g_ticks > 250) {
    g_gaveUp = true;
    g_action = nullptr;
    KillTimer(nullptr, id);
    if (HWND active = GetActiveWindow()) PostMessageA(active, WM_CLOSE, 0, 0);
    return;
  }
  auto action = g_action;
  if (action()) {
    g_action = nullptr;
    KillTimer(nullptr, id);
  }
}

}  // namespace

void WhenShown(std::function<bool()> action) {
  g_action = std::move(action);
  g_ticks = 0;
  g_gaveUp = false;
  SetTimer(nullptr, 0, 20, Tick);
}

bool GaveUp() { return g_gaveUp; }

std::string ModuleFolder() {
  char path[MAX_PATH * 2] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string p = path;
  return p.substr(0, p.find_last_of('\\') + 1);
}

}  // namespace tvx::test
#endif
