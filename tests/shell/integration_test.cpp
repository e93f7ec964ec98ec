#include "shell/integration.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/text.h"
#include "support/fake_platform.h"

namespace tvx::shell {
namespace {

using test::FakePlatform;
using test::FakeRegistry;

const std::string kExe = "C:\\Tools\\";
const std::string kCmdKey = kContextMenuCommandKey;
const std::string kMenuKey = kContextMenuKey;

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

// ---------------------------------------------------------------------------
// Context-menu entry

TEST(ContextMenuEntry, SwitchOnWritesBothKeysAndThreeValues) {
  FakePlatform fp;
  SetShellIntegration(fp, true, kExe);

  EXPECT_EQ(fp.registry.Text(RegRoot::CurrentUser, kMenuKey, ""), "Set T&VX Command");
  EXPECT_EQ(fp.registry.Text(RegRoot::CurrentUser, kMenuKey, "Icon"), "C:\\Tools\\TVX.exe");
  // The program's path is quoted, so a folder with blanks still starts it.
  EXPECT_EQ(fp.registry.Text(RegRoot::CurrentUser, kCmdKey, ""), "\"C:\\Tools\\TVX.exe\" /setcmd \"%1\"");
  EXPECT_EQ(fp.registry.keys.at(FakeRegistry::Id(RegRoot::CurrentUser, kMenuKey)).values.size(), 2u);
  EXPECT_EQ(fp.registry.keys.at(FakeRegistry::Id(RegRoot::CurrentUser, kCmdKey)).values.size(), 1u);
  // Keys first, in order, then the values.
  ASSERT_GE(fp.registry.calls.size(), 2u);
  EXPECT_EQ(fp.registry.calls[0], "Create " + FakeRegistry::Id(RegRoot::CurrentUser, kMenuKey));
  EXPECT_EQ(fp.registry.calls[1], "Create " + FakeRegistry::Id(RegRoot::CurrentUser, kCmdKey));

  EXPECT_TRUE(ShellIntegrationPresent(fp, kExe));
  EXPECT_FALSE(ShellIntegrationNeedsRewrite(fp, kExe));
  // Another copy of the program sees the entry as absent.
  EXPECT_FALSE(ShellIntegrationPresent(fp, "D:\\Other\\"));
}

TEST(ContextMenuEntry, StateOfStoredCommandValues) {
  struct Case {
    const char* stored;
    std::uint32_t type;
    bool present;
    bool rewrite;
  } cases[] = {
      {"\"C:\\Tools\\TVX.exe\" /setcmd \"%1\"", kRegSz, true, false},
      {"C:\\Tools\\TVX.exe /setcmd \"%1\"", kRegSz, true, true},  // written the old way
      {"\"D:\\Else\\TVX.exe\" /setcmd \"%1\"", kRegSz, false, false},
      {"D:\\Else\\TVX.exe /setcmd \"%1\"", kRegSz, false, false},
      {"\"C:\\Tools\\tvx.exe\" /setcmd \"%1\"", kRegSz, false, false},
      {"C:\\TOOLS\\TVX.exe /setcmd \"%1\"", kRegSz, false, false},
      {"\"C:\\Tools\\TVX.exe\" /setcmd \"%1\"", kRegExpandSz, false, false},
      {"C:\\Tools\\TVX.exe /setcmd \"%1\"", kRegExpandSz, false, false},
      {"", kRegSz, false, false},
  };
  for (const Case& c : cases) {
    FakePlatform fp;
    fp.registry.Put(RegRoot::CurrentUser, kCmdKey, "", c.stored, c.type);
    EXPECT_EQ(ShellIntegrationPresent(fp, kExe), c.present) << c.stored << " type " << c.type;
    EXPECT_EQ(ShellIntegrationNeedsRewrite(fp, kExe), c.rewrite) << c.stored << " type " << c.type;
  }

  FakePlatform none;
  EXPECT_FALSE(ShellIntegrationPresent(none, kExe));

  // Readable, but not with full access: absent.
  FakePlatform locked;
  locked.registry.Put(RegRoot::CurrentUser, kCmdKey, "", ContextMenuCommand(kExe));
  locked.registry.noFullAccess.insert(text::LowerAscii(kCmdKey));
  EXPECT_FALSE(ShellIntegrationPresent(locked, kExe));
}

TEST(ContextMenuEntry, OldEntryIsRewrittenInTheQuotedForm) {
  FakePlatform fp;
  fp.registry.Put(RegRoot::CurrentUser, kMenuKey, "", "Set T&VX Command");
  fp.registry.Put(RegRoot::CurrentUser, kMenuKey, "Icon", "C:\\Tools\\TVX.exe");
  fp.registry.Put(RegRoot::CurrentUser, kCmdKey, "", "C:\\Tools\\TVX.exe /setcmd \"%1\"");
  fp.registry.Put(RegRoot::CurrentUser, kMenuKey, "Extended", "");  // not ours: left alone

  ASSERT_TRUE(ShellIntegrationPresent(fp, kExe));
  SetShellIntegration(fp, true, kExe);

  EXPECT_EQ(fp.registry.Text(RegRoot::CurrentUser, kCmdKey, ""), ContextMenuCommand(kExe));
  EXPECT_TRUE(fp.registry.keys.at(FakeRegistry::Id(RegRoot::CurrentUser, kMenuKey)).values.count("extended"));
  EXPECT_TRUE(ShellIntegrationPresent(fp, kExe));
  EXPECT_FALSE(ShellIntegrationNeedsRewrite(fp, kExe));
}

TEST(ContextMenuEntry, SwitchOffRemovesTheWholeEntrySilently) {
  FakePlatform fp;
  SetShellIntegration(fp, true, kExe);
  fp.registry.CreateKey(RegRoot::CurrentUser, kMenuKey + "\\Extra\\Deeper");
  fp.registry.CreateKey(RegRoot::CurrentUser, "Software\\Classes\\AllFilesystemObjects\\Shell\\Other");

  SetShellIntegration(fp, false, kExe);
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::CurrentUser, kMenuKey));
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::CurrentUser, kCmdKey));
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::CurrentUser, kMenuKey + "\\Extra\\Deeper"));
  EXPECT_TRUE(fp.registry.HasKey(RegRoot::CurrentUser, "Software\\Classes\\AllFilesystemObjects\\Shell\\Other"));
  EXPECT_FALSE(ShellIntegrationPresent(fp, kExe));

  // Nothing to delete: no error.
  EXPECT_NO_THROW(SetShellIntegration(fp, false, kExe));
}

TEST(ContextMenuEntry, KeyThatCannotBeCreatedStopsTheSwitch) {
  FakePlatform fp;
  fp.registry.unwritableKeys.insert(text::LowerAscii(kMenuKey));
  EXPECT_EQ(ErrorOf([&] { SetShellIntegration(fp, true, kExe); }),
            "Failed to create key Software\\Classes\\AllFilesystemObjects\\Shell\\SetTVXcmd");
  EXPECT_EQ(fp.registry.calls.size(), 1u);

  FakePlatform second;
  second.registry.unwritableKeys.insert(text::LowerAscii(kCmdKey));
  EXPECT_EQ(ErrorOf([&] { SetShellIntegration(second, true, kExe); }),
            "Failed to create key Software\\Classes\\AllFilesystemObjects\\Shell\\SetTVXcmd\\Command");
  EXPECT_TRUE(second.registry.HasKey(RegRoot::CurrentUser, kMenuKey));
  EXPECT_EQ(second.registry.Text(RegRoot::CurrentUser, kMenuKey, ""), "");
}

// A registry whose value writes fail for one value name.
class RefusingRegistry : public FakeRegistry {
 public:
  std::string refuse;
  bool SetString(RegRoot root, const std::string& keyPath, const std::string& name, const std::string& value) override {
    if (name == refuse) {
      calls.push_back("Set refused " + name);
      return false;
    }
    return FakeRegistry::SetString(root, keyPath, name, value);
  }
};

TEST(ContextMenuEntry, ValueThatCannotBeWrittenStopsTheSwitch) {
  FakePlatform fp;
  RefusingRegistry registry;
  registry.refuse = "Icon";
  Platform platform{registry, fp.shell, fp.environment, fp.files, fp.links, fp.system};

  EXPECT_EQ(ErrorOf([&] { SetShellIntegration(platform, true, kExe); }), "Failed to set data for 'Icon'");
  EXPECT_EQ(registry.Text(RegRoot::CurrentUser, kMenuKey, ""), "Set T&VX Command");  // earlier step stays done
  EXPECT_EQ(registry.Text(RegRoot::CurrentUser, kCmdKey, ""), "");                   // later step not run

  registry.refuse = "";
  EXPECT_EQ(ErrorOf([&] { SetShellIntegration(platform, true, kExe); }), "Failed to set data for ''");
}

// Windows' merged class view: the per-user entry where there is one, else an
// entry an elevated copy wrote for the machine. Read apart, as Wine does not
// merge the two.
TEST(ContextMenuEntry, MachineWideEntryCountsUnlessTheUsersOwnDiffers) {
  FakePlatform fp;
  fp.registry.CreateKey(RegRoot::LocalMachine, kCmdKey);
  fp.registry.Put(RegRoot::LocalMachine, kCmdKey, "", LegacyContextMenuCommand(kExe));
  fp.registry.standardUser = true;
  EXPECT_TRUE(ShellIntegrationPresent(fp, kExe));  // read without full access
  EXPECT_TRUE(ShellIntegrationNeedsRewrite(fp, kExe));

  SetShellIntegration(fp, true, kExe);  // the rewrite lands per user
  EXPECT_EQ(fp.registry.Text(RegRoot::CurrentUser, kCmdKey, ""), ContextMenuCommand(kExe));
  EXPECT_FALSE(ShellIntegrationNeedsRewrite(fp, kExe));

  fp.registry.Put(RegRoot::CurrentUser, kCmdKey, "", "\"D:\\Else\\TVX.exe\" /setcmd \"%1\"");
  EXPECT_FALSE(ShellIntegrationPresent(fp, kExe));  // the user's own entry hides the machine's

  // Off: the user's entry goes, the refused machine-wide removal is silent.
  EXPECT_NO_THROW(SetShellIntegration(fp, false, kExe));
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::CurrentUser, kMenuKey));
  fp.registry.standardUser = false;
  SetShellIntegration(fp, false, kExe);
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::LocalMachine, kCmdKey));
}

// ---------------------------------------------------------------------------
// App Paths

TEST(AppPaths, EntryNameAlwaysEndsInExe) {
  const std::string prefix = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
  EXPECT_EQ(AppPathKey("tvx.exe"), prefix + "tvx.exe");
  EXPECT_EQ(AppPathKey("tvx.com"), prefix + "tvx.exe");
  EXPECT_EQ(AppPathKey("tvx"), prefix + "tvx.exe");
  EXPECT_EQ(AppPathKey("tvx.tar.gz"), prefix + "tvx.tar.exe");
  EXPECT_EQ(AppPathKey("a.b\\tvx"), prefix + "a.b\\tvx.exe");  // a dot in a folder part is no extension
}

TEST(AppPaths, WrittenPerUserAndDeletedWithTheMachineWideEntryThatNamesThisProgram) {
  FakePlatform fp;
  const std::string key = AppPathKey("tvx.exe");
  EXPECT_TRUE(WriteAppPath(fp, "tvx.com", "C:\\Tools\\TVX.exe"));
  EXPECT_TRUE(WriteAppPath(fp, "tvx.exe", "D:\\New\\TVX.exe"));
  EXPECT_EQ(fp.registry.Text(RegRoot::CurrentUser, key, ""), "D:\\New\\TVX.exe");
  EXPECT_EQ(fp.registry.keys.at(FakeRegistry::Id(RegRoot::CurrentUser, key)).values.size(), 1u);
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::LocalMachine, key));

  fp.registry.CreateKey(RegRoot::CurrentUser, key + "\\SupportedProtocols");
  fp.registry.Put(RegRoot::LocalMachine, key, "", "\"d:\\new\\tvx.EXE\"");  // an elevated copy's
  EXPECT_TRUE(DeleteAppPath(fp, "tvx", "D:\\New\\TVX.exe"));
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::CurrentUser, key));
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::CurrentUser, key + "\\SupportedProtocols"));
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::LocalMachine, key));
  EXPECT_FALSE(DeleteAppPath(fp, "tvx.exe", "D:\\New\\TVX.exe"));  // gone already: false, no error

  // Another program's machine-wide entry stays; a refused removal is silent.
  fp.registry.Put(RegRoot::LocalMachine, key, "", "C:\\Other\\tvx.exe");
  DeleteAppPath(fp, "tvx.exe", "D:\\New\\TVX.exe");
  EXPECT_TRUE(fp.registry.HasKey(RegRoot::LocalMachine, key));
  fp.registry.standardUser = true;
  EXPECT_NO_THROW(DeleteAppPath(fp, "tvx.exe", "C:\\Other\\tvx.exe"));
}

TEST(AppPaths, Failures) {
  FakePlatform fp;
  fp.registry.unwritableKeys.insert(text::LowerAscii(AppPathKey("tvx.exe")));
  EXPECT_EQ(ErrorOf([&] { WriteAppPath(fp, "tvx.exe", "C:\\TVX.exe"); }),
            "Failed to create key Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tvx.exe");

  FakePlatform base;
  RefusingRegistry registry;
  Platform platform{registry, base.shell, base.environment, base.files, base.links, base.system};
  EXPECT_EQ(ErrorOf([&] { WriteAppPath(platform, "tvx.exe", "C:\\TVX.exe"); }), "Failed to set data for ''");
}

// ---------------------------------------------------------------------------
// Install and uninstall

// Wraps the fakes so that every step of an operation lands in one log, in order.
struct Recorder {
  FakePlatform fp;
  std::vector<std::string> log;

  struct Files : IFileSystem {
    Recorder& r;
    explicit Files(Recorder& rec) : r(rec) {}
    bool FileExists(const std::string& p) override { return r.fp.files.FileExists(p); }
    bool DirectoryExists(const std::string& p) override { return r.fp.files.DirectoryExists(p); }
    bool WriteNewFile(const std::string& p, const std::string& b, std::string& reason) override {
      r.log.push_back("write " + p);
      return r.fp.files.WriteNewFile(p, b, reason);
    }
    bool RemoveFile(const std::string& p) override {
      r.log.push_back("delete " + p);
      return r.fp.files.RemoveFile(p);
    }
    std::optional<std::string> ReadSmallFile(const std::string& p, std::size_t max) override {
      return r.fp.files.ReadSmallFile(p, max);
    }
    std::optional<std::string> SpecialFolder(int id) override { return r.fp.files.SpecialFolder(id); }
    std::optional<std::string> SpecialFolderCreate(int id) override { return r.fp.files.SpecialFolderCreate(id); }
    std::string TempFolder() override {
      r.log.push_back("temp");
      return r.fp.files.TempFolder();
    }
  } files{*this};
  struct Links : IShellLinks {
    Recorder& r;
    explicit Links(Recorder& rec) : r(rec) {}
    void Write(const std::string& p, const ShortcutFields& s, bool setIcon, bool remember) override {
      r.log.push_back("link " + p);
      r.fp.links.Write(p, s, setIcon, remember);
    }
    ShortcutTarget Read(const std::string& p) override { return r.fp.links.Read(p); }
  } links{*this};
  struct Shell : IShell {
    Recorder& r;
    explicit Shell(Recorder& rec) : r(rec) {}
    std::intptr_t Execute(NativeWindow o, const std::string& v, const std::string& f, const std::string& p,
                          const std::string& d, int s) override {
      r.log.push_back("run " + f);
      return r.fp.shell.Execute(o, v, f, p, d, s);
    }
  } shell{*this};
  struct Registry : IRegistry {
    Recorder& r;
    explicit Registry(Recorder& rec) : r(rec) {}
    RegValue ReadValue(RegRoot root, const std::string& k, const std::string& n) override {
      return r.fp.registry.ReadValue(root, k, n);
    }
    RegValue ReadValueFullAccess(RegRoot root, const std::string& k, const std::string& n) override {
      return r.fp.registry.ReadValueFullAccess(root, k, n);
    }
    bool CreateKey(RegRoot root, const std::string& k) override {
      r.log.push_back("create key " + k);
      return r.fp.registry.CreateKey(root, k);
    }
    bool SetString(RegRoot root, const std::string& k, const std::string& n, const std::string& v) override {
      r.log.push_back("set value " + k);
      return r.fp.registry.SetString(root, k, n, v);
    }
    bool DeleteTree(RegRoot root, const std::string& k) override {
      r.log.push_back("delete key " + k);
      return r.fp.registry.DeleteTree(root, k);
    }
  } registry{*this};
  Platform platform{registry, shell, fp.environment, files, links, fp.system};

  Recorder() {
    fp.files.specialFolders[kCsidlDesktop] = "C:\\Users\\me\\Desktop";
    fp.files.specialFolders[kCsidlAppData] = "C:\\Users\\me\\AppData\\Roaming";
    fp.files.specialFolders[kCsidlPrograms] = kProgramsFolder;
    fp.files.directories.insert("C:\\Users\\me\\Desktop");
    fp.files.directories.insert(kQuickLaunchFolder);
    fp.files.temp = "C:\\Temp\\";
  }
  static inline const std::string kQuickLaunchFolder =
      "C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";
  static inline const std::string kProgramsFolder = "C:\\Users\\me\\Start Menu\\Programs";
  static inline const std::string kStartMenuLink = kProgramsFolder + "\\Tavrix.lnk";
};

const std::string kAppKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tvx.exe";

TEST(Install, StepsInOrder) {
  Recorder r;
  EXPECT_EQ(Install(r.platform, "C:\\My Tools\\"), kDefaultHotkey);

  const std::vector<std::string> expected = {
      "link " + Recorder::kQuickLaunchFolder + "\\Tavrix.lnk",
      "link C:\\Users\\me\\Desktop\\Tavrix.lnk",
      "link " + Recorder::kStartMenuLink,
      "create key " + kAppKey,
      "set value " + kAppKey,
  };
  EXPECT_EQ(r.log, expected);
  ASSERT_EQ(r.fp.links.writes.size(), 3u);
  for (const auto& w : r.fp.links.writes) {
    EXPECT_EQ(w.fields.target, "C:\\My Tools\\TVX.exe");
    EXPECT_EQ(w.fields.workingFolder, "C:\\My Tools\\");
    EXPECT_EQ(w.fields.arguments, "");
    EXPECT_EQ(w.fields.hotkey, w.path == Recorder::kStartMenuLink ? kDefaultHotkey : 0) << w.path;
    EXPECT_FALSE(w.setIcon);
    EXPECT_FALSE(w.remember);
  }
  EXPECT_TRUE(r.fp.shell.calls.empty());  // no script host
  EXPECT_EQ(r.fp.registry.Text(RegRoot::CurrentUser, kAppKey, ""), "C:\\My Tools\\TVX.exe");
}

TEST(Install, KeyTheUserSetOnTheStartMenuEntryIsKept) {
  const std::uint16_t ctrlShiftT = kHotkeyControl | kHotkeyShift | 'T';
  for (std::uint16_t users : {ctrlShiftT, std::uint16_t{0}}) {
    Recorder r;
    r.fp.files.files.insert(Recorder::kStartMenuLink);
    r.fp.links.existing[Recorder::kStartMenuLink] = {"D:\\Old\\TVX.exe", "", users};
    EXPECT_EQ(Install(r.platform, kExe), users);
    EXPECT_EQ(r.fp.links.writes.back().fields.hotkey, users);
    EXPECT_EQ(r.fp.links.writes.back().fields.target, "C:\\Tools\\TVX.exe");
  }
  EXPECT_EQ(HotkeyName(kDefaultHotkey), "Ctrl+Alt+F11");
  EXPECT_EQ(HotkeyName(ctrlShiftT), "Ctrl+Shift+T");
  EXPECT_NE(InstalledMessage(ctrlShiftT).find("Press Ctrl+Shift+T to start it"), std::string::npos);
  EXPECT_NE(InstalledMessage(0).find("no shortcut key"), std::string::npos);
}

TEST(Install, MissingFoldersAndFailedSavesAreSilentExceptForTheStartMenuEntry) {
  Recorder r;
  r.fp.files.directories.erase(Recorder::kQuickLaunchFolder);
  Install(r.platform, kExe);
  ASSERT_EQ(r.fp.links.writes.size(), 2u);
  EXPECT_EQ(r.fp.links.writes[0].path, "C:\\Users\\me\\Desktop\\Tavrix.lnk");
  EXPECT_EQ(r.fp.registry.Text(RegRoot::CurrentUser, kAppKey, ""), "C:\\Tools\\TVX.exe");

  // Saves fail: the desktop and Quick Launch shortcuts silently, the
  // Start-menu entry that Install announces with its error.
  Recorder saveFails;
  saveFails.fp.links.failWith = "Access denied.";
  saveFails.fp.links.failAsSave = true;
  EXPECT_EQ(ErrorOf([&] { Install(saveFails.platform, kExe); }), "Access denied.");
  EXPECT_EQ(saveFails.log.back(), "link " + Recorder::kStartMenuLink);
  EXPECT_FALSE(saveFails.fp.registry.HasKey(RegRoot::CurrentUser, kAppKey));
}

TEST(Install, FailuresStopTheLaterSteps) {
  Recorder linkFails;
  linkFails.fp.links.failWith = "Class not registered";
  EXPECT_EQ(ErrorOf([&] { Install(linkFails.platform, kExe); }), "Class not registered");
  EXPECT_EQ(linkFails.log, std::vector<std::string>{"link " + Recorder::kQuickLaunchFolder + "\\Tavrix.lnk"});

  Recorder registryFails;
  registryFails.fp.registry.unwritableKeys.insert(text::LowerAscii(kAppKey));
  EXPECT_EQ(ErrorOf([&] { Install(registryFails.platform, kExe); }), "Failed to create key " + kAppKey);
  EXPECT_EQ(registryFails.fp.links.writes.size(), 3u);  // earlier steps stay done
}

TEST(Uninstall, RemovesWhatInstallWroteAndOnlyTheScriptsOlderCopiesWrote) {
  Recorder r;
  r.fp.registry.Put(RegRoot::CurrentUser, kAppKey, "", "C:\\Tools\\TVX.exe");
  r.fp.registry.CreateKey(RegRoot::CurrentUser, kAppKey + "\\Sub");
  r.fp.registry.Put(RegRoot::LocalMachine, kAppKey, "", "C:\\Tools\\TVX.exe");
  r.fp.files.written["C:\\Temp\\PinToTaskbar.vbs"] = TaskbarScript(true);
  r.fp.files.written["C:\\Temp\\UnpinFromTaskbar.vbs"] = TaskbarScript(false) + "' mine\r\n";

  Uninstall(r.platform, "C:\\Tools\\");
  const std::vector<std::string> expected = {
      "delete " + Recorder::kQuickLaunchFolder + "\\Tavrix.lnk",
      "delete C:\\Users\\me\\Desktop\\Tavrix.lnk",
      "delete " + Recorder::kStartMenuLink,
      "temp",
      "delete C:\\Temp\\PinToTaskbar.vbs",
      "delete key " + kAppKey,
      "delete key " + kAppKey,
  };
  EXPECT_EQ(r.log, expected);
  EXPECT_TRUE(r.fp.shell.calls.empty());
  EXPECT_EQ(r.fp.files.written.count("C:\\Temp\\UnpinFromTaskbar.vbs"), 1u);
  EXPECT_FALSE(r.fp.registry.HasKey(RegRoot::CurrentUser, kAppKey + "\\Sub"));
  EXPECT_FALSE(r.fp.registry.HasKey(RegRoot::LocalMachine, kAppKey));

  // Again, with nothing left to remove: no error.
  EXPECT_NO_THROW(Uninstall(r.platform, "C:\\Tools\\"));
}

TEST(Uninstall, WithoutFoldersDeletesNothingOutsideThem) {
  Recorder r;
  r.fp.files.specialFolders.clear();
  r.fp.files.temp.clear();
  Uninstall(r.platform, kExe);
  for (const std::string& step : r.log) {
    if (step.rfind("delete key", 0) != 0) {
      EXPECT_NE(step.rfind("delete ", 0), 0u) << step;
    }
  }
}

}  // namespace
}  // namespace tvx::shell
