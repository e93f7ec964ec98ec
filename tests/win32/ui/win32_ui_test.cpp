// The Win32 backend with real windows: events reach the models, model changes
// reach the controls, and the modal loops end and reactivate as they must.
#include "ui/win32/win32_ui.h"

#include <commctrl.h>
#include <shlobj.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"
#include "support/fake_platform.h"
#include "support/win32_driver.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace tvx::ui {
namespace {

using test::GaveUp;
using test::WhenShown;

// Under Wine with no window manager on the display, hiding a captioned window
// waits two seconds for a manager that never answers. Wine skips that wait for
// windows it does not hand to a manager, a per-program setting read when the
// program starts: set it for this program and start again.
struct UnmanagedUnderWine {
  UnmanagedUnderWine() {
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) return;
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string name = exe;
    name = name.substr(name.find_last_of("\\/") + 1);
    std::string key = "Software\\Wine\\AppDefaults\\" + name + "\\X11 Driver";
    char value[8] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "Managed", RRF_RT_REG_SZ, nullptr, value, &size) ==
            ERROR_SUCCESS &&
        value[0] == 'N')
      return;
    if (RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "Managed", REG_SZ, "N", 2) != ERROR_SUCCESS) return;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = GetCommandLineA();
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
      return;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    ExitProcess(code);
  }
} unmanagedUnderWine;

// The program's own dialog boxes (message and input boxes) by caption.
HWND FindBox(const char* caption) { return FindWindowA("#32770", caption); }

bool AnswerBox(const char* caption, int button) {
  HWND box = FindBox(caption);
  if (!box || !IsWindowVisible(box)) return false;
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  return true;
}

int WindowDpiForTest(HWND hwnd) {
  int dpi = static_cast<int>(GetDpiForWindow(hwnd));
  return dpi ? dpi : 96;
}

// Pixels per 96-DPI unit of a place, in thousandths, across and down: the
// DPI's scale, or the window font's base units over those of 8-point
// "MS Sans Serif" (6 x 13) where the font is wider or taller than that
// font at this DPI in whole pixels.
struct PlaceScale {
  int x, y;
  int X(int v) const { return MulDiv(v, x, 1000); }
  int Y(int v) const { return MulDiv(v, y, 1000); }
};
PlaceScale PlaceScaleOf(HWND control, int dpi) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE letters{};
  GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  int baseX = (letters.cx / 26 + 1) / 2, byDpi = MulDiv(1000, dpi, 96);
  return {baseX > (6 * dpi + 95) / 96 ? MulDiv(baseX, 1000, 6) : byDpi,
          tm.tmHeight > (13 * dpi + 95) / 96 ? MulDiv(tm.tmHeight, 1000, 13) : byDpi};
}

std::string Text(HWND hwnd) {
  char buffer[512] = {};
  GetWindowTextA(hwnd, buffer, sizeof buffer);
  return buffer;
}

void SendChar(HWND hwnd, char c) { SendMessageA(hwnd, WM_CHAR, static_cast<unsigned char>(c), 1); }

// Posts a key as the keyboard would and lets the loop's dialog handling see it.
void PressVirtualKey(Win32Ui& ui, HWND hwnd, int vk) {
  PostMessageA(hwnd, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
  PostMessageA(hwnd, WM_KEYUP, static_cast<WPARAM>(vk), 0xC0000001);
  ui.ProcessMessages();
}

class TestForm : public Form {
 public:
  explicit TestForm(IUiServices& ui) : Form(ui, "TestForm") {
    caption = "Test Form";
    clientWidth = 400;
    clientHeight = 300;
    lblName.SetText("&Name :");
    lblName.place = {8, 8, 0, 0};
    lblName.focusControl = &txtName;
    txtName.place = {8, 24, 200, 21};
    txtName.tabOrder = 0;
    txtPass.place = {8, 50, 200, 21};
    txtPass.tabOrder = 1;
    btnGo.SetText("&Go");
    btnGo.place = {220, 24, 75, 25};
    btnGo.tabOrder = 2;
    chkOpt.SetText("Option");
    chkOpt.place = {220, 56, 100, 17};
    chkOpt.tabOrder = 3;
    cmbPick.sorted = true;
    cmbPick.place = {8, 80, 150, 21};
    cmbPick.tabOrder = 4;
    spdK.SetText("K");
    spdK.place = {170, 80, 23, 21};
    lvRows.place = {8, 110, 380, 150};
    lvRows.columns = {{"Name", 100}, {"Value", 200}};
    lvRows.tabOrder = 5;
    imgInfo.place = {370, 6, 16, 16};
    imgInfo.SetHint("About");
    imgInfo.handCursor = true;
    bevLine.place = {0, 270, 400, 0};
  }
  Label lblName{*this, "lblName"};
  Edit txtName{*this, "txtName"};
  Edit txtPass{*this, "txtPass"};
  Button btnGo{*this, "btnGo"};
  CheckBox chkOpt{*this, "chkOpt"};
  ComboBox cmbPick{*this, "cmbPick"};
  SpeedButton spdK{*this, "spdK"};
  ListView lvRows{*this, "lvRows"};
  Image imgInfo{*this, "imgInfo"};
  Bevel bevLine{*this, "bevLine"};
};

class Win32UiTest : public ::testing::Test {
 protected:
  Win32Ui ui;
  TestForm form{ui};
};

TEST_F(Win32UiTest, TypedCharactersReachKeyPressAndTheModelText) {
  std::string seen;
  form.txtName.OnKeyPress = [&](char& key) {
    seen += key;
    if (key == 'x') key = 0;    // swallowed
    if (key == 'a') key = 'A';  // replaced
    if (key == kCharEnter || key == kCharEscape) key = 0;
  };
  int changes = 0;
  form.txtName.OnChange = [&] { ++changes; };
  auto window = ui.Open(form);
  HWND edit = Win32Ui::HandleOf(form.txtName);
  ASSERT_NE(edit, nullptr);
  for (char c : std::string("abxc")) SendChar(edit, c);
  SendChar(edit, kCharEnter);
  SendChar(edit, kCharEscape);
  EXPECT_EQ(seen, std::string("abxc\r\x1b"));
  EXPECT_EQ(form.txtName.Text(), "Abc");
  EXPECT_EQ(Text(edit), "Abc");
  EXPECT_EQ(changes, 3);
  EXPECT_FALSE(form.Closed());
}

TEST_F(Win32UiTest, EnterAndEscapeFromTheKeyboardReachTheFocusedControl) {
  std::string seen;
  form.txtName.OnKeyPress = [&](char& key) {
    if (key == kCharEnter || key == kCharEscape) seen += key;
  };
  form.btnGo.OnKeyPress = [&](char& key) {
    if (key == kCharEscape) form.Close();
  };
  auto window = ui.Open(form);
  HWND edit = Win32Ui::HandleOf(form.txtName);
  SetFocus(edit);
  PressVirtualKey(ui, edit, VK_RETURN);
  PressVirtualKey(ui, edit, VK_ESCAPE);
  EXPECT_EQ(seen, "\r\x1b");
  EXPECT_FALSE(form.Closed());
  HWND button = Win32Ui::HandleOf(form.btnGo);
  SetFocus(button);
  PressVirtualKey(ui, button, VK_ESCAPE);
  EXPECT_TRUE(form.Closed());
}

TEST_F(Win32UiTest, EscapeClosesADialogWhenNoHandlerTakesIt) {
  form.escapeCloses = true;
  int closes = 0;
  form.OnClose = [&] { ++closes; };
  auto window = ui.Open(form);
  HWND box = Win32Ui::HandleOf(form.chkOpt);
  SetFocus(box);
  PressVirtualKey(ui, box, VK_ESCAPE);
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(closes, 1);
}

TEST_F(Win32UiTest, TabFollowsTheTabOrderAndAcceleratorsFocusAndClick) {
  int clicks = 0;
  form.btnGo.OnClick = [&] { ++clicks; };
  form.txtPass.SetEnabled(false);
  auto window = ui.Open(form);
  EXPECT_EQ(GetFocus(), Win32Ui::HandleOf(form.txtName));
  EXPECT_EQ(form.ActiveControl(), &form.txtName);
  PressVirtualKey(ui, GetFocus(), VK_TAB);  // the disabled edit is skipped
  EXPECT_EQ(GetFocus(), Win32Ui::HandleOf(form.btnGo));
  EXPECT_EQ(form.ActiveControl(), &form.btnGo);
  PressVirtualKey(ui, GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), Win32Ui::HandleOf(form.chkOpt));

  PostMessageA(GetFocus(), WM_SYSCHAR, 'n', 1 << 29);
  ui.ProcessMessages();
  EXPECT_EQ(GetFocus(), Win32Ui::HandleOf(form.txtName));
  PostMessageA(GetFocus(), WM_SYSCHAR, 'G', 1 << 29);
  ui.ProcessMessages();
  EXPECT_EQ(clicks, 1);

  // Where the focused control takes no characters (a button), the letter
  // alone works as with Alt; in an edit it is just typed.
  EXPECT_EQ(GetFocus(), Win32Ui::HandleOf(form.btnGo));
  PostMessageA(GetFocus(), WM_CHAR, 'n', 1);
  ui.ProcessMessages();
  EXPECT_EQ(GetFocus(), Win32Ui::HandleOf(form.txtName));
  PostMessageA(GetFocus(), WM_CHAR, 'g', 1);
  ui.ProcessMessages();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(GetFocus(), Win32Ui::HandleOf(form.txtName));
}

TEST_F(Win32UiTest, ClicksRaiseEventsWithTheNewStateAlreadyInTheModel) {
  int clicks = 0;
  form.btnGo.OnClick = [&] { ++clicks; };
  std::vector<bool> checkedAtClick, downAtClick;
  form.chkOpt.OnClick = [&] { checkedAtClick.push_back(form.chkOpt.Checked()); };
  form.spdK.OnClick = [&] { downAtClick.push_back(form.spdK.Down()); };
  auto window = ui.Open(form);
  SendMessageA(Win32Ui::HandleOf(form.btnGo), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  SendMessageA(Win32Ui::HandleOf(form.chkOpt), BM_CLICK, 0, 0);
  SendMessageA(Win32Ui::HandleOf(form.chkOpt), BM_CLICK, 0, 0);
  EXPECT_EQ(checkedAtClick, (std::vector<bool>{true, false}));
  SendMessageA(Win32Ui::HandleOf(form.spdK), BM_CLICK, 0, 0);
  EXPECT_EQ(downAtClick, (std::vector<bool>{true}));
  EXPECT_TRUE(form.spdK.Down());

  // From code: shown, but no click.
  form.chkOpt.SetChecked(true);
  form.spdK.SetDown(false);
  EXPECT_EQ(SendMessageA(Win32Ui::HandleOf(form.chkOpt), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(Win32Ui::HandleOf(form.spdK), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(checkedAtClick.size(), 2u);

  form.btnGo.SetEnabled(false);
  SendMessageA(Win32Ui::HandleOf(form.btnGo), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Win32UiTest, ComboSelectionByTheUserRaisesChangeButNotFromCode) {
  form.cmbPick.SetItems({"beta", "Alpha", "gamma"});
  int changes = 0;
  std::string chosen;
  form.cmbPick.OnChange = [&] {
    ++changes;
    chosen = form.cmbPick.SelectedText();
  };
  auto window = ui.Open(form);
  HWND combo = Win32Ui::HandleOf(form.cmbPick);
  ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
  char item[32] = {};
  SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
  EXPECT_STREQ(item, "Alpha");

  form.cmbPick.SetItemIndex(2);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(changes, 0);

  SendMessageA(combo, CB_SETCURSEL, 1, 0);
  SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(chosen, "beta");
  EXPECT_EQ(form.cmbPick.ItemIndex(), 1);

  // An item added before the selection keeps the same entry selected.
  form.cmbPick.AddItem("aardvark");
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(form.cmbPick.SelectedText(), "beta");
}

// A long list reaches the control when the box gets the focus; until then
// its face shows the chosen item, and a choice from code keeps showing.
TEST_F(Win32UiTest, ALongComboListIsFilledWhenTheBoxIsFirstUsed) {
  std::vector<std::string> items;
  for (int i = 0; i < 3000; ++i) items.push_back("item" + std::to_string(10000 + i));
  form.cmbPick.SetItems(items);
  form.cmbPick.SetItemIndex(7);
  auto window = ui.Open(form);
  HWND combo = Win32Ui::HandleOf(form.cmbPick);
  EXPECT_EQ(Text(combo), "item10007");
  form.cmbPick.SetItemIndex(9);
  EXPECT_EQ(Text(combo), "item10009");
  SetFocus(combo);
  ui.ProcessMessages();
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3000);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 9);
  SendMessageA(combo, WM_KEYDOWN, VK_DOWN, 0);
  ui.ProcessMessages();
  EXPECT_EQ(form.cmbPick.SelectedText(), "item10010");
}

TEST_F(Win32UiTest, ModelChangesShowOnTheControls) {
  auto window = ui.Open(form);
  HWND edit = Win32Ui::HandleOf(form.txtPass);
  form.txtPass.SetText("secret");
  EXPECT_EQ(Text(edit), "secret");
  form.txtPass.SetPasswordChar('*');
  EXPECT_EQ(SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(Text(edit), "secret");  // the mask changes only the display
  EXPECT_EQ(form.txtPass.Text(), "secret");
  form.txtPass.SetPasswordChar(0);
  EXPECT_EQ(SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0), 0);
  form.txtPass.SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(edit));
  form.txtPass.SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(edit));
  form.lblName.SetText("Other");
  EXPECT_EQ(Text(Win32Ui::HandleOf(form.lblName)), "Other");
  form.SetCaption("Renamed");
  EXPECT_EQ(Text(Win32Ui::HandleOf(form)), "Renamed");
}

std::string TipOf(HWND form, HWND control) {
  struct Search {
    HWND owner, tip = nullptr;
  } search{form};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        char cls[64] = {};
        GetClassNameA(hwnd, cls, sizeof cls);
        if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0 && GetWindow(hwnd, GW_OWNER) == s->owner) s->tip = hwnd;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (!search.tip) return "(no tip window)";
  char text[128] = {};
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = form;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text;
  SendMessageA(search.tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  return text;
}

TEST_F(Win32UiTest, HintsShowAsTipsOnceTheMouseComesOverTheWindow) {
  form.btnGo.SetHint("Go there");
  auto window = ui.Open(form);
  HWND hwnd = Win32Ui::HandleOf(form), image = Win32Ui::HandleOf(form.imgInfo);
  EXPECT_EQ(TipOf(hwnd, image), "(no tip window)");  // not made while the window opens
  SendMessageA(image, WM_SETCURSOR, reinterpret_cast<WPARAM>(image), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  ui.ProcessMessages();
  // Nor at once when the mouse comes over it: the window goes idle first.
  EXPECT_EQ(TipOf(hwnd, image), "(no tip window)");
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (TipOf(hwnd, image) == "(no tip window)" && std::chrono::steady_clock::now() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    ui.ProcessMessages();
  }
  EXPECT_EQ(TipOf(hwnd, image), "About");
  EXPECT_EQ(TipOf(hwnd, Win32Ui::HandleOf(form.btnGo)), "Go there");
  EXPECT_EQ(TipOf(hwnd, Win32Ui::HandleOf(form.txtName)), "");
  form.imgInfo.SetHint("Support Us!");
  EXPECT_EQ(TipOf(hwnd, image), "Support Us!");
  form.txtName.SetHint("Name");
  EXPECT_EQ(TipOf(hwnd, Win32Ui::HandleOf(form.txtName)), "Name");
}

// Controls with a border keep drawing it, pixel for pixel as the same control
// left to the system does; only frame-less controls skip frame painting.
TEST_F(Win32UiTest, ControlsWithABorderStillDrawIt) {
  auto window = ui.Open(form);
  HWND hwnd = Win32Ui::HandleOf(form);
  HWND ours = Win32Ui::HandleOf(form.txtName);
  RECT r{};
  GetWindowRect(ours, &r);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
  HWND plain = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, r.left,
                               r.bottom + 40, r.right - r.left, r.bottom - r.top, hwnd, nullptr, nullptr, nullptr);
  ASSERT_TRUE(plain);
  for (HWND h : {ours, plain}) RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  ui.ProcessMessages();
  auto pixels = [](HWND h) {
    HDC dc = GetWindowDC(h);
    std::vector<COLORREF> seen;
    for (int i = 0; i < 3; ++i) seen.push_back(GetPixel(dc, i, i));
    ReleaseDC(h, dc);
    return seen;
  };
  std::vector<COLORREF> expected = pixels(plain);
  EXPECT_NE(expected[0], CLR_INVALID);
  EXPECT_EQ(pixels(ours), expected);
  DestroyWindow(plain);
}

TEST_F(Win32UiTest, ControlsArePlacedAtTheirScaledPlaces) {
  auto window = ui.Open(form);
  HWND hwnd = Win32Ui::HandleOf(form);
  PlaceScale scale = PlaceScaleOf(Win32Ui::HandleOf(form.txtName), WindowDpiForTest(hwnd));
  RECT client{};
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, scale.X(400));
  EXPECT_EQ(client.bottom, scale.Y(300));
  for (Control* c : {static_cast<Control*>(&form.txtName), static_cast<Control*>(&form.btnGo),
                     static_cast<Control*>(&form.lvRows), static_cast<Control*>(&form.imgInfo)}) {
    RECT r{};
    GetWindowRect(Win32Ui::HandleOf(*c), &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, scale.X(c->place.left)) << c->Name();
    EXPECT_EQ(r.top, scale.Y(c->place.top)) << c->Name();
    EXPECT_EQ(r.right - r.left, scale.X(c->place.width)) << c->Name();
    EXPECT_EQ(r.bottom - r.top, scale.Y(c->place.height)) << c->Name();
  }
}

// Moved to a monitor of another scale, the window takes the rectangle the
// system suggests and every control its place and font at the new scale.
TEST_F(Win32UiTest, AMonitorOfAnotherScaleRescalesPlacesAndFonts) {
  auto window = ui.Open(form);
  HWND hwnd = Win32Ui::HandleOf(form);
  const int newDpi = WindowDpiForTest(hwnd) * 3 / 2;
  RECT suggested{0, 0, MulDiv(form.clientWidth, newDpi, 96), MulDiv(form.clientHeight, newDpi, 96)};
  AdjustWindowRectExForDpi(&suggested, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)), static_cast<UINT>(newDpi));
  OffsetRect(&suggested, 40 - suggested.left, 30 - suggested.top);
  SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi), reinterpret_cast<LPARAM>(&suggested));

  // (The client size is left to the system: a message sent by hand does not
  // change the frame's own scale, so the frame keeps its old thickness.)
  // Where the font needs more room than the scale gives, the window grows by it.
  PlaceScale scale = PlaceScaleOf(Win32Ui::HandleOf(form.txtName), newDpi);
  RECT frame{};
  GetWindowRect(hwnd, &frame);
  EXPECT_EQ(frame.left, suggested.left);
  EXPECT_EQ(frame.right - frame.left,
            suggested.right - suggested.left + scale.X(form.clientWidth) - MulDiv(form.clientWidth, newDpi, 96));
  EXPECT_EQ(frame.bottom - frame.top,
            suggested.bottom - suggested.top + scale.Y(form.clientHeight) - MulDiv(form.clientHeight, newDpi, 96));
  for (Control* c : {static_cast<Control*>(&form.txtName), static_cast<Control*>(&form.btnGo),
                     static_cast<Control*>(&form.lvRows)}) {
    RECT r{};
    GetWindowRect(Win32Ui::HandleOf(*c), &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, scale.X(c->place.left)) << c->Name();
    EXPECT_EQ(r.top, scale.Y(c->place.top)) << c->Name();
    EXPECT_EQ(r.right - r.left, scale.X(c->place.width)) << c->Name();
  }
  // The default 8-point face, now as many pixels as 8 points take at the new scale.
  auto font = reinterpret_cast<HFONT>(SendMessageA(Win32Ui::HandleOf(form.txtName), WM_GETFONT, 0, 0));
  LOGFONTA lf{};
  ASSERT_TRUE(font && GetObjectA(font, sizeof lf, &lf));
  EXPECT_EQ(lf.lfHeight, -MulDiv(8, newDpi, 72));
}

TEST_F(Win32UiTest, ListViewFillsFastAndMirrorsSelectionBothWays) {
  form.lvRows.BeginUpdate();
  for (int i = 0; i < 10000; ++i) form.lvRows.AddRow("row" + std::to_string(i), {"value" + std::to_string(i)});
  form.lvRows.EndUpdate();
  auto start = std::chrono::steady_clock::now();
  auto window = ui.Open(form);
  ui.ProcessMessages();
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 2000);

  HWND list = Win32Ui::HandleOf(form.lvRows);
  ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 10000);
  char cell[64] = {};
  LVITEMA item{};
  item.iSubItem = 1;
  item.pszText = cell;
  item.cchTextMax = sizeof cell;
  SendMessageA(list, LVM_GETITEMTEXTA, 42, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(cell, "value42");

  std::vector<std::pair<int, bool>> events;
  int changes = 0;
  form.lvRows.OnSelectItem = [&](int index, bool selected) { events.emplace_back(index, selected); };
  form.lvRows.OnChange = [&] { ++changes; };
  // The user selects two rows.
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  SendMessageA(list, LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&state));
  SendMessageA(list, LVM_SETITEMSTATE, 7, reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(form.lvRows.SelectedCount(), 2);
  EXPECT_EQ(form.lvRows.SelectedIndex(), 3);
  EXPECT_EQ(events, (std::vector<std::pair<int, bool>>{{3, true}, {7, true}}));
  EXPECT_EQ(changes, 2);
  // The focus alone moving to another row is a change too.
  LVITEMA focus{};
  focus.stateMask = LVIS_FOCUSED;
  focus.state = LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, 5, reinterpret_cast<LPARAM>(&focus));
  EXPECT_GT(changes, 2);
  EXPECT_EQ(form.lvRows.SelectedCount(), 2);

  // From code: the control follows, and the events still run (the list's rule).
  form.lvRows.SetSelected(3, false);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 3, LVIS_SELECTED), 0);
  EXPECT_EQ(events.back(), std::make_pair(3, false));
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);

  // Deleting a row shifts the control's rows and selection with the model.
  form.lvRows.DeleteRow(0);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 9999);
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 6);

  int doubleClicks = 0;
  form.lvRows.OnDblClick = [&] { ++doubleClicks; };
  NMITEMACTIVATE activate{};
  activate.hdr.hwndFrom = list;
  activate.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
  activate.hdr.code = NM_DBLCLK;
  SendMessageA(GetParent(list), WM_NOTIFY, activate.hdr.idFrom, reinterpret_cast<LPARAM>(&activate));
  EXPECT_EQ(doubleClicks, 1);

  std::vector<int> keys;
  form.lvRows.OnKeyUp = [&](int& vk, int) { keys.push_back(vk); };
  SendMessageA(list, WM_KEYUP, VK_DELETE, 0xC0000001);
  EXPECT_EQ(keys, std::vector<int>{kVkDelete});
}

TEST_F(Win32UiTest, ShowModalEndsWhenTheFormClosesFromCode) {
  form.btnGo.OnClick = [&] { form.Close(); };
  int activations = 0;
  form.OnActivate = [&] { ++activations; };
  WhenShown([&] {
    HWND button = Win32Ui::HandleOf(form.btnGo);
    if (!button) return false;
    SendChar(Win32Ui::HandleOf(form.txtName), 'q');
    PostMessageA(button, BM_CLICK, 0, 0);
    return true;
  });
  ui.ShowModal(form);
  EXPECT_FALSE(GaveUp());
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(form.txtName.Text(), "q");
  EXPECT_EQ(activations, 1);
  // The native window is gone and the models are detached.
  EXPECT_EQ(Win32Ui::HandleOf(form), nullptr);
  EXPECT_EQ(Win32Ui::HandleOf(form.txtName), nullptr);
  form.txtName.SetText("after");  // no view to mirror to: must not crash
}

TEST_F(Win32UiTest, TheCloseBoxRunsOnCloseOnceAndEndsTheModalLoop) {
  int closes = 0;
  form.OnClose = [&] { ++closes; };
  WhenShown([&] {
    HWND hwnd = Win32Ui::HandleOf(form);
    if (!hwnd) return false;
    PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  });
  ui.ShowModal(form);
  EXPECT_FALSE(GaveUp());
  EXPECT_EQ(closes, 1);
}

class ChildForm : public Form {
 public:
  explicit ChildForm(IUiServices& ui) : Form(ui, "ChildForm") {
    caption = "Child";
    clientWidth = 200;
    clientHeight = 100;
    position = Position::OwnerCenter;
    btnClose.SetText("Close");
    btnClose.place = {60, 40, 75, 25};
    btnClose.tabOrder = 0;
    btnClose.OnClick = [this] { Close(); };
  }
  Button btnClose{*this, "btnClose"};
};

TEST_F(Win32UiTest, TheFormBelowIsActivatedAgainAfterMessageBoxesAndModalWindows) {
  int activations = 0;
  form.OnActivate = [&] { ++activations; };
  auto window = ui.Open(form);
  ui.ProcessMessages();
  EXPECT_EQ(activations, 1);

  WhenShown([] { return AnswerBox(kAppTitle, IDNO); });
  EXPECT_EQ(ui.ShowMessage("Sure?", MsgKind::Question, MsgButtons::YesNo), MsgResult::No);
  ui.ProcessMessages();
  EXPECT_FALSE(GaveUp());
  EXPECT_EQ(activations, 2);
  EXPECT_TRUE(IsWindowEnabled(Win32Ui::HandleOf(form)));

  bool ownerDisabledMeanwhile = false;
  ChildForm child(ui);
  WhenShown([&] {
    HWND button = Win32Ui::HandleOf(child.btnClose);
    if (!button) return false;
    ownerDisabledMeanwhile = !IsWindowEnabled(Win32Ui::HandleOf(form));
    PostMessageA(button, BM_CLICK, 0, 0);
    return true;
  });
  int activationsWhenChildClosed = -1;
  child.OnClose = [&] { activationsWhenChildClosed = activations; };
  ui.ShowModal(child);
  EXPECT_FALSE(GaveUp());
  EXPECT_TRUE(ownerDisabledMeanwhile);
  EXPECT_EQ(activationsWhenChildClosed, 2);
  EXPECT_EQ(activations, 3);  // before ShowModal returned
  EXPECT_TRUE(IsWindowEnabled(Win32Ui::HandleOf(form)));
  EXPECT_EQ(GetActiveWindow(), Win32Ui::HandleOf(form));

  // Coming back from another program does not count, whatever the system
  // tells of the window left; the next return from a box of ours does.
  SendMessageA(Win32Ui::HandleOf(form), WM_ACTIVATEAPP, FALSE, 0);
  SendMessageA(Win32Ui::HandleOf(form), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(activations, 3);
  WhenShown([] { return AnswerBox(kAppTitle, IDOK); });
  ui.ShowMessage("Done", MsgKind::Information, MsgButtons::Ok);
  ui.ProcessMessages();
  EXPECT_EQ(activations, 4);
}

TEST_F(Win32UiTest, HandlerErrorsAreShownAsErrorBoxes) {
  form.btnGo.OnClick = [] { throw Error("Unable to write to C:\\x\\TVX.dat"); };
  auto window = ui.Open(form);
  std::string shown;
  WhenShown([&] {
    HWND box = FindBox(kAppTitle);
    if (!box || !IsWindowVisible(box)) return false;
    // The message box's text is its static control with id 0xFFFF.
    shown = Text(GetDlgItem(box, 0xFFFF));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  SendMessageA(Win32Ui::HandleOf(form.btnGo), BM_CLICK, 0, 0);
  EXPECT_FALSE(GaveUp());
  EXPECT_EQ(shown, "Unable to write to C:\\x\\TVX.dat.");
}

TEST_F(Win32UiTest, InputBoxReturnsTheTextOnOkAndNothingOnCancel) {
  WhenShown([] {
    HWND box = FindBox("Add New Item");
    if (!box || !IsWindowVisible(box)) return false;
    HWND edit = GetDlgItem(box, 11);
    if (Text(edit) != "start") return true;  // wrong initial text: cancel by giving up below
    SetWindowTextA(edit, "my editor");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  auto answer = ui.InputBox("Add New Item", "Location : \r\nC:\\a.exe\r\n\r\nCommand name :", "start");
  EXPECT_FALSE(GaveUp());
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(*answer, "my editor");

  WhenShown([] { return AnswerBox("Add New Item", IDCANCEL); });
  EXPECT_FALSE(ui.InputBox("Add New Item", "Command name :", "").has_value());
  EXPECT_FALSE(GaveUp());
}

TEST_F(Win32UiTest, TerminateEndsTheMainLoop) {
  form.btnGo.OnClick = [&] { ui.Terminate(); };
  WhenShown([&] {
    HWND button = Win32Ui::HandleOf(form.btnGo);
    if (!button) return false;
    PostMessageA(button, BM_CLICK, 0, 0);
    return true;
  });
  ui.Run(form);
  EXPECT_FALSE(GaveUp());
  EXPECT_TRUE(ui.Terminated());
  EXPECT_EQ(Win32Ui::HandleOf(form), nullptr);
  ui.ShowModal(form);  // nothing is shown once the application ends
  EXPECT_EQ(Win32Ui::HandleOf(form), nullptr);
}

// The system pickers: what they return, and that closing them is not the
// program's own window becoming active again.
TEST_F(Win32UiTest, OpenFileTakesATypedNameAndDoesNotCountAsReactivation) {
  int activations = 0;
  form.OnActivate = [&] { ++activations; };
  auto window = ui.Open(form);
  ui.ProcessMessages();
  ASSERT_EQ(activations, 1);
  WhenShown([] {
    HWND box = GetActiveWindow();
    char title[64] = {};
    GetWindowTextA(box, title, sizeof title);
    if (std::string(title) != "Browse for File") return false;
    SetDlgItemTextA(box, 1148, "nosuch.txt");  // the file name box (combo or edit)
    SetDlgItemTextA(box, 1152, "nosuch.txt");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  auto file = ui.OpenFile({"Browse for File", "All Files (*.*)|*.*", "C:\\windows"}, Win32Ui::HandleOf(form));
  EXPECT_FALSE(GaveUp());
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(text::LowerAscii(*file), "c:\\windows\\nosuch.txt");
  ui.ProcessMessages();
  EXPECT_EQ(activations, 1);

  WhenShown([] {
    HWND box = GetActiveWindow();
    char title[64] = {};
    GetWindowTextA(box, title, sizeof title);
    if (std::string(title) != "Browse for File") return false;
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    return true;
  });
  EXPECT_FALSE(ui.OpenFile({"Browse for File", "All Files (*.*)|*.*", "C:\\"}, nullptr).has_value());
  EXPECT_FALSE(GaveUp());
}

TEST_F(Win32UiTest, BrowseFolderStartsAtTheFolderAndDisablesTheProgramMeanwhile) {
  auto window = ui.Open(form);
  bool formDisabled = false;
  WhenShown([&] {
    HWND box = GetActiveWindow();
    if (!box || box == Win32Ui::HandleOf(form)) return false;
    formDisabled = !IsWindowEnabled(Win32Ui::HandleOf(form));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  auto folder = ui.BrowseFolder("Select a folder", "C:\\windows\\system32", nullptr);
  EXPECT_FALSE(GaveUp());
  EXPECT_TRUE(formDisabled);
  EXPECT_TRUE(IsWindowEnabled(Win32Ui::HandleOf(form)));
  ASSERT_TRUE(folder.has_value());
  EXPECT_EQ(text::LowerAscii(*folder), "c:\\windows\\system32");

  WhenShown([&] {
    HWND box = GetActiveWindow();
    if (!box || box == Win32Ui::HandleOf(form)) return false;
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    return true;
  });
  EXPECT_FALSE(ui.BrowseFolder("Select a folder", "", nullptr).has_value());
  EXPECT_FALSE(GaveUp());
}

TEST_F(Win32UiTest, FramesLieBelowTheControlsTheyHold) {
  Shape strip(form, "strip");
  strip.place = {360, 0, 40, 100};
  auto window = ui.Open(form);
  HWND hwnd = Win32Ui::HandleOf(form);
  PlaceScale scale = PlaceScaleOf(Win32Ui::HandleOf(form.txtName), WindowDpiForTest(hwnd));
  POINT inImage{scale.X(378), scale.Y(14)};
  EXPECT_EQ(ChildWindowFromPointEx(hwnd, inImage, CWP_SKIPINVISIBLE), Win32Ui::HandleOf(form.imgInfo));
  // A label sizes itself to its caption.
  RECT label{};
  GetClientRect(Win32Ui::HandleOf(form.lblName), &label);
  EXPECT_GT(label.right, 10);
  EXPECT_GT(label.bottom, 8);
}

// A drop from the shell: real shell data of two files, offered to the list's
// drop target as a drag source would; the handler runs once the drop is done.
TEST_F(Win32UiTest, FilesDroppedOnTheListReachItsHandlerInOrder) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  {
    test::TempDir dir;
    std::vector<std::string> files = {dir.File("b file.txt"), dir.File("a.lnk")};
    for (const auto& f : files) test::WriteFileBytes(f, "x");
    form.lvRows.acceptsFileDrop = true;
    std::vector<std::vector<std::string>> drops;
    form.lvRows.OnDropFiles = [&](const std::vector<std::string>& paths) { drops.push_back(paths); };
    auto window = ui.Open(form);
    IDropTarget* target = Win32Ui::DropTargetOf(form.lvRows);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(Win32Ui::DropTargetOf(form.txtName), nullptr);

    PIDLIST_ABSOLUTE items[2] = {};
    for (int i = 0; i < 2; ++i) {
      std::wstring wide(files[i].begin(), files[i].end());
      ASSERT_EQ(SHParseDisplayName(wide.c_str(), nullptr, &items[i], 0, nullptr), S_OK);
    }
    PCUITEMID_CHILD children[2] = {ILFindLastID(items[0]), ILFindLastID(items[1])};
    IShellFolder* parent = nullptr;
    ASSERT_EQ(SHBindToParent(items[0], IID_IShellFolder, reinterpret_cast<void**>(&parent), nullptr), S_OK);
    IDataObject* data = nullptr;
    HRESULT made =
        parent->GetUIObjectOf(nullptr, 2, children, IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
    parent->Release();
    ASSERT_EQ(made, S_OK);

    POINTL at{10, 10};
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(target->DragEnter(data, MK_LBUTTON, at, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_MOVE;  // a source that only moves is refused
    target->DragOver(MK_LBUTTON, at, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->Drop(data, 0, at, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_TRUE(drops.empty());  // not while the source waits for the answer
    ui.ProcessMessages();
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0], files);

    data->Release();
    for (auto* item : items) CoTaskMemFree(item);
  }
  OleUninitialize();
}

TEST(Win32UiDrop, PathsComeOutOfTheDropBlockInOrder) {
  const char names[] = "C:\\one.txt\0D:\\Two Words\\b.lnk\0C:\\folder\0";
  HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + sizeof names + 1);
  auto* files = static_cast<DROPFILES*>(GlobalLock(block));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = FALSE;
  std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), names, sizeof names);
  GlobalUnlock(block);
  EXPECT_EQ(Win32Ui::PathsFromDrop(static_cast<HDROP>(block)),
            (std::vector<std::string>{"C:\\one.txt", "D:\\Two Words\\b.lnk", "C:\\folder"}));
  GlobalFree(block);
}

}  // namespace
}  // namespace tvx::ui
