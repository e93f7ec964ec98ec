// A second yardstick for start-up time: one window holding the launcher
// window's eighteen standard controls (same classes and styles, visual styles
// on through the same manifest), made the plainest way. What it costs over the
// one-window program is what such a window costs on the system at hand,
// before any of the launcher's own work.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "ControlsWindow";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(WS_EX_CONTROLPARENT | WS_EX_APPWINDOW, "ControlsWindow", "Controls",
                              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_POPUP, CW_USEDEFAULT,
                              CW_USEDEFAULT, 375, 211, nullptr, nullptr, instance, nullptr);
  struct Child {
    const char* cls;
    DWORD style;
    const char* text;
    int x, y, w, h;
  };
  const Child children[] = {
      {"EDIT", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, "", 16, 72, 272, 19},
      {"BUTTON", BS_OWNERDRAW | WS_TABSTOP, "Launch", 16, 130, 145, 33},
      {"BUTTON", BS_OWNERDRAW | WS_TABSTOP, "Cancel", 168, 130, 145, 33},
      {"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, "", 16, 24, 145, 221},
      {"BUTTON", BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, "&S", 164, 24, 25, 21},
      {"BUTTON", BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, "Command Manager", 240, 16, 73, 49},
      {"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, "OSK", 240, 96, 49, 17},
      {"STATIC", SS_LEFT | SS_NOTIFY, "Command &Template :", 16, 8, 140, 13},
      {"STATIC", SS_LEFT | SS_NOTIFY, "Type your &Command here :", 16, 56, 160, 13},
      {"BUTTON", BS_AUTOCHECKBOX | BS_PUSHLIKE, "*", 288, 72, 23, 19},
      {"STATIC", SS_LEFT | SS_NOTIFY, "You may type more than one command.", 16, 96, 200, 13},
      {"STATIC", SS_ICON | SS_NOTIFY | SS_CENTERIMAGE, "", 337, 6, 16, 16},
      {"STATIC", SS_ICON | SS_NOTIFY | SS_CENTERIMAGE, "", 337, 25, 16, 16},
      {"STATIC", SS_ICON | SS_NOTIFY | SS_CENTERIMAGE, "", 337, 44, 16, 16},
      {"STATIC", SS_ICON | SS_NOTIFY | SS_CENTERIMAGE, "", 337, 63, 16, 16},
      {"STATIC", SS_ETCHEDHORZ, "", 0, 120, 331, 2},
      {"STATIC", SS_ETCHEDVERT, "", 328, 0, 2, 172},
      {"STATIC", SS_OWNERDRAW, "", 330, 0, 29, 172},
  };
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const Child& c : children) {
    HWND child = CreateWindowExA(0, c.cls, c.text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | c.style, c.x, c.y, c.w,
                                 c.h, hwnd, nullptr, instance, nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(hwnd, &m)) continue;
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  return 0;
}
