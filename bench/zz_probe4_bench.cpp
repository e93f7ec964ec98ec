// temporary probe
#include <windows.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>
#include "bench.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/wide.h"
namespace tvx::bench {
namespace {
Register probe4("zz_probe4", "combo fill", [] {
  std::vector<std::string> items;
  for (int i = 99999; i >= 0; --i) items.push_back("template" + std::to_string(i));
  win32::Win32Platform platform;
  auto t0 = std::chrono::steady_clock::now();
  size_t n = 0;
  for (auto& s : items) n += platform.Get().system.CollationKeyNoCase(s)->size();
  auto t1 = std::chrono::steady_clock::now();
  std::printf("collation keys: %.1f ms\n", std::chrono::duration<double, std::milli>(t1 - t0).count());
  HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_POPUP, 0, 0, 100, 300, nullptr, nullptr, nullptr, nullptr);
  for (int rep = 0; rep < 2; ++rep) {
  auto t2 = std::chrono::steady_clock::now();
  SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  SendMessageW(combo, CB_INITSTORAGE, items.size(), items.size() * 32);
  for (auto& s : items) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::Widen(s).c_str()));
  auto t3 = std::chrono::steady_clock::now();
  std::printf("combo fill: %.1f ms\n", std::chrono::duration<double, std::milli>(t3 - t2).count());
  }
  DestroyWindow(combo);
});
}
}
