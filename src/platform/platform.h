#pragma once
// The seam between the program's logic and the operating system. Logic code
// receives a Platform and never calls the OS itself; tests hand it fakes.
// Strings are in the platform's narrow (ANSI) encoding.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// <windows.h> maps DeleteFile to DeleteFileA; the seam keeps its own name in
// every translation unit, whichever header came first.
#ifdef DeleteFile
#undef DeleteFile
#endif

namespace tvx {

// An opaque native window handle (HWND on Windows); null means "no owner".
using NativeWindow = void*;

enum class RegRoot { CurrentUser, LocalMachine, ClassesRoot };

// Registry value types as the platform numbers them.
enum : std::uint32_t { kRegNone = 0, kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4 };

struct RegValue {
  bool found = false;      // false: key could not be opened, or no such value
  std::uint32_t type = 0;  // kRegSz, kRegExpandSz, ...
  std::string data;        // raw bytes as stored (text values include their zero, if stored)
};

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // Opens the key with read access only (never creates it) and reads one value;
  // an empty name is the key's default value.
  virtual RegValue ReadValue(RegRoot root, const std::string& keyPath, const std::string& name) = 0;
  // Opens the key with full access (KEY_ALL_ACCESS), without creating it, and
  // reads one value; a key that cannot be opened that way reads as not found.
  virtual RegValue ReadValueFullAccess(RegRoot root, const std::string& keyPath, const std::string& name) = 0;
  // Creates the key (and the keys above it) non-volatile with full access, or
  // opens it when it exists. False when it can be neither.
  virtual bool CreateKey(RegRoot root, const std::string& keyPath) = 0;
  // Opens the existing key with full access and sets a REG_SZ value (its
  // terminating zero counted). False when the key cannot be opened or the set fails.
  virtual bool SetString(RegRoot root, const std::string& keyPath, const std::string& name,
                         const std::string& value) = 0;
  // Deletes the key with everything below it: subkeys deepest first, each
  // level from the last index to the first. Returns whether the key itself went.
  virtual bool DeleteTree(RegRoot root, const std::string& keyPath) = 0;
};

// ShowWindow codes the program passes.
enum : int { kSwHide = 0, kSwShowNormal = 1, kSwShow = 5 };

class IShell {
 public:
  virtual ~IShell() = default;
  // ShellExecute: an empty verb is the target's default action. Returns the
  // platform's result (greater than 32 on success); callers mostly ignore it.
  virtual std::intptr_t Execute(NativeWindow owner, const std::string& verb, const std::string& file,
                                const std::string& params, const std::string& directory, int show) = 0;
};

class IEnvironment {
 public:
  virtual ~IEnvironment() = default;
  // ExpandEnvironmentStrings into an area of 32768 characters (zero included).
  // Returns nullopt when the call fails or the result does not fit.
  virtual std::optional<std::string> Expand(const std::string& text) = 0;
};

// Shell special-folder ids (CSIDL values) the program uses.
enum : int { kCsidlDesktop = 0, kCsidlAppData = 26 };

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // An existing entry that is not a folder (FindFirstFile semantics: wildcards match).
  virtual bool FileExists(const std::string& path) = 0;
  // GetFileAttributes succeeds and carries the directory attribute.
  virtual bool DirectoryExists(const std::string& path) = 0;
  // Creates or replaces the file with exactly these bytes, atomically. On
  // failure returns the system's reason text and the file is as it was (no
  // partly written file is left); nullopt on success.
  virtual std::optional<std::string> WriteNewFile(const std::string& path, const std::string& bytes) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  // Special folder through SHGetSpecialFolderLocation + SHGetPathFromIDList,
  // without trailing backslash; nullopt when the shell has none.
  virtual std::optional<std::string> SpecialFolder(int csidl) = 0;
  // SHGetSpecialFolderPathA with the create flag; nullopt when it fails.
  virtual std::optional<std::string> SpecialFolderCreate(int csidl) = 0;
  // GetTempPathA, with its trailing backslash.
  virtual std::string TempFolder() = 0;
};

// The seven values that describe a shortcut to write.
struct ShortcutFields {
  std::string target;
  std::string arguments;
  std::string iconFile;  // empty: no icon location is set
  int iconIndex = 0;
  std::string workingFolder;
};

struct ShortcutTarget {
  std::string target;
  std::string arguments;
};

class IShellLinks {
 public:
  virtual ~IShellLinks() = default;
  // Writes the .lnk file at linkPath through the shell link object. Raises
  // tvx::Error with the system's text for the failing result (or
  // "OLE error %.8x", or "Interface not supported") when the object, its
  // IPersistFile or the save fails. `remember` is IPersistFile::Save's flag.
  // With setIcon false no icon location is set at all.
  virtual void Write(const std::string& linkPath, const ShortcutFields& fields, bool setIcon, bool remember) = 0;
  // Loads the link without resolving it; empty texts when it cannot be read.
  virtual ShortcutTarget Read(const std::string& linkPath) = 0;
};

class ISystem {
 public:
  virtual ~ISystem() = default;
  // Full path of the running executable (argument 0).
  virtual std::string ModulePath() = 0;
  // The raw process command line.
  virtual std::string CommandLine() = 0;
  // SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS); result ignored.
  virtual void RaisePriority() = 0;
  // FindWindowA(no class, title); posts WM_QUIT (0, 0) to it when found.
  // Returns whether a window was found.
  virtual bool PostQuitToWindow(const std::string& title) = 0;
  // Creates the named mutex with initial ownership and keeps its handle until
  // the process ends. Returns true when the mutex already existed.
  virtual bool CreateInstanceMutex(const std::string& name) = 0;
  // CoInitialize for this (the user-interface) thread, once per process.
  virtual void InitializeCom() = 0;
  // The user locale's collation (lstrcmpA): <0, 0, >0.
  virtual int CollateCompare(const std::string& a, const std::string& b) = 0;
  // The same without regard to letter case (lstrcmpiA): the order of the
  // system's own sorted lists.
  virtual int CollateCompareNoCase(const std::string& a, const std::string& b) = 0;
};

// Everything the logic may ask of the operating system.
struct Platform {
  IRegistry& registry;
  IShell& shell;
  IEnvironment& environment;
  IFileSystem& files;
  IShellLinks& links;
  ISystem& system;
};

// Folder of a full path, with its trailing backslash (or slash off Windows).
std::string ExecutableFolder(const std::string& modulePath);

}  // namespace tvx
