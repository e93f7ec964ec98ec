#pragma once
// What the launcher remembers between starts: the last command texts
// launched from its boxes (newest first, no repeats) and how often each
// command name was launched. Kept in a file of its own beside the data file,
// so that a launch never rewrites the command list.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace tvx::app {

inline constexpr size_t kHistoryLimit = 100;
// A history file larger than this was not written by the launcher: it is not
// read for the window (which shows an empty history) and the next launch's
// write trims it.
inline constexpr size_t kHistoryReadLimit = size_t{4} << 20;

class History {
 public:
  History() = default;
  // Waits for a write still under way, unless Finish gave up on it: that
  // write is left running on its own.
  ~History();
  History(const History&) = delete;
  History& operator=(const History&) = delete;

  // The file to use; it is read when its texts or counts are first asked
  // for, so that a start that never needs them never reads it.
  void SetFile(const std::string& path);
  // SetFile, read at once. A missing, unreadable, damaged or oversized file
  // is an empty history.
  void Load(const std::string& path);

  // Newest first.
  const std::vector<std::string>& Texts();
  // How often the name was launched, its letters compared as every name
  // match compares them (case folded).
  int Launches(const std::string& name);

  // Remembers a launched text and counts each launched name. The text goes
  // first (an earlier equal text, in any letter case, is dropped; the oldest
  // beyond the limit go) in memory, when the history was read. The file is
  // written durably through the data file engine on a thread of its own, so
  // that the launch that follows never waits for it; a failed write is not
  // reported.
  void Record(const std::string& text, const std::vector<std::string>& launchedNames);
  // Waits until the file holds what Record was given (or its write failed).
  void Wait();
  // Waits at most `limit` for the write; false when it is still under way.
  // The file is replaced whole or not at all, so the process may then end
  // without it (by an end that runs no static destructors: the write uses them).
  bool Finish(std::chrono::milliseconds limit);

 private:
  void Read();
  static void Write(const std::string& path, const std::string& text, const std::vector<std::string>& names);
  std::thread writer_;
  // Told when the writer is done; shared with it, since an abandoned writer
  // may outlive this object. (A future would serve, but its call_once does
  // not link with clang against MinGW's library.)
  struct Written {
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
  };
  std::shared_ptr<Written> written_;
  bool abandoned_ = false;
  bool read_ = false;
  std::string path_;
  std::vector<std::string> texts_;
  std::unordered_map<std::string, int> launches_;  // case-folded names
};

// Up and Down in the command box: steps through the remembered texts as the
// Run box's list does; past the newest comes back the text being typed.
class HistoryRecall {
 public:
  // The text to show after Up (older) or Down (newer); false when there is
  // nothing further that way. `current` is the box's text now.
  bool Older(const std::vector<std::string>& texts, const std::string& current, std::string& shown);
  bool Newer(const std::vector<std::string>& texts, std::string& shown);
  // The user changed the text: the next Up starts again from the newest.
  void Reset() { index_ = -1; }

 private:
  int index_ = -1;  // -1: the text being typed
  std::string typed_;
};

}  // namespace tvx::app
