// Clicks a button of another program's window by its caption, as a user
// would, wherever the layout has put it: for scripts that drive the program
// (the README's screenshots).
//
// Usage: click_button "Window title" "Button caption"
//        click_button "Window title" --close     closes the window, as its X box does
// Waits up to ten seconds for the window; exits 1 when the window or the
// button is not found. Accelerator marks (&) in the caption are ignored.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Plain(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p)
    if (*p != '&') out += *p;
  return out;
}

struct Search {
  std::string caption;
  HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND child, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  char text[512] = {};
  GetWindowTextA(child, text, sizeof text);
  if (IsWindowVisible(child) && Plain(text) == s->caption) {
    s->found = child;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: click_button \"Window title\" \"Button caption\"\n");
    return 2;
  }
  if (std::string(argv[2]) == "--close") {
    HWND window = nullptr;
    for (int i = 0; i < 100 && !window; ++i) {
      window = FindWindowA(nullptr, argv[1]);
      if (!window) Sleep(100);
    }
    if (!window) {
      std::fprintf(stderr, "click_button: no window \"%s\"\n", argv[1]);
      return 1;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
  }
  Search search{Plain(argv[2])};
  for (int i = 0; i < 100 && !search.found; ++i) {
    HWND window = FindWindowA(nullptr, argv[1]);
    if (window) EnumChildWindows(window, FindChild, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(100);
  }
  if (!search.found) {
    std::fprintf(stderr, "click_button: no button \"%s\" in a window \"%s\"\n", argv[2], argv[1]);
    return 1;
  }
  // Posted, not sent: the click may open a modal window that waits for the user.
  PostMessageA(search.found, BM_CLICK, 0, 0);
  return 0;
}
