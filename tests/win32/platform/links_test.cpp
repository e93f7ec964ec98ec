// Shortcut files written and read back through the shell's link object.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>
#include <string>

#include "platform/error.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "support/fake_platform.h"
#include "support/shell_link_reader.h"

namespace tvx::win32 {
namespace {

using test::TempDir;
using test::WriteFileBytes;

using test::LinkDetails;

LinkDetails Inspect(const std::string& linkPath) { return test::ReadShellLink(linkPath); }

class LinksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    WriteFileBytes(target_, "MZ");
    ASSERT_TRUE(CreateDirectoryA(dir_.File("Work").c_str(), nullptr));
  }
  void TearDown() override { CoUninitialize(); }

  TempDir dir_;
  std::string target_ = dir_.File("app.exe");
  Win32ShellLinks links_;
};

TEST_F(LinksTest, WriteThenReadRoundTrip) {
  ShortcutFields fields{target_, "/l notes mail", "C:\\windows\\system32\\shell32.dll", 3, dir_.File("Work\\")};
  std::string link = dir_.File("app.lnk");
  links_.Write(link, fields, true, true);

  ShortcutTarget back = links_.Read(link);
  EXPECT_TRUE(text::EqualsNoCase(back.target, target_)) << back.target;
  EXPECT_EQ(back.arguments, "/l notes mail");

  LinkDetails details = Inspect(link);
  EXPECT_TRUE(text::EqualsNoCase(details.workingFolder, dir_.File("Work\\"))) << details.workingFolder;
  EXPECT_TRUE(text::EqualsNoCase(details.iconFile, "C:\\windows\\system32\\shell32.dll")) << details.iconFile;
  EXPECT_EQ(details.iconIndex, 3);

  // Written again over the same file, without an icon: none is recorded.
  ShortcutFields plain{target_, "", "ignored.ico", 7, ""};
  links_.Write(link, plain, false, false);
  EXPECT_EQ(links_.Read(link).arguments, "");
  LinkDetails second = Inspect(link);
  EXPECT_EQ(second.iconFile, "");
  EXPECT_EQ(second.workingFolder, "");
}

TEST_F(LinksTest, ReadGivesEmptyTextsForAnythingThatIsNoLink) {
  EXPECT_EQ(links_.Read(dir_.File("missing.lnk")).target, "");
  std::string junk = dir_.File("junk.lnk");
  WriteFileBytes(junk, "this is not a shell link");
  ShortcutTarget read = links_.Read(junk);
  EXPECT_EQ(read.target, "");
  EXPECT_EQ(read.arguments, "");
  EXPECT_EQ(links_.Read(std::string(400, 'a') + ".lnk").target, "");
}

TEST_F(LinksTest, WriteFailuresRaiseTheSystemText) {
  ShortcutFields fields{target_, "", "", 0, ""};
  try {
    links_.Write(dir_.File("No Folder\\app.lnk"), fields, false, true);
    ADD_FAILURE() << "no error for a missing folder";
  } catch (const Error& e) {
    EXPECT_FALSE(std::string(e.what()).empty());
  }
  // A path past MAX_PATH is refused rather than saved under a cut name: a
  // save that cannot be made, which callers that go on without it let pass.
  std::string longName = dir_.File(std::string(300, 'n') + ".lnk");
  EXPECT_THROW(links_.Write(longName, fields, false, true), ShortcutSaveFailed);
}

TEST(ErrorTextTest, SystemTextOrOleErrorCode) {
  std::string known = SystemErrorText(E_OUTOFMEMORY);
  EXPECT_FALSE(known.empty());
  EXPECT_EQ(known.find("OLE error"), std::string::npos);
  EXPECT_NE(known.back(), '\n');
  EXPECT_NE(known.back(), '\r');
  EXPECT_EQ(SystemErrorText(static_cast<HRESULT>(0x8ABCDEF0)), "OLE error 8ABCDEF0");
  EXPECT_EQ(SystemErrorText(static_cast<HRESULT>(0x800F00FF)), "OLE error 800F00FF");
  EXPECT_EQ(LastErrorText(0x2FFFFFFF), "System error 805306367");
}

}  // namespace
}  // namespace tvx::win32
