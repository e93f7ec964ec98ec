// The real launcher window, created through the Win32 backend over the real
// platform and driven with window messages.
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "app/TVX_Main.h"
#include "platform/win32/win32_platform.h"
#include "support/fake_platform.h"
#include "support/win32_driver.h"
#include "ui/win32/win32_ui.h"

namespace tvx::app {
namespace {

using ui::Win32Ui;

// A window titled like the on-screen keyboard, on its own thread, noting
// whether its message loop was told to quit.
class KeyboardStandIn {
 public:
  KeyboardStandIn() {
    thread_ = std::thread([this] {
      threadId_ = GetCurrentThreadId();
      WNDCLASSA wc{};
      wc.lpfnWndProc = DefWindowProcA;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = "OskStandIn";
      RegisterClassA(&wc);
      hwnd_ = CreateWindowA("OskStandIn", kOskTitle, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                            wc.hInstance, nullptr);
      ready_ = true;
      MSG m;
      while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
      quitReceived_ = true;
      DestroyWindow(hwnd_);
    });
    while (!ready_) Sleep(1);
  }
  ~KeyboardStandIn() {
    if (!quitReceived_) PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  bool WaitForQuit(DWORD ms) {
    for (DWORD t = 0; t < ms && !quitReceived_; t += 10) Sleep(10);
    return quitReceived_;
  }
  bool QuitReceived() const { return quitReceived_; }

 private:
  std::thread thread_;
  HWND hwnd_ = nullptr;
  DWORD threadId_ = 0;
  std::atomic<bool> ready_{false};
  std::atomic<bool> quitReceived_{false};
};

class LauncherWin32Test : public ::testing::Test {
 protected:
  test::TempDir dir;
  win32::Win32Platform platform;
  Win32Ui ui;
  Context ctx{platform.Get(), ui, dir.Path()};
  std::string record = dir.File("record.txt");

  void SetUp() override { SetEnvironmentVariableA("TVX_RECORD", record.c_str()); }
  void Store(const std::string& bytes) { test::WriteFileBytes(ctx.DataFile(), bytes); }
  std::string Data() { return test::ReadFileBytes(ctx.DataFile()); }
  static void TypeChars(HWND h, const std::string& text) {
    for (char c : text) SendMessageA(h, WM_CHAR, static_cast<unsigned char>(c), 0);
  }
  bool WaitForRecord(const std::string& needle) {
    for (int i = 0; i < 500; ++i) {
      if (test::ReadFileBytes(record).find(needle) != std::string::npos) return true;
      Sleep(20);
    }
    return false;
  }
};

TEST_F(LauncherWin32Test, TypedNamesLaunchOnEnterAndTheMaskHidesOnlyTheDisplay) {
  Store("[Command]\r\nrec=" + test::ModuleFolder() + "recorder.exe|typed\r\n");
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  auto window = ui.Open(frm);
  HWND edit = Win32Ui::HandleOf(frm.txtCmd);
  ASSERT_NE(edit, nullptr);
  char caption[64] = {};
  GetWindowTextA(Win32Ui::HandleOf(frm), caption, sizeof caption);
  EXPECT_STREQ(caption, "Tavrix");
  EXPECT_EQ(GetFocus(), edit);

  // A click on "*" (the mouse pressed and let go on it) leaves the focus in the command box.
  SendMessageA(Win32Ui::HandleOf(frm.spdAsterix), BM_CLICK, 0, 0);
  EXPECT_TRUE(frm.spdAsterix.Down());
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_NE(Data().find("HideCommand=1"), std::string::npos);

  TypeChars(edit, "rec");
  EXPECT_EQ(frm.txtCmd.Text(), "rec");
  char shown[64] = {};
  GetWindowTextA(edit, shown, sizeof shown);
  EXPECT_STREQ(shown, "rec");  // the control holds the real text; only its display is masked
  SendMessageA(edit, WM_CHAR, VK_RETURN, 0);
  EXPECT_TRUE(ui.Terminated());
  EXPECT_FALSE(IsWindowEnabled(edit));
  EXPECT_TRUE(WaitForRecord("typed"));
}

TEST_F(LauncherWin32Test, ChoosingATemplateFillsTheCommandBox) {
  Store("[Template]\r\nwork=n cp\r\n");
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  auto window = ui.Open(frm);
  HWND combo = Win32Ui::HandleOf(frm.Template);
  ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
  char item[64] = {};
  SendMessageA(combo, CB_GETLBTEXT, SendMessageA(combo, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(item));
  EXPECT_STREQ(item, kTypeManually);
  int work = frm.Template.IndexOf("work");
  SendMessageA(combo, CB_SETCURSEL, work, 0);
  SendMessageA(Win32Ui::HandleOf(frm), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(frm.txtCmd.Text(), "n cp");
  char shown[64] = {};
  GetWindowTextA(Win32Ui::HandleOf(frm.txtCmd), shown, sizeof shown);
  EXPECT_STREQ(shown, "n cp");
  // Choosing the entry already shown replaces what was typed since.
  SetWindowTextA(Win32Ui::HandleOf(frm.txtCmd), "typed over");
  EXPECT_EQ(frm.txtCmd.Text(), "typed over");
  SendMessageA(Win32Ui::HandleOf(frm), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(frm.txtCmd.Text(), "n cp");
}

TEST_F(LauncherWin32Test, KeyboardSwitchTellsTheKeyboardWindowToQuit) {
  KeyboardStandIn keyboard;
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  auto window = ui.Open(frm);
  HWND box = Win32Ui::HandleOf(frm.chkosk);
  SendMessageA(box, BM_CLICK, 0, 0);
  EXPECT_TRUE(frm.chkosk.Checked());
  EXPECT_NE(Data().find("OSK=1"), std::string::npos);
  EXPECT_FALSE(keyboard.QuitReceived());
  SendMessageA(box, BM_CLICK, 0, 0);
  EXPECT_FALSE(frm.chkosk.Checked());
  EXPECT_NE(Data().find("OSK=0"), std::string::npos);
  EXPECT_TRUE(keyboard.WaitForQuit(5000));
}

TEST_F(LauncherWin32Test, EscapeClosesTheWindowAndTellsTheKeyboard) {
  KeyboardStandIn keyboard;
  TfrmTVX frm(ctx, nullptr);
  frm.FormCreate({});
  auto window = ui.Open(frm);
  SendMessageA(Win32Ui::HandleOf(frm.txtCmd), WM_CHAR, VK_ESCAPE, 0);
  EXPECT_TRUE(frm.Closed());
  EXPECT_TRUE(keyboard.WaitForQuit(5000));
}

}  // namespace
}  // namespace tvx::app
