// Typed text and stored values to shell calls: splitting, registry references,
// environment expansion and the working directory.
#include "launch/launch.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "support/fake_platform.h"

namespace tvx {
namespace {

using launch::ExpandEnvVars;
using launch::ResolveRegRef;
using test::FakePlatform;

TEST(ResolveRegRef, TextsThatAreNotReferencesPassUnchanged) {
  FakePlatform fp;
  EXPECT_EQ(ResolveRegRef("C:\\Tools\\app.exe", fp.registry), "C:\\Tools\\app.exe");
  EXPECT_EQ(ResolveRegRef("", fp.registry), "NOT FOUND");
  EXPECT_EQ(ResolveRegRef("HKCU>>", fp.registry), "HKCU>>");  // six characters only
  EXPECT_EQ(ResolveRegRef("hkcu>>Software\\Tool", fp.registry), "hkcu>>Software\\Tool");
  EXPECT_EQ(ResolveRegRef("HKXX>>Software\\Tool", fp.registry), "HKXX>>Software\\Tool");
  EXPECT_TRUE(fp.registry.calls.empty());
}

TEST(ResolveRegRef, ReadsDefaultOrNamedValueOfTheRightRoot) {
  FakePlatform fp;
  fp.registry.Put(RegRoot::CurrentUser, "Software\\Tool", "", "C:\\Tool\\default.exe");
  fp.registry.Put(RegRoot::CurrentUser, "Software\\Tool", "Path", "C:\\x.exe|-a");
  fp.registry.Put(RegRoot::LocalMachine, "SOFTWARE\\Vendor", "InstallPath", "D:\\Vendor\\v.exe");
  fp.registry.Put(RegRoot::ClassesRoot, "txtfile", "", "%SystemRoot%\\notepad.exe", kRegExpandSz);
  EXPECT_EQ(ResolveRegRef("HKCU>>Software\\Tool", fp.registry), "C:\\Tool\\default.exe");
  EXPECT_EQ(ResolveRegRef("HKCU>>Software\\Tool>>", fp.registry), "C:\\Tool\\default.exe");
  // The "|" inside a registry value is part of the location.
  EXPECT_EQ(ResolveRegRef("HKCU>>Software\\Tool>>Path", fp.registry), "C:\\x.exe|-a");
  EXPECT_EQ(ResolveRegRef("HKCU>>Software\\Tool>>Path>>More", fp.registry), "C:\\x.exe|-a");
  EXPECT_EQ(ResolveRegRef("HKLM>>SOFTWARE\\Vendor>>InstallPath", fp.registry), "D:\\Vendor\\v.exe");
  // Expandable text comes back unexpanded.
  EXPECT_EQ(ResolveRegRef("HKCR>>txtfile", fp.registry), "%SystemRoot%\\notepad.exe");
}

TEST(ResolveRegRef, MissingThingsGiveNotFoundAndNothingIsCreated) {
  FakePlatform fp;
  fp.registry.Put(RegRoot::CurrentUser, "Software\\OnlyDefault", "", "C:\\a.exe");
  fp.registry.Put(RegRoot::CurrentUser, "Software\\NoDefault", "Other", "C:\\b.exe");
  EXPECT_EQ(ResolveRegRef("HKCU>>Software\\OnlyDefault>>Path", fp.registry), "NOT FOUND");
  EXPECT_EQ(ResolveRegRef("HKCU>>Software\\NoDefault", fp.registry), "NOT FOUND");
  EXPECT_EQ(ResolveRegRef("HKCU>>Software\\Missing", fp.registry), "NOT FOUND");
  EXPECT_EQ(ResolveRegRef("HKLM>>SOFTWARE\\Missing>>Path", fp.registry), "NOT FOUND");
  // A read never creates or writes a key.
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::CurrentUser, "Software\\Missing"));
  for (const std::string& call : fp.registry.calls) EXPECT_EQ(call.rfind("Read ", 0), 0u) << call;
}

TEST(ResolveRegRef, NonTextValueIsRefusedWithItsName) {
  FakePlatform fp;
  fp.registry.PutDword(RegRoot::CurrentUser, "Software\\Tool", "Path", 7);
  try {
    ResolveRegRef("HKCU>>Software\\Tool>>Path", fp.registry);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Path'");
  }
  fp.registry.PutDword(RegRoot::CurrentUser, "Software\\Num", "", 1);
  EXPECT_THROW(ResolveRegRef("HKCU>>Software\\Num", fp.registry), Error);
  // A default value that is not text does not fail a reference to a named one.
  fp.registry.Put(RegRoot::CurrentUser, "Software\\Num", "Path", "C:\\n.exe");
  EXPECT_EQ(ResolveRegRef("HKCU>>Software\\Num>>Path", fp.registry), "C:\\n.exe");
}

TEST(ExpandEnvVars, ExpandsReferencesButNotAfterADriveRoot) {
  FakePlatform fp;
  fp.environment.Set("WINDIR", "C:\\Windows");
  fp.environment.Set("Backup", "E:\\Bak");
  fp.environment.Set("SystemDrive", "C:");
  fp.environment.Set("Data", "Files");
  fp.environment.Set("Odd", "X:\\<odd");
  auto& env = fp.environment;
  EXPECT_EQ(ExpandEnvVars("%WINDIR%\\notepad.exe", env), "C:\\Windows\\notepad.exe");
  EXPECT_EQ(ExpandEnvVars("%windir%\\notepad.exe", env), "C:\\Windows\\notepad.exe");
  EXPECT_EQ(ExpandEnvVars("%NoSuchVariable%\\a.exe", env), "%NoSuchVariable%\\a.exe");
  EXPECT_EQ(ExpandEnvVars("C:\\%WINDIR%", env), "C:\\%WINDIR%");
  EXPECT_EQ(ExpandEnvVars("D:\\%Backup%\\list.txt", env), "D:\\%Backup%\\list.txt");
  // The protection looks at the input only.
  EXPECT_EQ(ExpandEnvVars("%SystemDrive%\\%Data%", env), "C:\\Files");
  EXPECT_EQ(ExpandEnvVars("C:\\<x", env), "C:\\%x");
  EXPECT_EQ(ExpandEnvVars("%Odd%", env), "X:\\%odd");
  env.fail = true;
  EXPECT_EQ(ExpandEnvVars("%WINDIR%", env), "");
}

TEST(ResolveStoredValue, CutsExpandsAndDerivesTheWorkingDirectory) {
  FakePlatform fp;
  fp.environment.Set("WINDIR", "C:\\Windows");
  fp.environment.Set("TEMP", "C:\\Temp");
  auto r = launch::ResolveStoredValue("notepad.exe|", fp);
  EXPECT_EQ(r.file, "notepad.exe");
  EXPECT_EQ(r.params, "");
  EXPECT_EQ(r.directory, "");
  r = launch::ResolveStoredValue("notepad.exe", fp);
  EXPECT_EQ(r.file, "notepad.exe");
  EXPECT_EQ(r.params, "");
  r = launch::ResolveStoredValue("C:\\Tools\\app.exe|-a|-b", fp);
  EXPECT_EQ(r.file, "C:\\Tools\\app.exe");
  EXPECT_EQ(r.params, "-a");
  EXPECT_EQ(r.directory, "C:\\Tools\\");
  r = launch::ResolveStoredValue("|-x", fp);
  EXPECT_EQ(r.file, "NOT FOUND");
  EXPECT_EQ(r.params, "-x");
  EXPECT_EQ(r.directory, "");
  r = launch::ResolveStoredValue("%WINDIR%\\notepad.exe|%TEMP%\\log.txt", fp);
  EXPECT_EQ(r.file, "C:\\Windows\\notepad.exe");
  EXPECT_EQ(r.params, "C:\\Temp\\log.txt");
  EXPECT_EQ(r.directory, "C:\\Windows\\");
  r = launch::ResolveStoredValue("C:\\", fp);
  EXPECT_EQ(r.directory, "C:\\");
  r = launch::ResolveStoredValue("shell:Downloads", fp);
  EXPECT_EQ(r.directory, "shell:");
}

class LaunchNamesTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  FakePlatform fp;
  std::string path = store::DataFilePath(dir.Path());
  void Store(const std::string& bytes) { test::WriteFileBytes(path, bytes); }
  std::vector<std::string> Launched() {
    std::vector<std::string> files;
    for (auto& c : fp.shell.calls) files.push_back(c.file + "|" + c.params);
    return files;
  }
  void Launch(const std::string& typed) {
    store::ProfileFile data(path);
    launch::LaunchNamedValues(launch::FindNamedValues(typed, data), nullptr, fp);
  }
};

TEST_F(LaunchNamesTest, LaunchesFoundNamesInOrderAndSkipsTheRest) {
  Store("[Command]\r\nn=notepad.exe|\r\ncalc=calc.exe\r\nempty=\r\n");
  Launch("  n  calc ");
  EXPECT_EQ(Launched(), (std::vector<std::string>{"notepad.exe|", "calc.exe|"}));
  fp.shell.calls.clear();
  Launch("N xyz empty n");
  EXPECT_EQ(Launched(), (std::vector<std::string>{"notepad.exe|", "notepad.exe|"}));
  fp.shell.calls.clear();
  Launch("");
  Launch("   ");
  EXPECT_TRUE(fp.shell.calls.empty());
}

TEST_F(LaunchNamesTest, ShellCallArgumentsAreExact) {
  Store("[Command]\r\nt=C:\\Tools\\app.exe|-a|-b\r\n");
  Launch("t");
  ASSERT_EQ(fp.shell.calls.size(), 1u);
  const auto& c = fp.shell.calls[0];
  EXPECT_EQ(c.verb, "");
  EXPECT_EQ(c.file, "C:\\Tools\\app.exe");
  EXPECT_EQ(c.params, "-a");
  EXPECT_EQ(c.directory, "C:\\Tools\\");
  EXPECT_EQ(c.show, kSwShowNormal);
}

TEST_F(LaunchNamesTest, ANonTextRegistryValueStopsTheNamesAfterIt) {
  fp.registry.PutDword(RegRoot::CurrentUser, "Software\\T", "P", 1);
  Store("[Command]\r\na=a.exe\r\nbad=HKCU>>Software\\T>>P\r\nc=c.exe\r\n");
  EXPECT_THROW(Launch("a bad c"), Error);
  EXPECT_EQ(Launched(), (std::vector<std::string>{"a.exe|"}));
}

TEST_F(LaunchNamesTest, MissingDataFileLaunchesNothing) {
  Launch("n calc");
  EXPECT_TRUE(fp.shell.calls.empty());
}

}  // namespace
}  // namespace tvx
