// What the real windows show: every part painted in the window's colours, a
// suggestion drawn where it belongs, text of every script.
#include <windows.h>
// windows.h first: the other system headers need its types.
#include <commctrl.h>

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

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

// The pixels of a window's client area, row by row.
std::vector<COLORREF> ClientPixels(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = r.right;
  info.bmiHeader.biHeight = -r.bottom;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  tvx::win32::ScopedWindowDc dc(hwnd);
  tvx::win32::ScopedGdiObject bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  tvx::win32::ScopedMemoryDc memory(CreateCompatibleDC(dc.Get()));
  if (!bits || !memory) return {};
  {
    tvx::win32::ScopedSelect into(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, r.right, r.bottom, dc.Get(), 0, 0, SRCCOPY);
  }
  GdiFlush();
  const auto* p = static_cast<const COLORREF*>(bits);
  return std::vector<COLORREF>(p, p + static_cast<size_t>(r.right) * static_cast<size_t>(r.bottom));
}

// How many of the columns from..to (of rows of the given width) differ.
int DifferingColumns(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b, int width, int from, int to) {
  int differing = 0;
  for (int x = from; x < to; ++x)
    for (size_t i = static_cast<size_t>(x); i < a.size() && i < b.size(); i += static_cast<size_t>(width))
      if (a[i] != b[i]) {
        ++differing;
        break;
      }
  return differing;
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

class EditForm : public Form {
 public:
  explicit EditForm(IUiServices& ui) : Form(ui, "EditForm") {
    caption = "Edit";
    clientWidth = 320;
    clientHeight = 80;
    box.place = {8, 8, 300, 21};
    box.tabOrder = 0;
    other.place = {8, 40, 300, 21};
    other.tabOrder = 1;
    go.SetText("Go");
    go.isDefault = true;
    go.place = {8, 60, 75, 20};
  }
  Edit box{*this, "box"};
  Edit other{*this, "other"};
  Button go{*this, "go"};
};

void Settle(Win32Ui& ui, HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ui.ProcessMessages();
}

// The suggestion shows dimmed after the text while the caret stands at its
// end, and only then; it never becomes part of the text.
TEST(Win32Look, ASuggestionIsDrawnAfterTheTextOnlyWhileTheCaretIsAtTheEnd) {
  Win32Ui ui;
  EditForm form(ui);
  form.box.SetText("ab");
  auto window = ui.Open(form);
  HWND edit = Win32Ui::HandleOf(form.box);
  SendMessageA(edit, EM_SETSEL, 2, 2);
  HideCaret(edit);
  Settle(ui, edit);
  RECT client{};
  GetClientRect(edit, &client);
  const int width = client.right;
  const std::vector<COLORREF> plain = ClientPixels(edit);
  ASSERT_FALSE(plain.empty());
  ASSERT_TRUE(form.box.CaretAtEnd());

  form.box.SetSuggestion("cdefgh");
  Settle(ui, edit);
  const std::vector<COLORREF> suggested = ClientPixels(edit);
  LRESULT end = SendMessageA(edit, EM_POSFROMCHAR, 1, 0);
  const int textEnd = static_cast<short>(LOWORD(end)) + 8;
  EXPECT_EQ(DifferingColumns(plain, suggested, width, 0, textEnd - 8), 0) << "the text itself is unchanged";
  EXPECT_GT(DifferingColumns(plain, suggested, width, textEnd, width), 10) << "the suggestion shows after it";
  EXPECT_EQ(form.box.Text(), "ab");
  char shown[16] = {};
  GetWindowTextA(edit, shown, sizeof shown);
  EXPECT_STREQ(shown, "ab");

  // The caret at the start: nothing shows, as without a suggestion.
  SendMessageA(edit, EM_SETSEL, 0, 0);
  EXPECT_FALSE(form.box.CaretAtEnd());
  Settle(ui, edit);
  EXPECT_EQ(DifferingColumns(plain, ClientPixels(edit), width, 0, width), 0);
  // Put back at the end from code.
  form.box.MoveCaretToEnd();
  DWORD from = 0, to = 0;
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 2u);
  EXPECT_EQ(to, 2u);
}

// The key-down handler sees Tab, the arrows and Enter before the window or
// the box acts on them, and may swallow them.
TEST(Win32Look, KeyDownComesFirstAndCanSwallowTheKey) {
  Win32Ui ui;
  EditForm form(ui);
  form.box.SetText("abc");
  std::vector<int> seen;
  bool swallow = true;
  form.box.OnKeyDown = [&](int& vk, int) {
    seen.push_back(vk);
    if (swallow) vk = 0;
  };
  int clicks = 0;
  form.go.OnClick = [&] { ++clicks; };
  auto window = ui.Open(form);
  HWND edit = Win32Ui::HandleOf(form.box);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 3, 3);
  auto press = [&](int vk) {
    PostMessageA(edit, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
    PostMessageA(edit, WM_KEYUP, static_cast<WPARAM>(vk), 0xC0000001);
    ui.ProcessMessages();
  };
  auto caret = [&] {
    DWORD from = 0, to = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    return static_cast<int>(to);
  };
  press(VK_TAB);
  press(VK_LEFT);
  press(VK_RETURN);
  EXPECT_EQ(seen, (std::vector<int>{kVkTab, kVkLeft, kVkReturn}));
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(caret(), 3);
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(form.box.CaretAtEnd());

  swallow = false;
  press(VK_LEFT);
  EXPECT_EQ(caret(), 2);
  EXPECT_FALSE(form.box.CaretAtEnd());
  press(VK_TAB);
  EXPECT_EQ(GetFocus(), Win32Ui::HandleOf(form.other));
}

class UnicodeForm : public Form {
 public:
  explicit UnicodeForm(IUiServices& ui) : Form(ui, "UnicodeForm") {
    clientWidth = 320;
    clientHeight = 200;
    box.place = {8, 8, 300, 21};
    box.tabOrder = 0;
    label.place = {8, 36, 0, 0};
    pick.place = {8, 60, 200, 21};
    list.place = {8, 90, 300, 100};
    list.columns = {{"Name", 100}, {"Where", 150}};
  }
  Edit box{*this, "box"};
  Label label{*this, "label"};
  ComboBox pick{*this, "pick"};
  ListView list{*this, "list"};
};

std::wstring WideText(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

// Text of any script goes from the model to the controls and back as UTF-8,
// whatever the system's code page holds.
TEST(Win32Look, TextOfEveryScriptReachesTheControlsAndComesBackAsUtf8) {
  const std::string name =
      "\xD0\x9C\xD0\xB0\xD1\x80\xD0\xB8\xD1\x8F \xE5\xA4\xA7\xE9\x98\xAA se\xC3\xB1"
      "al";
  const std::wstring wide =
      L"\x041C\x0430\x0440\x0438\x044F \x5927\x962A se\x00F1"
      L"al";
  Win32Ui ui;
  UnicodeForm form(ui);
  form.caption = name;
  form.box.SetText(name);
  form.label.SetText(name);
  form.pick.SetItems({name});
  form.list.AddRow(name, {name});
  auto window = ui.Open(form);
  HWND edit = Win32Ui::HandleOf(form.box);
  EXPECT_EQ(WideText(window.Handle()), wide);
  EXPECT_EQ(WideText(edit), wide);
  EXPECT_EQ(WideText(Win32Ui::HandleOf(form.label)), wide);
  wchar_t item[64] = {};
  SendMessageW(Win32Ui::HandleOf(form.pick), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
  EXPECT_EQ(std::wstring(item), wide);
  wchar_t cell[64] = {};
  LVITEMW get{};
  get.iSubItem = 1;
  get.pszText = cell;
  get.cchTextMax = 64;
  SendMessageW(Win32Ui::HandleOf(form.list), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&get));
  EXPECT_EQ(std::wstring(cell), wide);

  // Typed, then pasted, into the real box.
  form.box.SetText("");
  SetFocus(edit);
  for (wchar_t c : wide) PostMessageW(edit, WM_CHAR, c, 1);
  ui.ProcessMessages();
  EXPECT_EQ(form.box.Text(), name);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  const std::wstring pasted = L" \x6771\x4EAC";
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
  memcpy(GlobalLock(block), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
  SendMessageW(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(form.box.Text(), name + " \xE6\x9D\xB1\xE4\xBA\xAC");

  // Half a surrogate pair is no character: the model gets U+FFFD for it.
  SetWindowTextW(edit, L"a\xD800");
  EXPECT_EQ(form.box.Text(), "a\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tvx::ui
