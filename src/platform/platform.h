#pragma once
// The seam between the program's logic and the operating system. Logic code
// receives a Platform and never calls the OS itself; tests hand it fakes.
// Every string that crosses it is UTF-8: paths, names, registry texts, the
// command line. The implementation converts at its own boundary (on Windows
// to the UTF-16 of the wide calls), so any character the system can hold
// comes through, whatever the system's code page.
//
// Failure conventions, one per interface, named at the top of each:
// none of these interfaces raises, except IShellLinks::Write.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvx {

// An opaque native window handle (HWND on Windows); null means "no owner".
using NativeWindow = void*;

enum class RegRoot { CurrentUser, LocalMachine, ClassesRoot };

// Registry value types as the platform numbers them.
enum : std::uint32_t { kRegNone = 0, kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4 };

struct RegValue {
  bool found = false;      // false: key could not be opened, or no such value
  std::uint32_t type = 0;  // kRegSz, kRegExpandSz, ...
  // Text values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) as UTF-8, each stored
  // character kept, a stored terminating zero included as a zero byte; other
  // types as the raw bytes stored.
  std::string data;
};

// Failures are answered, never raised: a read that finds nothing (no key, no
// value, no access) gives found == false; a change that fails gives false.
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

// Failures are answered, never raised: Execute with the platform's result
// code, ShowInFolder with false, FindOnSearchPath with nullopt.
class IShell {
 public:
  virtual ~IShell() = default;
  // ShellExecute: an empty verb is the target's default action. Returns the
  // platform's result (greater than 32 on success); callers mostly ignore it.
  virtual std::intptr_t Execute(NativeWindow owner, const std::string& verb, const std::string& file,
                                const std::string& params, const std::string& directory, int show) = 0;
  // Opens the folder that holds the file (or folder) at the path, with it
  // selected. False when the path or the folder cannot be shown (and where
  // the platform has no such view).
  virtual bool ShowInFolder(const std::string& /*path*/) { return false; }
  // The full path of the program a start by this bare name finds on the
  // search path (".exe" added when the name has no extension); nullopt when
  // there is none. App Paths are the registry's and looked up by the caller.
  virtual std::optional<std::string> FindOnSearchPath(const std::string& /*name*/) { return std::nullopt; }
};

// Failures are answered with nullopt, never raised.
class IEnvironment {
 public:
  virtual ~IEnvironment() = default;
  // ExpandEnvironmentStrings into an area of 32768 UTF-16 characters (zero
  // included), so the longest result has 32767.
  // Returns nullopt when the call fails or the result does not fit.
  virtual std::optional<std::string> Expand(const std::string& text) = 0;
};

// Shell special-folder ids (CSIDL values) the program uses.
enum : int { kCsidlDesktop = 0, kCsidlPrograms = 2, kCsidlAppData = 26 };

// Failures are answered, never raised: a test of an entry that is not there
// or cannot be examined gives false; a folder the system does not give is
// nullopt (TempFolder: empty); a change that fails gives false (WriteNewFile
// also hands back the system's reason); a file that cannot be read is nullopt.
class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // An existing entry that is not a folder (FindFirstFile semantics: wildcards match).
  virtual bool FileExists(const std::string& path) = 0;
  // GetFileAttributes succeeds and carries the directory attribute.
  virtual bool DirectoryExists(const std::string& path) = 0;
  // Creates or replaces the file with exactly these bytes, atomically. A file
  // marked read-only is refused, as Windows refuses to replace it. On
  // failure returns false with the system's reason text in `reason`, and the
  // file is as it was (no partly written file is left).
  virtual bool WriteNewFile(const std::string& path, const std::string& bytes, std::string& reason) = 0;
  // Deletes one file; false when it is not there or cannot be deleted.
  virtual bool RemoveFile(const std::string& path) = 0;
  // The whole content of a file of at most maxBytes bytes; nullopt when it is
  // not there, cannot be read or is larger (and where the platform reads none).
  virtual std::optional<std::string> ReadSmallFile(const std::string& /*path*/, std::size_t /*maxBytes*/) {
    return std::nullopt;
  }
  // The file-system path of a special folder, of any length, without
  // trailing backslash; nullopt when the shell has none.
  virtual std::optional<std::string> SpecialFolder(int csidl) = 0;
  // The same, the folder created when it is missing; nullopt when it fails.
  virtual std::optional<std::string> SpecialFolderCreate(int csidl) = 0;
  // GetTempPath, with its trailing backslash; empty when the system has none.
  virtual std::string TempFolder() = 0;
};

// A shortcut key as the shell link keeps it: the virtual key in the low
// byte, the modifiers in the high byte; 0 is none.
enum : std::uint16_t { kHotkeyShift = 0x100, kHotkeyControl = 0x200, kHotkeyAlt = 0x400 };

// The values that describe a shortcut to write.
struct ShortcutFields {
  std::string target;
  std::string arguments;
  std::string iconFile;  // empty: no icon location is set
  int iconIndex = 0;
  std::string workingFolder;
  std::uint16_t hotkey = 0;  // 0: no shortcut key is set
};

// What the program reads back from a shortcut.
struct ShortcutTarget {
  std::string target;
  std::string arguments;
  std::uint16_t hotkey = 0;
};

// Writing raises tvx::Error on failure (the one interface that does: the
// caller's action ends with the system's text); reading answers an unreadable
// link with empty texts.
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

// Never raises. The calls whose failure the program can do nothing about
// (priority, COM, posting) report none; the others answer as noted.
class ISystem {
 public:
  virtual ~ISystem() = default;
  // Full path of the running executable (argument 0).
  virtual std::string ModulePath() = 0;
  // The raw process command line (split by the program's own rules, not here).
  virtual std::string CommandLine() = 0;
  // SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS); result ignored.
  virtual void RaisePriority() = 0;
  // FindWindow(no class, title); posts WM_QUIT (0, 0) to it when found.
  // Returns whether a window was found.
  virtual bool PostQuitToWindow(const std::string& title) = 0;
  // Creates the named mutex with initial ownership and keeps its handle until
  // the process ends. Returns true when the mutex already existed.
  virtual bool CreateInstanceMutex(const std::string& name) = 0;
  // CoInitialize for this (the user-interface) thread, once per process.
  virtual void InitializeCom() = 0;
  // The user locale's collation (CompareString, word sort): <0, 0, >0.
  virtual int CollateCompare(const std::string& a, const std::string& b) = 0;
  // The same without regard to letter case: the order of the
  // system's own sorted lists.
  virtual int CollateCompareNoCase(const std::string& a, const std::string& b) = 0;
  // Appends to `keys` a key whose byte order is CollateCompare's order (with
  // `ignoreCase`, CollateCompareNoCase's), so that a long list sorts with one
  // call per item instead of one per comparison; false where the platform
  // has no such keys.
  virtual bool AppendCollationKey(std::string_view /*text*/, bool /*ignoreCase*/, std::string& /*keys*/) {
    return false;
  }
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

// The one way paths are joined: the folder, a backslash unless the folder is
// empty or already ends with a separator ("\\" or "/"), then the name.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace tvx
