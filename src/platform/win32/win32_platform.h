#pragma once
// The operating-system seam on Windows: one object per interface of
// platform/platform.h, each a thin layer over the Win32 / shell / COM calls.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/scoped.h"

namespace tvx::win32 {

// The system's text for a failing result code, trailing line break removed;
// "OLE error XXXXXXXX" (eight upper-case hex digits) when the system has none.
std::string SystemErrorText(HRESULT result);
// The system's text for a GetLastError code, trailing line break removed;
// "System error N" when the system has none.
std::string LastErrorText(DWORD code);

HKEY RootKey(RegRoot root);

class Win32Registry : public IRegistry {
 public:
  RegValue ReadValue(RegRoot root, const std::string& keyPath, const std::string& name) override;
  RegValue ReadValueFullAccess(RegRoot root, const std::string& keyPath, const std::string& name) override;
  bool CreateKey(RegRoot root, const std::string& keyPath) override;
  bool SetString(RegRoot root, const std::string& keyPath, const std::string& name, const std::string& value) override;
  bool DeleteTree(RegRoot root, const std::string& keyPath) override;
};

class Win32Shell : public IShell {
 public:
  std::intptr_t Execute(NativeWindow owner, const std::string& verb, const std::string& file, const std::string& params,
                        const std::string& directory, int show) override;
  bool ShowInFolder(const std::string& path) override;  // shell_select_win32.cpp
  std::optional<std::string> FindOnSearchPath(const std::string& name) override;
};

class Win32Environment : public IEnvironment {
 public:
  std::optional<std::string> Expand(const std::string& text) override;
};

class Win32FileSystem : public IFileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool WriteNewFile(const std::string& path, const std::string& bytes, std::string& reason) override;
  bool RemoveFile(const std::string& path) override;
  std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes) override;
  std::optional<std::string> SpecialFolder(int csidl) override;
  std::optional<std::string> SpecialFolderCreate(int csidl) override;
  std::string TempFolder() override;
};

class Win32ShellLinks : public IShellLinks {
 public:
  void Write(const std::string& linkPath, const ShortcutFields& fields, bool setIcon, bool remember) override;
  ShortcutTarget Read(const std::string& linkPath) override;
};

class Win32System : public ISystem {
 public:
  Win32System() = default;
  Win32System(const Win32System&) = delete;
  Win32System& operator=(const Win32System&) = delete;

  std::string ModulePath() override;
  std::string CommandLine() override;
  void RaisePriority() override;
  bool PostQuitToWindow(const std::string& title) override;
  bool CreateInstanceMutex(const std::string& name) override;
  void InitializeCom() override;
  int CollateCompare(const std::string& a, const std::string& b) override;
  int CollateCompareNoCase(const std::string& a, const std::string& b) override;
  bool AppendCollationKey(std::string_view text, bool ignoreCase, std::string& keys) override;

 private:
  std::optional<ScopedComApartment> com_;  // this thread's, once asked for
  std::vector<ScopedHandle> mutexes_;      // held until the process ends
};

// Owns one implementation of each interface and bundles them for the logic.
class Win32Platform {
 public:
  Win32Platform();
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Platform& Get() { return platform_; }

 private:
  Win32Registry registry_;
  Win32Shell shell_;
  Win32Environment environment_;
  Win32FileSystem files_;
  Win32ShellLinks links_;
  Win32System system_;
  Platform platform_;
};

}  // namespace tvx::win32
