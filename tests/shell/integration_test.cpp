#include "shell/integration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

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

  EXPECT_EQ(fp.registry.Text(RegRoot::ClassesRoot, kMenuKey, ""), "Set T&VX Command");
  EXPECT_EQ(fp.registry.Text(RegRoot::ClassesRoot, kMenuKey, "Icon"), "C:\\Tools\\TVX.exe");
  // The program's path is quoted, so a folder with blanks still starts it.
  EXPECT_EQ(fp.registry.Text(RegRoot::ClassesRoot, kCmdKey, ""), "\"C:\\Tools\\TVX.exe\" /setcmd \"%1\"");
  EXPECT_EQ(fp.registry.keys.at(FakeRegistry::Id(RegRoot::ClassesRoot, kMenuKey)).values.size(), 2u);
  EXPECT_EQ(fp.registry.keys.at(FakeRegistry::Id(RegRoot::ClassesRoot, kCmdKey)).values.size(), 1u);
  // Keys first, in order, then the values.
  ASSERT_GE(fp.registry.calls.size(), 2u);
  EXPECT_EQ(fp.registry.calls[0], "Create " + FakeRegistry::Id(RegRoot::ClassesRoot, kMenuKey));
  EXPECT_EQ(fp.registry.calls[1], "Create " + FakeRegistry::Id(RegRoot::ClassesRoot, kCmdKey));

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
    fp.registry.Put(RegRoot::ClassesRoot, kCmdKey, "", c.stored, c.type);
    EXPECT_EQ(ShellIntegrationPresent(fp, kExe), c.present) << c.stored << " type " << c.type;
    EXPECT_EQ(ShellIntegrationNeedsRewrite(fp, kExe), c.rewrite) << c.stored << " type " << c.type;
  }

  FakePlatform none;
  EXPECT_FALSE(ShellIntegrationPresent(none, kExe));

  // Readable, but not with full access: absent.
  FakePlatform locked;
  locked.registry.Put(RegRoot::ClassesRoot, kCmdKey, "", ContextMenuCommand(kExe));
  locked.registry.noFullAccess.insert(text::LowerAscii(kCmdKey));
  EXPECT_FALSE(ShellIntegrationPresent(locked, kExe));
}

TEST(ContextMenuEntry, OldEntryIsRewrittenInTheQuotedForm) {
  FakePlatform fp;
  fp.registry.Put(RegRoot::ClassesRoot, kMenuKey, "", "Set T&VX Command");
  fp.registry.Put(RegRoot::ClassesRoot, kMenuKey, "Icon", "C:\\Tools\\TVX.exe");
  fp.registry.Put(RegRoot::ClassesRoot, kCmdKey, "", "C:\\Tools\\TVX.exe /setcmd \"%1\"");
  fp.registry.Put(RegRoot::ClassesRoot, kMenuKey, "Extended", "");  // not ours: left alone

  ASSERT_TRUE(ShellIntegrationPresent(fp, kExe));
  SetShellIntegration(fp, true, kExe);

  EXPECT_EQ(fp.registry.Text(RegRoot::ClassesRoot, kCmdKey, ""), ContextMenuCommand(kExe));
  EXPECT_TRUE(fp.registry.keys.at(FakeRegistry::Id(RegRoot::ClassesRoot, kMenuKey)).values.count("extended"));
  EXPECT_TRUE(ShellIntegrationPresent(fp, kExe));
  EXPECT_FALSE(ShellIntegrationNeedsRewrite(fp, kExe));
}

TEST(ContextMenuEntry, SwitchOffRemovesTheWholeEntrySilently) {
  FakePlatform fp;
  SetShellIntegration(fp, true, kExe);
  fp.registry.CreateKey(RegRoot::ClassesRoot, kMenuKey + "\\Extra\\Deeper");
  fp.registry.CreateKey(RegRoot::ClassesRoot, "AllFilesystemObjects\\Shell\\Other");

  SetShellIntegration(fp, false, kExe);
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::ClassesRoot, kMenuKey));
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::ClassesRoot, kCmdKey));
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::ClassesRoot, kMenuKey + "\\Extra\\Deeper"));
  EXPECT_TRUE(fp.registry.HasKey(RegRoot::ClassesRoot, "AllFilesystemObjects\\Shell\\Other"));
  EXPECT_FALSE(ShellIntegrationPresent(fp, kExe));

  // Nothing to delete: no error.
  EXPECT_NO_THROW(SetShellIntegration(fp, false, kExe));
}

TEST(ContextMenuEntry, KeyThatCannotBeCreatedStopsTheSwitch) {
  FakePlatform fp;
  fp.registry.unwritableKeys.insert(text::LowerAscii(kMenuKey));
  EXPECT_EQ(ErrorOf([&] { SetShellIntegration(fp, true, kExe); }),
            "Failed to create key AllFilesystemObjects\\Shell\\SetTVXcmd");
  EXPECT_EQ(fp.registry.calls.size(), 1u);

  FakePlatform second;
  second.registry.unwritableKeys.insert(text::LowerAscii(kCmdKey));
  EXPECT_EQ(ErrorOf([&] { SetShellIntegration(second, true, kExe); }),
            "Failed to create key AllFilesystemObjects\\Shell\\SetTVXcmd\\Command");
  EXPECT_TRUE(second.registry.HasKey(RegRoot::ClassesRoot, kMenuKey));
  EXPECT_EQ(second.registry.Text(RegRoot::ClassesRoot, kMenuKey, ""), "");
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
  EXPECT_EQ(registry.Text(RegRoot::ClassesRoot, kMenuKey, ""), "Set T&VX Command");  // earlier step stays done
  EXPECT_EQ(registry.Text(RegRoot::ClassesRoot, kCmdKey, ""), "");                   // later step not run

  registry.refuse = "";
  EXPECT_EQ(ErrorOf([&] { SetShellIntegration(platform, true, kExe); }), "Failed to set data for ''");
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

TEST(AppPaths, WriteAndDelete) {
  FakePlatform fp;
  EXPECT_TRUE(WriteAppPath(fp, "tvx.com", "C:\\Tools\\TVX.exe"));
  const std::string key = AppPathKey("tvx.exe");
  EXPECT_EQ(fp.registry.Text(RegRoot::LocalMachine, key, ""), "C:\\Tools\\TVX.exe");
  EXPECT_TRUE(WriteAppPath(fp, "tvx.exe", "D:\\New\\TVX.exe"));
  EXPECT_EQ(fp.registry.Text(RegRoot::LocalMachine, key, ""), "D:\\New\\TVX.exe");
  EXPECT_EQ(fp.registry.keys.at(FakeRegistry::Id(RegRoot::LocalMachine, key)).values.size(), 1u);

  fp.registry.CreateKey(RegRoot::LocalMachine, key + "\\SupportedProtocols");
  EXPECT_TRUE(DeleteAppPath(fp, "tvx"));
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::LocalMachine, key));
  EXPECT_FALSE(fp.registry.HasKey(RegRoot::LocalMachine, key + "\\SupportedProtocols"));
  EXPECT_FALSE(DeleteAppPath(fp, "tvx.exe"));  // gone already: false, no error
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
    std::optional<std::string> WriteNewFile(const std::string& p, const std::string& b) override {
      r.log.push_back("write " + p);
      return r.fp.files.WriteNewFile(p, b);
    }
    bool RemoveFile(const std::string& p) override {
      r.log.push_back("delete " + p);
      return r.fp.files.RemoveFile(p);
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
    fp.files.directories.insert("C:\\Users\\me\\Desktop");
    fp.files.directories.insert(kQuickLaunchFolder);
    fp.files.temp = "C:\\Temp\\";
  }
  static inline const std::string kQuickLaunchFolder =
      "C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";
};

const std::string kAppKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tvx.exe";
NativeWindow const kOwner = reinterpret_cast<NativeWindow>(0x1234);

TEST(Install, StepsInOrder) {
  Recorder r;
  Install(r.platform, kOwner, "C:\\My Tools\\");

  const std::vector<std::string> expected = {
      "link " + Recorder::kQuickLaunchFolder + "\\Tavrix.lnk",
      "link C:\\Users\\me\\Desktop\\Tavrix.lnk",
      "temp",
      "write C:\\Temp\\PinToTaskbar.vbs",
      "write C:\\Temp\\UnpinFromTaskbar.vbs",
      "run wscript.exe",
      "create key " + kAppKey,
      "set value " + kAppKey,
  };
  EXPECT_EQ(r.log, expected);

  for (const auto& w : r.fp.links.writes) {
    EXPECT_EQ(w.fields.target, "C:\\My Tools\\TVX.exe");
    EXPECT_EQ(w.fields.workingFolder, "C:\\My Tools\\");
    EXPECT_EQ(w.fields.arguments, "");
    EXPECT_FALSE(w.setIcon);
    EXPECT_FALSE(w.remember);
  }
  ASSERT_EQ(r.fp.shell.calls.size(), 1u);
  const test::ShellCall& run = r.fp.shell.calls[0];
  EXPECT_EQ(run.owner, kOwner);
  EXPECT_EQ(run.verb, "");
  EXPECT_EQ(run.file, "wscript.exe");
  // Both paths quoted, the script's as well as the program's.
  EXPECT_EQ(run.params, "\"C:\\Temp\\PinToTaskbar.vbs\" \"C:\\My Tools\\TVX.exe\"");
  EXPECT_EQ(run.directory, "C:\\Temp\\");
  EXPECT_EQ(run.show, kSwShowNormal);
  EXPECT_EQ(r.fp.registry.Text(RegRoot::LocalMachine, kAppKey, ""), "C:\\My Tools\\TVX.exe");
}

TEST(Install, ScriptBytes) {
  const std::string pin =
      "Set objShell = CreateObject(\"Shell.Application\")\r\n"
      "set filesystem = CreateObject(\"scripting.Filesystemobject\")\r\n"
      "Set objFolder = objShell.Namespace(filesystem.GetParentFolderName(Wscript.Arguments(0)))\r\n"
      "Set objFolderItem = objFolder.ParseName(filesystem.GetFileName(WScript.Arguments(0)))\r\n"
      "Set colVerbs = objFolderItem.Verbs\r\n"
      "For Each objVerb in colVerbs\r\n"
      "\tIf Replace(objVerb.name, \"&\", \"\") = \"Pin to Taskbar\" Then objVerb.DoIt\r\n"
      "Next\r\n";
  const std::string unpin = text::ReplaceAll(pin, "\"Pin to Taskbar\"", "\"Unpin from Taskbar\"");
  Recorder r;
  Install(r.platform, nullptr, kExe);
  EXPECT_EQ(r.fp.files.written.at("C:\\Temp\\PinToTaskbar.vbs"), pin);
  EXPECT_EQ(r.fp.files.written.at("C:\\Temp\\UnpinFromTaskbar.vbs"), unpin);
}

TEST(Install, ExistingScriptsAreKeptAndRunAgain) {
  Recorder r;
  r.fp.files.files.insert("C:\\Temp\\PinToTaskbar.vbs");
  Install(r.platform, nullptr, kExe);
  EXPECT_EQ(r.fp.files.written.count("C:\\Temp\\PinToTaskbar.vbs"), 0u);
  EXPECT_EQ(r.fp.files.written.count("C:\\Temp\\UnpinFromTaskbar.vbs"), 1u);

  r.log.clear();
  Install(r.platform, nullptr, kExe);  // second time: both shortcuts again, no script written
  EXPECT_EQ(std::count_if(r.log.begin(), r.log.end(), [](auto& s) { return s.rfind("write", 0) == 0; }), 0);
  EXPECT_EQ(std::count_if(r.log.begin(), r.log.end(), [](auto& s) { return s.rfind("link", 0) == 0; }), 2);
  EXPECT_EQ(r.fp.shell.calls.size(), 2u);
}

TEST(Install, MissingFoldersAreSkippedSilently) {
  Recorder r;
  r.fp.files.directories.erase(Recorder::kQuickLaunchFolder);
  Install(r.platform, nullptr, kExe);
  ASSERT_EQ(r.fp.links.writes.size(), 1u);
  EXPECT_EQ(r.fp.links.writes[0].path, "C:\\Users\\me\\Desktop\\Tavrix.lnk");
  EXPECT_EQ(r.fp.registry.Text(RegRoot::LocalMachine, kAppKey, ""), "C:\\Tools\\TVX.exe");

  // A save that fails in an existing folder leaves no shortcut and says nothing.
  Recorder saveFails;
  saveFails.fp.links.failWith = "Access denied.";
  saveFails.fp.links.failAsSave = true;
  Install(saveFails.platform, nullptr, kExe);
  EXPECT_EQ(saveFails.fp.registry.Text(RegRoot::LocalMachine, kAppKey, ""), "C:\\Tools\\TVX.exe");
  EXPECT_EQ(saveFails.fp.shell.calls.size(), 1u);

  Recorder none;
  none.fp.files.specialFolders.clear();
  Install(none.platform, nullptr, kExe);
  EXPECT_TRUE(none.fp.links.writes.empty());
  EXPECT_EQ(none.fp.shell.calls.size(), 1u);
}

TEST(Install, FailuresStopTheLaterSteps) {
  Recorder linkFails;
  linkFails.fp.links.failWith = "Class not registered";
  EXPECT_EQ(ErrorOf([&] { Install(linkFails.platform, nullptr, kExe); }), "Class not registered");
  EXPECT_EQ(linkFails.log, std::vector<std::string>{"link " + Recorder::kQuickLaunchFolder + "\\Tavrix.lnk"});

  Recorder scriptFails;
  scriptFails.fp.files.writeFailures["C:\\Temp\\UnpinFromTaskbar.vbs"] = "Access is denied.";
  EXPECT_EQ(ErrorOf([&] { Install(scriptFails.platform, nullptr, kExe); }),
            "Cannot create file \"C:\\Temp\\UnpinFromTaskbar.vbs\". Access is denied.");
  EXPECT_TRUE(scriptFails.fp.shell.calls.empty());
  EXPECT_FALSE(scriptFails.fp.registry.HasKey(RegRoot::LocalMachine, kAppKey));
  EXPECT_EQ(scriptFails.fp.links.writes.size(), 2u);  // earlier steps stay done

  Recorder registryFails;
  registryFails.fp.registry.unwritableKeys.insert(text::LowerAscii(kAppKey));
  EXPECT_EQ(ErrorOf([&] { Install(registryFails.platform, nullptr, kExe); }), "Failed to create key " + kAppKey);
  EXPECT_EQ(registryFails.fp.shell.calls.size(), 1u);
}

TEST(Uninstall, StepsInOrder) {
  Recorder r;
  r.fp.registry.Put(RegRoot::LocalMachine, kAppKey, "", "C:\\Tools\\TVX.exe");
  r.fp.registry.CreateKey(RegRoot::LocalMachine, kAppKey + "\\Sub");
  r.fp.files.files.insert("C:\\Temp\\UnpinFromTaskbar.vbs");  // kept as it is

  Uninstall(r.platform, kOwner, "C:\\Tools\\");
  const std::vector<std::string> expected = {
      "delete " + Recorder::kQuickLaunchFolder + "\\Tavrix.lnk",
      "delete C:\\Users\\me\\Desktop\\Tavrix.lnk",
      "temp",
      "write C:\\Temp\\PinToTaskbar.vbs",
      "run wscript.exe",
      "delete key " + kAppKey,
  };
  EXPECT_EQ(r.log, expected);
  ASSERT_EQ(r.fp.shell.calls.size(), 1u);
  EXPECT_EQ(r.fp.shell.calls[0].params, "\"C:\\Temp\\UnpinFromTaskbar.vbs\" \"C:\\Tools\\TVX.exe\"");
  EXPECT_EQ(r.fp.shell.calls[0].owner, kOwner);
  EXPECT_FALSE(r.fp.registry.HasKey(RegRoot::LocalMachine, kAppKey + "\\Sub"));

  // Again, with nothing left to remove: no error.
  EXPECT_NO_THROW(Uninstall(r.platform, kOwner, "C:\\Tools\\"));
}

TEST(Uninstall, WithoutFoldersDeletesNothingOutsideThem) {
  Recorder r;
  r.fp.files.specialFolders.clear();
  Uninstall(r.platform, nullptr, kExe);
  for (const std::string& step : r.log) {
    if (step.rfind("delete key", 0) != 0) {
      EXPECT_NE(step.rfind("delete ", 0), 0u) << step;
    }
  }
  EXPECT_EQ(r.fp.shell.calls.size(), 1u);
}

}  // namespace
}  // namespace tvx::shell
