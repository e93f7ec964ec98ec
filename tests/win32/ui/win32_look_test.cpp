// What the real windows show: every part painted in the window's colours.
#include <gtest/gtest.h>

#include "platform/win32/scoped.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/win32/win32_ui.h"

namespace tvx::ui {
namespace {

// The colour on screen at a point of a window's client area.
COLORREF ScreenPixel(HWND hwnd, int x, int y) {
  POINT at{x, y};
  ClientToScreen(hwnd, &at);
  tvx::win32::ScopedWindowDc screen(nullptr);
  return GetPixel(screen.Get(), at.x, at.y);
}

int Dpi(HWND hwnd) {
  int dpi = static_cast<int>(GetDpiForWindow(hwnd));
  return dpi ? dpi : 96;
}

class FramedListForm : public Form {
 public:
  explicit FramedListForm(IUiServices& ui) : Form(ui, "FramedListForm") {
    caption = "Framed List";
    clientWidth = 320;
    clientHeight = 240;
    frame.SetText(" Command List ");
    frame.place = {8, 8, 300, 220};
    list.place = {40, 32, 240, 160};
    list.columns = {{"Name", 100}};
    list.tabOrder = 0;
  }
  GroupBox frame{*this, "frame"};
  ListView list{*this, "list"};
};

// The inside of a frame around a list (the command manager's) is painted in
// the window's background colour, not left to whatever was on screen before.
TEST(Win32Look, TheAreaOfAFrameIsPaintedInTheWindowsBackground) {
  Win32Ui ui;
  FramedListForm form(ui);
  auto window = ui.Open(form);
  HWND hwnd = window.Handle();
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ui.ProcessMessages();
  const int dpi = Dpi(hwnd);
  auto at = [dpi](int v) { return MulDiv(v, dpi, 96); };
  const COLORREF background = GetSysColor(COLOR_BTNFACE);
  // Between the frame's edge and the list: left, right, above, below.
  for (POINT p : {POINT{24, 100}, POINT{294, 100}, POINT{150, 26}, POINT{150, 210}})
    EXPECT_EQ(ScreenPixel(hwnd, at(p.x), at(p.y)), background) << p.x << "," << p.y;
}

}  // namespace
}  // namespace tvx::ui
