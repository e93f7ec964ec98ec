#include "shell/shortcuts.h"

#include <gtest/gtest.h>

#include "support/fake_platform.h"

namespace tvx::shell {
namespace {

using test::FakePlatform;

TEST(MakeShortcut, WritesIntoTheSpecialFolderWithIconFallback) {
  FakePlatform fp;
  fp.files.specialFolders[kCsidlDesktop] = "C:\\Users\\me\\Desktop";

  MakeShortcut(fp, "C:\\Tools\\app.exe", "app", "-x y", "", 7, kCsidlDesktop, "C:\\Tools\\");
  MakeShortcut(fp, "C:\\Tools\\tvx.exe", "Data", "/l data", "C:\\Windows\\system32\\shell32.dll", 3, kCsidlDesktop, "");

  ASSERT_EQ(fp.links.writes.size(), 2u);
  const auto& plain = fp.links.writes[0];
  EXPECT_EQ(plain.path, "C:\\Users\\me\\Desktop\\app.lnk");
  EXPECT_EQ(plain.fields.target, "C:\\Tools\\app.exe");
  EXPECT_EQ(plain.fields.arguments, "-x y");
  // No icon file: the target's first icon, whatever index was asked for.
  EXPECT_EQ(plain.fields.iconFile, "C:\\Tools\\app.exe");
  EXPECT_EQ(plain.fields.iconIndex, 0);
  EXPECT_EQ(plain.fields.workingFolder, "C:\\Tools\\");
  EXPECT_TRUE(plain.setIcon);
  EXPECT_TRUE(plain.remember);

  const auto& relative = fp.links.writes[1];
  EXPECT_EQ(relative.path, "C:\\Users\\me\\Desktop\\Data.lnk");
  EXPECT_EQ(relative.fields.iconFile, "C:\\Windows\\system32\\shell32.dll");
  EXPECT_EQ(relative.fields.iconIndex, 3);
  EXPECT_EQ(relative.fields.workingFolder, "");
}

TEST(MakeShortcut, EmptyNameGivesDotLnk) {
  FakePlatform fp;
  fp.files.specialFolders[kCsidlDesktop] = "D:\\Desk";
  MakeShortcut(fp, "", "", "", "", 0, kCsidlDesktop, "");
  ASSERT_EQ(fp.links.writes.size(), 1u);
  EXPECT_EQ(fp.links.writes[0].path, "D:\\Desk\\.lnk");
}

TEST(MakeShortcut, FailuresRaiseAndWriteNothing) {
  FakePlatform fp;
  // No such folder.
  EXPECT_THROW(MakeShortcut(fp, "C:\\a.exe", "a", "", "", 0, 5, ""), Error);

  // The link object's own failure passes through unchanged.
  fp.files.specialFolders[kCsidlDesktop] = "C:\\Desk";
  fp.links.failWith = "Class not registered";
  try {
    MakeShortcut(fp, "C:\\a.exe", "a", "", "", 0, kCsidlDesktop, "");
    FAIL() << "no error";
  } catch (const ShortcutPathTooLong&) {
    FAIL() << "wrong kind of error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Class not registered");
  }
  EXPECT_TRUE(fp.links.writes.empty());
}

TEST(MakeShortcut, PathLimitIs259Characters) {
  FakePlatform fp;
  const std::string folder = "C:\\Desk";  // 7 characters; "\" and ".lnk" add 5
  fp.files.specialFolders[kCsidlDesktop] = folder;

  const std::string fits(259 - 12, 'n');
  MakeShortcut(fp, "C:\\a.exe", fits, "", "", 0, kCsidlDesktop, "");
  ASSERT_EQ(fp.links.writes.size(), 1u);
  EXPECT_EQ(fp.links.writes[0].path.size(), 259u);

  const std::string tooLong = fits + "n";
  try {
    MakeShortcut(fp, "C:\\a.exe", tooLong, "", "", 0, kCsidlDesktop, "");
    FAIL() << "a 260-character path was accepted";
  } catch (const ShortcutPathTooLong& e) {
    EXPECT_EQ(e.Name(), tooLong);
    EXPECT_EQ(e.Path(), folder + "\\" + tooLong + ".lnk");
    // The message names the shortcut, so the user can tell which one.
    EXPECT_NE(std::string(e.what()).find(tooLong + ".lnk"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("259"), std::string::npos);
  }
  EXPECT_EQ(fp.links.writes.size(), 1u);

  // Characters, not UTF-8 bytes, are counted: 247 Cyrillic letters (494
  // bytes) fit; one letter beyond U+FFFF counts two, as the system counts it.
  std::string cyrillic;
  for (int i = 0; i < 247; ++i) cyrillic += "\xD0\x96";
  MakeShortcut(fp, "C:\\a.exe", cyrillic, "", "", 0, kCsidlDesktop, "");
  EXPECT_EQ(fp.links.writes.size(), 2u);
  EXPECT_THROW(MakeShortcut(fp, "C:\\a.exe", cyrillic.substr(2) + "\xF0\x9F\x98\x80", "", "", 0, kCsidlDesktop, ""),
               ShortcutPathTooLong);
}

TEST(ReadShortcut, OnlyLnkFilesAreRead) {
  FakePlatform fp;
  fp.links.existing["C:\\a\\b.LNK"] = {"C:\\t\\b.exe", "-q"};
  fp.links.existing["C:\\a\\c.Lnk"] = {"C:\\t\\c.exe", ""};

  ShortcutTarget upper = ReadShortcut(fp, "C:\\a\\b.LNK");
  EXPECT_EQ(upper.target, "C:\\t\\b.exe");
  EXPECT_EQ(upper.arguments, "-q");
  EXPECT_EQ(ReadShortcut(fp, "C:\\a\\c.Lnk").target, "C:\\t\\c.exe");
  // Unreadable .lnk: empty texts.
  EXPECT_EQ(ReadShortcut(fp, "C:\\a\\gone.lnk").target, "");
  EXPECT_EQ(fp.links.reads.size(), 3u);

  // Other paths never reach the link object.
  for (const char* other : {"C:\\a\\b.LNK|-x", "C:\\dir.lnk\\file", "C:\\a\\b.lnk.txt", "C:\\a\\lnk", ""}) {
    ShortcutTarget t = ReadShortcut(fp, other);
    EXPECT_EQ(t.target, "") << other;
    EXPECT_EQ(t.arguments, "") << other;
  }
  EXPECT_EQ(fp.links.reads.size(), 3u);
}

}  // namespace
}  // namespace tvx::shell
