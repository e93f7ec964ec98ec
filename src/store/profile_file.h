#pragma once
// The data file engine: an INI ("profile") file read once per user action and
// written durably, key by key. See profile_file.cpp for the format rules.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tvx::store {

// Raises the tvx::Error that writing key=value into the section would raise
// for text the format cannot hold; does nothing for storable text. WriteString
// and Apply check every change with it before the file changes at all.
void CheckStorable(const std::string& section, const std::string& key, const std::string& value);

class ProfileFile {
 public:
  // Opens the file, which is read and indexed once, when first consulted (a
  // write alone reads it inside the lock). A missing file is an empty one.
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
  // Each key ListKeys lists, in file order, with the value ReadString gives
  // for it; the texts are valid during the call only.
  void ReadSection(const std::string& section,
                   const std::function<void(std::string_view key, std::string_view value)>& each) const;
  // Decimal, or hexadecimal after "0x", "0X" or "$"; anything else gives 0;
  // a missing key gives the default.
  int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;

  // Writes key=value durably (on disk, atomically replaced, under a
  // cross-process lock, merged with the file's current content). Raises
  // tvx::Error "Unable to write to <path>" when the file cannot be written,
  // and a clear tvx::Error for text the format cannot hold.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  // Removes the key's line (the first of that name in any section of the
  // name); true when there was one. A missing key changes nothing. Raises
  // "Unable to write to <path>" when the file cannot be written.
  bool DeleteKey(const std::string& section, const std::string& key);

  // Several writes and deletions that one user action makes.
  class Changes {
   public:
    void Write(const std::string& section, const std::string& key, const std::string& value);
    void Delete(const std::string& section, const std::string& key);
    // The first section of the name holds exactly these entries afterwards,
    // in this order (a missing section is added at the end): one change to
    // the text however many lines the section held, so that a section of any
    // size is rewritten in one pass.
    void ReplaceSection(const std::string& section, std::vector<std::pair<std::string, std::string>> entries);
    bool Empty() const { return list_.empty(); }
    size_t Size() const { return list_.size(); }

   private:
    friend class ProfileFile;
    struct Change {
      std::string section, key;
      std::optional<std::string> value;  // none: delete the key
      bool wholeSection = false;         // ReplaceSection: the entries below
      std::vector<std::pair<std::string, std::string>> entries;
    };
    std::vector<Change> list_;
  };
  // Makes the changes in order, each as WriteString or DeleteKey would, and
  // stores the result in one durable, atomic replace of the file under the
  // lock: the file then holds exactly the bytes the separate calls would have
  // left, or, when anything fails, stays as it was. Text the format cannot
  // hold is refused before anything changes. Returns how many deletions
  // removed a line.
  int Apply(const Changes& changes);
  // The same, with the changes planned inside the lock from the file's
  // current content (`current` is this file, read afresh): a writer that
  // numbers or counts from what is stored cannot lose a concurrent
  // writer's entry.
  int Apply(const std::function<void(const ProfileFile& current, Changes& changes)>& plan);

  // Ends the user action's use of the file.
  void Release();

 private:
  int ApplyLocked(const Changes& changes);
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tvx::store
