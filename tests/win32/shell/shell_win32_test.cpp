// The shell integration against the real registry, file system and shell link
// object. The shell's ShellExecute is replaced by a recorder, which shows that
// nothing is started. Install and Uninstall act on this user's real desktop,
// Quick Launch and Start-menu folders and App Paths entry: run these in a
// test prefix.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>
#include <string>

#include "platform/error.h"
#include "platform/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "shell/integration.h"
#include "shell/shortcuts.h"
#include "support/fake_platform.h"
#include "support/shell_link_reader.h"

namespace tvx::shell {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

using test::LinkDetails;

LinkDetails Inspect(const std::string& linkPath) { return test::ReadShellLink(linkPath); }

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Type and text of a value; type 0 when missing.
std::pair<DWORD, std::string> ValueOf(HKEY root, const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {0, ""};
  char data[1024] = {};
  DWORD size = sizeof(data) - 1, type = 0;
  LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return {0, ""};
  return {type, std::string(data)};
}

DWORD ValueCount(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD values = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  return values;
}

void PutValue(HKEY root, const std::string& path, const std::string& name, const std::string& text, DWORD type) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

class ShellWin32 : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }

  win32::Win32Platform real_;
  test::FakeShell shell_;
  Platform platform_{real_.Get().registry, shell_, real_.Get().environment, real_.Get().files, real_.Get().links,
                     real_.Get().system};
};

// Written below HKEY_CURRENT_USER\Software\Classes; an entry an elevated copy
// left below HKEY_LOCAL_MACHINE\Software\Classes is read there (Wine merges
// neither into HKEY_CLASSES_ROOT for us) and removed with the user's.
TEST_F(ShellWin32, ContextMenuEntryInTheRegistry) {
  const std::string exe = "C:\\Tavrix Test Folder\\";
  const std::string menu = kContextMenuKey, command = kContextMenuCommandKey;
  SetShellIntegration(platform_, false, exe);
  ASSERT_FALSE(ShellIntegrationPresent(platform_, exe));

  SetShellIntegration(platform_, true, exe);
  EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, menu, ""), std::make_pair(DWORD{REG_SZ}, std::string("Set T&VX Command")));
  EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, menu, "Icon"),
            std::make_pair(DWORD{REG_SZ}, std::string("C:\\Tavrix Test Folder\\TVX.exe")));
  EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, command, ""),
            std::make_pair(DWORD{REG_SZ}, std::string("\"C:\\Tavrix Test Folder\\TVX.exe\" /setcmd \"%1\"")));
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, menu), 2u);
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, command), 1u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, menu));
  EXPECT_TRUE(ShellIntegrationPresent(platform_, exe));
  EXPECT_FALSE(ShellIntegrationPresent(platform_, "C:\\Elsewhere\\"));

  // The unquoted form older copies wrote counts as present and is rewritten.
  PutValue(HKEY_CURRENT_USER, command, "", "C:\\Tavrix Test Folder\\TVX.exe /setcmd \"%1\"", REG_SZ);
  EXPECT_TRUE(ShellIntegrationNeedsRewrite(platform_, exe));
  SetShellIntegration(platform_, true, exe);
  EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, command, "").second, ContextMenuCommand(exe));

  // An expandable string is not ours.
  PutValue(HKEY_CURRENT_USER, command, "", ContextMenuCommand(exe), REG_EXPAND_SZ);
  EXPECT_FALSE(ShellIntegrationPresent(platform_, exe));

  // Switching off removes the entry with whatever lies below it.
  PutValue(HKEY_CURRENT_USER, menu + "\\Extra\\Deeper", "x", "y", REG_SZ);
  SetShellIntegration(platform_, false, exe);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, menu));
  EXPECT_FALSE(ShellIntegrationPresent(platform_, exe));

  // A machine-wide entry in the old form: present, and rewritten per user.
  PutValue(HKEY_LOCAL_MACHINE, command, "", "C:\\Tavrix Test Folder\\TVX.exe /setcmd \"%1\"", REG_SZ);
  EXPECT_TRUE(ShellIntegrationPresent(platform_, exe));
  EXPECT_TRUE(ShellIntegrationNeedsRewrite(platform_, exe));
  SetShellIntegration(platform_, true, exe);
  EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, command, "").second, ContextMenuCommand(exe));
  EXPECT_FALSE(ShellIntegrationNeedsRewrite(platform_, exe));
  SetShellIntegration(platform_, false, exe);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, menu));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, menu));
  EXPECT_NO_THROW(SetShellIntegration(platform_, false, exe));
}

TEST_F(ShellWin32, AppPathsEntry) {
  const std::string key = AppPathKey("tavrix-selftest.exe");
  DeleteAppPath(platform_, "tavrix-selftest.exe", "");

  EXPECT_TRUE(WriteAppPath(platform_, "tavrix-selftest.com", "C:\\Tools\\TVX.exe"));
  EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, key, ""), std::make_pair(DWORD{REG_SZ}, std::string("C:\\Tools\\TVX.exe")));
  EXPECT_TRUE(WriteAppPath(platform_, "tavrix-selftest", "D:\\New\\TVX.exe"));
  EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, key, "").second, "D:\\New\\TVX.exe");
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, key), 1u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));

  // Deleted with its subkeys, and with the machine-wide entry for this program.
  PutValue(HKEY_CURRENT_USER, key + "\\Sub\\Deeper", "v", "w", REG_SZ);
  PutValue(HKEY_LOCAL_MACHINE, key, "", "D:\\New\\TVX.exe", REG_SZ);
  EXPECT_TRUE(DeleteAppPath(platform_, "tavrix-selftest.exe", "D:\\New\\TVX.exe"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
  EXPECT_FALSE(DeleteAppPath(platform_, "tavrix-selftest.exe", "D:\\New\\TVX.exe"));
}

TEST_F(ShellWin32, SpecialFoldersBeyondTheProgramsOwnComeFromTheShellsTable) {
  auto fonts = platform_.files.SpecialFolder(CSIDL_FONTS);
  ASSERT_TRUE(fonts.has_value());
  EXPECT_TRUE(text::EqualsNoCase(fonts->substr(fonts->size() - 6), "\\Fonts")) << *fonts;
  EXPECT_EQ(platform_.files.SpecialFolder(0x7F), std::nullopt);  // no such id
}

TEST_F(ShellWin32, ShortcutRoundTrip) {
  TempDir dir;
  const std::string target = dir.File("app.exe");
  WriteFileBytes(target, "MZ");
  const std::string name = "Tavrix selftest shortcut";
  auto desktop = platform_.files.SpecialFolder(kCsidlDesktop);
  ASSERT_TRUE(desktop.has_value());
  const std::string link = *desktop + "\\" + name + ".lnk";

  MakeShortcut(platform_, target, name, "/l notes \"two words\"", "", 5, kCsidlDesktop, dir.Path());
  ShortcutTarget back = ReadShortcut(platform_, link);
  EXPECT_TRUE(text::EqualsNoCase(back.target, target)) << back.target;
  EXPECT_EQ(back.arguments, "/l notes \"two words\"");
  LinkDetails details = Inspect(link);
  EXPECT_TRUE(text::EqualsNoCase(details.workingFolder, dir.Path())) << details.workingFolder;
  EXPECT_TRUE(text::EqualsNoCase(details.iconFile, target)) << details.iconFile;
  EXPECT_EQ(details.iconIndex, 0);

  // Read with the extension in capitals; other extensions are not read.
  std::string upper = link.substr(0, link.size() - 4) + ".LNK";
  EXPECT_TRUE(text::EqualsNoCase(ReadShortcut(platform_, upper).target, target));
  EXPECT_EQ(ReadShortcut(platform_, target).target, "");

  MakeShortcut(platform_, target, name, "", "C:\\windows\\system32\\shell32.dll", 3, kCsidlDesktop, "");
  details = Inspect(link);
  EXPECT_TRUE(text::EqualsNoCase(details.iconFile, "C:\\windows\\system32\\shell32.dll")) << details.iconFile;
  EXPECT_EQ(details.iconIndex, 3);
  EXPECT_EQ(ReadShortcut(platform_, link).arguments, "");

  EXPECT_THROW(MakeShortcut(platform_, target, std::string(300, 'x'), "", "", 0, kCsidlDesktop, ""),
               ShortcutPathTooLong);
  DeleteFileA(link.c_str());
}

// The text of a value read through the wide call, as UTF-16.
std::wstring WideValue(HKEY root, const std::wstring& path, const wchar_t* name) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"?";
  return data;
}

TEST_F(ShellWin32, ShortcutsExplorerEntryAndAppPathsCarryNamesOutsideTheCodePage) {
  // "Проекты 大阪 café" below the temporary folder, holding the program.
  const std::string folder = platform_.files.TempFolder() +
                             "tvx \xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82\xD1\x8B "
                             "\xE5\xA4\xA7\xE9\x98\xAA caf\xC3\xA9\\";
  ASSERT_TRUE(CreateDirectoryW(win32::Widen(folder).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  const std::string target = folder + "TVX.exe";
  std::string reason;
  ASSERT_TRUE(platform_.files.WriteNewFile(target, "MZ", reason)) << reason;

  const std::string name = "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82";  // "Проект"
  const std::string arguments =
      "se\xC3\xB1"
      "al \xD0\x96";
  MakeShortcut(platform_, target, name, arguments, "", 0, kCsidlDesktop, folder);
  const std::string link = *platform_.files.SpecialFolder(kCsidlDesktop) + "\\" + name + ".lnk";
  ShortcutTarget back = ReadShortcut(platform_, link);
  EXPECT_EQ(back.target, target);
  EXPECT_EQ(back.arguments, arguments);
  EXPECT_TRUE(platform_.files.RemoveFile(link));

  SetShellIntegration(platform_, true, folder);
  EXPECT_EQ(WideValue(HKEY_CURRENT_USER, win32::Widen(kContextMenuCommandKey), L""),
            win32::Widen(ContextMenuCommand(folder)));
  EXPECT_TRUE(ShellIntegrationPresent(platform_, folder));
  SetShellIntegration(platform_, false, folder);

  ASSERT_TRUE(WriteAppPath(platform_, "tavrix-selftest", target));
  EXPECT_EQ(WideValue(HKEY_CURRENT_USER, win32::Widen(AppPathKey("tavrix-selftest")), L""), win32::Widen(target));
  EXPECT_TRUE(DeleteAppPath(platform_, "tavrix-selftest", target));

  EXPECT_TRUE(platform_.files.RemoveFile(target));
  RemoveDirectoryW(win32::Widen(folder).c_str());
}

TEST_F(ShellWin32, InstallThenUninstall) {
  TempDir dir;
  const std::string program = dir.File("TVX.exe");
  WriteFileBytes(program, "MZ");

  auto appData = platform_.files.SpecialFolder(kCsidlAppData);
  auto desktop = platform_.files.SpecialFolder(kCsidlDesktop);
  auto programs = platform_.files.SpecialFolderCreate(kCsidlPrograms);
  ASSERT_TRUE(appData && desktop && programs);
  const std::string quickLaunch = *appData + "\\Microsoft\\Internet Explorer\\Quick Launch";
  const std::string explorerFolder = *appData + "\\Microsoft\\Internet Explorer";
  const bool madeExplorerFolder = !platform_.files.DirectoryExists(explorerFolder);
  const bool madeQuickLaunch = !platform_.files.DirectoryExists(quickLaunch);
  if (madeQuickLaunch) SHCreateDirectoryExA(nullptr, quickLaunch.c_str(), nullptr);
  const std::string startMenu = *programs + "\\Tavrix.lnk";
  DeleteFileA(startMenu.c_str());
  // What older copies left in the temporary folder: their own pin script,
  // and an unpin script the user has changed.
  const std::string temp = platform_.files.TempFolder();
  WriteFileBytes(temp + kPinScript, TaskbarScript(true));
  WriteFileBytes(temp + kUnpinScript, "' changed\r\n");

  EXPECT_EQ(Install(platform_, dir.Path()), kDefaultHotkey);
  for (const std::string& link : {quickLaunch + "\\Tavrix.lnk", *desktop + "\\Tavrix.lnk", startMenu}) {
    LinkDetails details = Inspect(link);
    EXPECT_TRUE(text::EqualsNoCase(details.target, program)) << link << ": " << details.target;
    EXPECT_EQ(details.arguments, "") << link;
    EXPECT_TRUE(text::EqualsNoCase(details.workingFolder, dir.Path())) << link;
    EXPECT_EQ(details.hotkey, link == startMenu ? (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | VK_F11 : 0) << link;
  }
  const std::string appKey = AppPathKey("tvx.exe");
  EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, appKey, ""), std::make_pair(DWORD{REG_SZ}, program));
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, appKey), 1u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, appKey));

  // The key the user gave the Start-menu entry survives the next Install.
  ShortcutFields mine;
  mine.target = program;
  mine.hotkey = (HOTKEYF_CONTROL | HOTKEYF_SHIFT) << 8 | 'T';
  platform_.links.Write(startMenu, mine, false, false);
  EXPECT_EQ(Install(platform_, dir.Path()), mine.hotkey);
  EXPECT_EQ(Inspect(startMenu).hotkey, mine.hotkey);
  EXPECT_TRUE(text::EqualsNoCase(Inspect(startMenu).workingFolder, dir.Path()));

  PutValue(HKEY_LOCAL_MACHINE, appKey, "", program, REG_SZ);  // as an elevated copy wrote it
  Uninstall(platform_, dir.Path());
  EXPECT_FALSE(test::PathExists(quickLaunch + "\\Tavrix.lnk"));
  EXPECT_FALSE(test::PathExists(*desktop + "\\Tavrix.lnk"));
  EXPECT_FALSE(test::PathExists(startMenu));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, appKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, appKey));
  EXPECT_FALSE(test::PathExists(temp + kPinScript));
  EXPECT_EQ(ReadFileBytes(temp + kUnpinScript), "' changed\r\n");
  EXPECT_TRUE(shell_.calls.empty());  // nothing started, no script host

  DeleteFileA((temp + kUnpinScript).c_str());
  if (madeQuickLaunch) RemoveDirectoryA(quickLaunch.c_str());
  if (madeExplorerFolder) RemoveDirectoryA(explorerFolder.c_str());
}

}  // namespace
}  // namespace tvx::shell
