#pragma once
// The data file engine: an INI ("profile") file read once per user action and
// written durably, key by key. See profile_file.cpp for the format rules.
#include <memory>
#include <string>
#include <vector>

namespace tvx::store {

// Raises the tvx::Error that writing key=value into the section would raise
// for text the format cannot hold; does nothing for storable text. Lets an
// action that removes something before it writes check first.
void CheckStorable(const std::string& section, const std::string& key, const std::string& value);

class ProfileFile {
 public:
  // Opens the file: reads and indexes it once. A missing file is an empty one.
  explicit ProfileFile(std::string path);
  // The same rules over bytes held in memory, with no file behind them:
  // writes change Bytes() only. For checking the text rules quickly.
  struct InMemory {
    std::string bytes;
  };
  explicit ProfileFile(InMemory text);
  ~ProfileFile();
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  const std::string& Path() const;
  // The file's bytes as last read or written (empty after Release).
  const std::string& Bytes() const;

  // Value of the key, blanks trimmed and one enclosing pair of matching quotes
  // removed; empty when the section, key or file is missing. Never truncated.
  std::string ReadString(const std::string& section, const std::string& key) const;
  // Keys of the section in file order; every key, whatever their total length.
  std::vector<std::string> ListKeys(const std::string& section) const;
  // Decimal, or hexadecimal after "0x", "0X" or "$"; anything else gives 0;
  // a missing key gives the default.
  int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;

  // Writes key=value durably (on disk, atomically replaced, under a
  // cross-process lock, merged with the file's current content). Raises
  // tvx::Error "Unable to write to <path>" when the file cannot be written,
  // and a clear tvx::Error for text the format cannot hold.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  // Removes the key's line; a missing key or a failed write is ignored.
  void DeleteKey(const std::string& section, const std::string& key);

  // Ends the user action's use of the file.
  void Release();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The data file's path: the executable's folder (with its trailing separator) + "TVX.dat".
std::string DataFilePath(const std::string& executableFolder);

}  // namespace tvx::store
