// The Set Command dialog as a real window: typed keys reach its handlers and
// Set writes the data file.
#include <objbase.h>

#include <gtest/gtest.h>
#include <string>

#include "platform/win32/win32_platform.h"
#include "shell/TVX_SetCmd.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "support/fake_platform.h"
#include "ui/win32/win32_ui.h"

namespace tvx {
namespace {

std::string WindowText(HWND hwnd) {
  char buffer[512] = {};
  GetWindowTextA(hwnd, buffer, sizeof(buffer));
  return buffer;
}

void TypeInto(HWND edit, const std::string& keys) {
  for (char c : keys) {
    SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    SendMessageA(edit, WM_KEYUP, LOBYTE(VkKeyScanA(c)), 0);
  }
}

TEST(SetCmdWin32, KeysReachTheHandlersAndSetStores) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  {
    win32::Win32Platform platform;
    ui::Win32Ui ui;
    test::TempDir dir;
    Context ctx{platform.Get(), ui, dir.Path()};
    test::WriteFileBytes(ctx.DataFile(), "[Command]\r\nused=C:\\x.exe|-a\r\n");

    TfrmSetCMD dlg(ctx);
    dlg.txtLoc.SetText("C:\\Links\\app.lnk");
    ui::Win32Ui::Window window = ui.Open(dlg);
    ASSERT_NE(window.Handle(), nullptr);
    EXPECT_EQ(WindowText(window.Handle()), "Set TVX Command");
    HWND loc = ui::Win32Ui::HandleOf(dlg.txtLoc);
    HWND cmd = ui::Win32Ui::HandleOf(dlg.txtCmd);
    ASSERT_TRUE(loc && cmd);
    EXPECT_EQ(WindowText(loc), "C:\\Links\\app.lnk");
    EXPECT_TRUE(IsWindowEnabled(ui::Win32Ui::HandleOf(dlg.sBitBtn1)));

    TypeInto(cmd, "us ed");
    EXPECT_EQ(WindowText(cmd), "used");
    EXPECT_EQ(dlg.lblStat.Text(), "Already Used");
    EXPECT_EQ(WindowText(ui::Win32Ui::HandleOf(dlg.lblStat)), "Already Used");
    EXPECT_EQ(dlg.lblStat.Hint(), "Location : C:\\x.exe\n\rParameters : -a");

    SendMessageA(loc, EM_SETSEL, 16, 16);  // caret to the end
    TypeInto(loc, "|x");
    EXPECT_FALSE(IsWindowEnabled(ui::Win32Ui::HandleOf(dlg.sBitBtn1)));

    SendMessageA(cmd, WM_CHAR, VK_RETURN, 0);
    EXPECT_TRUE(dlg.Closed());
    store::ProfileFile file(ctx.DataFile());
    EXPECT_EQ(file.ReadString(store::kCommandSection, "used"), "C:\\Links\\app.lnk|x");
  }
  CoUninitialize();
}

}  // namespace
}  // namespace tvx
