#pragma once
// Fakes of the operating-system seam, recording what the logic asked for.
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tvx::test {

class FakeRegistry : public IRegistry {
 public:
  struct Key {
    std::map<std::string, RegValue> values;  // lower-cased value name
  };
  // Keys by "root|lower-cased path".
  std::map<std::string, Key> keys;
  std::set<std::string> unwritableKeys;  // CreateKey/SetString fail below these (lower-cased paths)
  std::set<std::string> noFullAccess;    // ReadValueFullAccess fails for these
  // As Windows treats a standard user (or an administrator under UAC): every
  // change below HKEY_LOCAL_MACHINE, and so through HKEY_CLASSES_ROOT, is refused.
  bool standardUser = false;

  static std::string Id(RegRoot root, const std::string& path);
  void Put(RegRoot root, const std::string& path, const std::string& name, const std::string& text,
           std::uint32_t type = kRegSz);
  void PutDword(RegRoot root, const std::string& path, const std::string& name, std::uint32_t value);
  bool HasKey(RegRoot root, const std::string& path) const;
  // Text of a value without its terminating zero, "" when missing.
  std::string Text(RegRoot root, const std::string& path, const std::string& name) const;

  RegValue ReadValue(RegRoot root, const std::string& keyPath, const std::string& name) override;
  RegValue ReadValueFullAccess(RegRoot root, const std::string& keyPath, const std::string& name) override;
  bool CreateKey(RegRoot root, const std::string& keyPath) override;
  bool SetString(RegRoot root, const std::string& keyPath, const std::string& name, const std::string& value) override;
  bool DeleteTree(RegRoot root, const std::string& keyPath) override;

  std::vector<std::string> calls;  // "Create <id>", "Set <id>|<name>", "Delete <id>", "Read <id>|<name>"
};

struct ShellCall {
  NativeWindow owner;
  std::string verb, file, params, directory;
  int show;
};

class FakeShell : public IShell {
 public:
  std::vector<ShellCall> calls;
  std::intptr_t result = 42;
  int unexpectedFailureAt = -1;  // the call, counted from 0, that throws something other than tvx::Error
  std::intptr_t Execute(NativeWindow owner, const std::string& verb, const std::string& file, const std::string& params,
                        const std::string& directory, int show) override {
    calls.push_back({owner, verb, file, params, directory, show});
    if (static_cast<int>(calls.size()) - 1 == unexpectedFailureAt) throw std::runtime_error("out of resources");
    return result;
  }
  std::vector<std::string> shownInFolder;           // paths, in order
  std::map<std::string, std::string> onSearchPath;  // bare name -> full path
  bool ShowInFolder(const std::string& path) override {
    shownInFolder.push_back(path);
    return true;
  }
  std::optional<std::string> FindOnSearchPath(const std::string& name) override {
    auto it = onSearchPath.find(name);
    if (it == onSearchPath.end()) return std::nullopt;
    return it->second;
  }
};

// ExpandEnvironmentStrings over a map: names compared without regard to case,
// undefined references left as they are.
class FakeEnvironment : public IEnvironment {
 public:
  std::map<std::string, std::string> vars;  // upper-cased names
  bool fail = false;
  void Set(const std::string& name, const std::string& value);
  std::optional<std::string> Expand(const std::string& text) override;
};

class FakeFileSystem : public IFileSystem {
 public:
  std::set<std::string> files;                 // exact paths
  std::set<std::string> directories;           // exact paths (with and without trailing "\" as the test adds them)
  std::map<std::string, std::string> written;  // path -> bytes
  std::map<std::string, std::string> writeFailures;  // path -> reason
  std::vector<std::string> deleted;
  std::map<int, std::string> specialFolders;  // csidl -> path without trailing "\"
  std::string temp = "C:\\Temp\\";

  bool FileExists(const std::string& path) override { return files.count(path) > 0 || written.count(path) > 0; }
  bool DirectoryExists(const std::string& path) override { return directories.count(path) > 0; }
  bool WriteNewFile(const std::string& path, const std::string& bytes, std::string& reason) override;
  bool RemoveFile(const std::string& path) override;
  std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes) override;
  std::optional<std::string> SpecialFolder(int csidl) override;
  std::optional<std::string> SpecialFolderCreate(int csidl) override { return SpecialFolder(csidl); }
  std::string TempFolder() override { return temp; }
};

class FakeShellLinks : public IShellLinks {
 public:
  struct Written {
    std::string path;
    ShortcutFields fields;
    bool setIcon;
    bool remember;
  };
  std::vector<Written> writes;
  std::map<std::string, ShortcutTarget> existing;  // what Read returns by path
  std::string failWith;                            // non-empty: Write raises this error
  bool failAsSave = false;                         // ... as a failed save of an existing link object
  std::vector<std::string> reads;
  void Write(const std::string& linkPath, const ShortcutFields& fields, bool setIcon, bool remember) override;
  ShortcutTarget Read(const std::string& linkPath) override;
};

class FakeSystem : public ISystem {
 public:
  std::string modulePath = "C:\\Tools\\TVX.exe";
  std::string commandLine = "TVX.exe";
  int priorityRaises = 0;
  std::set<std::string> windows;        // titles of existing top-level windows
  std::vector<std::string> quitPosted;  // titles WM_QUIT was posted to
  std::string ModulePath() override { return modulePath; }
  std::string CommandLine() override { return commandLine; }
  void RaisePriority() override { ++priorityRaises; }
  bool PostQuitToWindow(const std::string& title) override;
  int CollateCompare(const std::string& a, const std::string& b) override;
  int CollateCompareNoCase(const std::string& a, const std::string& b) override;
  bool mutexExists = false;
  std::vector<std::string> mutexes;
  int comInitialized = 0;
  bool CreateInstanceMutex(const std::string& name) override {
    mutexes.push_back(name);
    return mutexExists;
  }
  void InitializeCom() override { ++comInitialized; }
};

// All fakes together, with a Platform made of them.
struct FakePlatform {
  FakeRegistry registry;
  FakeShell shell;
  FakeEnvironment environment;
  FakeFileSystem files;
  FakeShellLinks links;
  FakeSystem system;
  Platform platform{registry, shell, environment, files, links, system};
  operator Platform&() { return platform; }
};

// A fresh, empty folder on the real file system, removed at the end; Path()
// ends with the platform's separator.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);

}  // namespace tvx::test
