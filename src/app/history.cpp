// The history file is an INI text of two sections:
//   [Recent]    <sequence number>="<text>"   (higher numbers are newer)
//   [Launches]  <command name>=<count>
// Each launch rewrites [Recent] whole, numbered from 1 up to the newest, in
// one change of the file: the repeat and the oldest beyond the limit go in
// the same pass, however large the file had grown, and the numbers never
// outgrow what a reader takes.
#include "app/history.h"

#include <algorithm>
#include <climits>
#include <unordered_set>

#include "platform/case_fold.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "store/profile_file.h"

namespace tvx::app {

namespace {

constexpr const char* kRecent = "Recent";
constexpr const char* kLaunches = "Launches";

// The newest texts of [Recent], newest first: no repeats (in any letter
// case), none equal to `skip`, at most `limit`. Keys are sequence numbers of
// any length; other keys and empty texts are passed over.
std::vector<std::string> NewestTexts(const store::ProfileFile& file, size_t limit, const std::string& skip) {
  struct Entry {
    std::string number;  // its digits without leading zeros
    std::string text;
  };
  std::vector<Entry> entries;
  file.ReadSection(kRecent, [&](std::string_view key, std::string_view value) {
    if (key.empty() || key.find_first_not_of("0123456789") != std::string_view::npos) return;
    std::string text = text::Trim(std::string(value));
    if (text.empty()) return;
    key.remove_prefix(std::min(key.find_first_not_of('0'), key.size()));
    entries.push_back({std::string(key), std::move(text)});
  });
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  // Newer first; of equal numbers the earlier line.
  auto newer = [&](size_t a, size_t b) {
    const std::string& x = entries[a].number;
    const std::string& y = entries[b].number;
    if (x.size() != y.size()) return x.size() > y.size();
    if (x != y) return x > y;
    return a < b;
  };
  const std::string skipped = text::Folded(skip);
  std::vector<std::string> texts;
  // Usually the newest few hold every text kept: only those are sorted, and
  // all of them only when repeats leave too few.
  for (size_t sorted = std::min(order.size(), 4 * limit + 4);; sorted = order.size()) {
    std::nth_element(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(sorted), order.end(), newer);
    std::sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(sorted), newer);
    texts.clear();
    std::unordered_set<std::string> seen{skipped};
    for (size_t i = 0; i < sorted && texts.size() < limit; ++i) {
      std::string& text = entries[order[i]].text;
      if (seen.insert(text::Folded(text)).second) texts.push_back(text);
    }
    if (texts.size() >= limit || sorted == order.size()) return texts;
  }
}

// Each name once, however often and in whatever letter case it was given.
std::vector<std::string> DistinctNames(const std::vector<std::string>& names) {
  std::vector<std::string> distinct;
  std::unordered_set<std::string> seen;
  for (const std::string& name : names)
    if (seen.insert(text::Folded(name)).second) distinct.push_back(name);
  return distinct;
}

}  // namespace

void History::SetFile(const std::string& path) {
  path_ = path;
  read_ = false;
  texts_.clear();
  launches_.clear();
}

void History::Load(const std::string& path) {
  SetFile(path);
  Read();
}

void History::Read() {
  read_ = true;
  texts_.clear();
  launches_.clear();
  if (path_.empty()) return;
  Wait();  // this run's own write goes first
  try {
    std::string bytes;
    if (fileio::ReadWholeFile(path_, bytes, kHistoryReadLimit) != fileio::ReadStatus::Ok) return;
    store::ProfileFile file(store::ProfileFile::InMemory{std::move(bytes)});
    texts_ = NewestTexts(file, kHistoryLimit, std::string());
    for (const std::string& name : file.ListKeys(kLaunches)) {
      // The first line of a name counts, as the engine reads it.
      int n = file.ReadInteger(kLaunches, name, 0);
      launches_.emplace(text::Folded(name), std::max(n, 0));
    }
  } catch (...) {
    texts_.clear();
    launches_.clear();
  }
}

const std::vector<std::string>& History::Texts() {
  if (!read_) Read();
  return texts_;
}

int History::Launches(const std::string& name) {
  if (!read_) Read();
  auto it = launches_.find(text::Folded(name));
  return it == launches_.end() ? 0 : it->second;
}

void History::Record(const std::string& typed, const std::vector<std::string>& launchedNames) {
  const std::string text = text::Trim(typed);
  if (text.empty() || path_.empty()) return;
  if (read_) {
    texts_.erase(
        std::remove_if(texts_.begin(), texts_.end(), [&](const std::string& t) { return text::EqualsFolded(t, text); }),
        texts_.end());
    texts_.insert(texts_.begin(), text);
    if (texts_.size() > kHistoryLimit) texts_.resize(kHistoryLimit);
    for (const std::string& name : DistinctNames(launchedNames)) {
      int& n = launches_[text::Folded(name)];
      if (n < INT_MAX) ++n;
    }
  }
  // The memory above is what this run shows; the file follows as far as it can.
  Wait();
  try {
    written_ = std::make_shared<Written>();
    writer_ = std::thread([path = path_, text, launchedNames, written = written_] {
      Write(path, text, launchedNames);
      std::lock_guard<std::mutex> hold(written->lock);
      written->done = true;
      written->changed.notify_all();
    });
  } catch (...) {
    written_.reset();
    Write(path_, text, launchedNames);  // no thread to be had: written here
  }
}

History::~History() {
  if (!writer_.joinable()) return;
  if (abandoned_)
    writer_.detach();
  else
    writer_.join();
}

void History::Wait() {
  if (writer_.joinable()) writer_.join();
  abandoned_ = false;
}

bool History::Finish(std::chrono::milliseconds limit) {
  if (!writer_.joinable()) return true;
  if (written_) {
    std::unique_lock<std::mutex> hold(written_->lock);
    if (!written_->changed.wait_for(hold, limit, [this] { return written_->done; })) {
      abandoned_ = true;
      return false;
    }
  }
  Wait();
  return true;
}

void History::Write(const std::string& path, const std::string& text, const std::vector<std::string>& launchedNames) {
  try {
    store::ProfileFile file(path);
    // Planned inside the lock from what the file holds then, so that a
    // launcher writing at the same time loses neither its text nor its counts.
    file.Apply([&](const store::ProfileFile& current, store::ProfileFile::Changes& changes) {
      std::vector<std::string> older = NewestTexts(current, kHistoryLimit - 1, text);
      std::vector<std::pair<std::string, std::string>> recent;
      recent.reserve(older.size() + 1);
      // Quoted, so that the engine's removal of one enclosing pair keeps a
      // text's own quotes.
      for (size_t i = older.size(); i-- > 0;)
        recent.emplace_back(std::to_string(recent.size() + 1), "\"" + older[i] + "\"");
      recent.emplace_back(std::to_string(recent.size() + 1), "\"" + text + "\"");
      changes.ReplaceSection(kRecent, std::move(recent));
      for (const std::string& name : DistinctNames(launchedNames)) {
        int n = current.ReadInteger(kLaunches, name, 0);
        changes.Write(kLaunches, name, std::to_string(n < 0 ? 1 : n < INT_MAX ? n + 1 : n));
      }
    });
    file.Release();
  } catch (...) {
    // A history that cannot be written never stands in a launch's way.
  }
}

bool HistoryRecall::Older(const std::vector<std::string>& texts, const std::string& current, std::string& shown) {
  if (index_ + 1 >= static_cast<int>(texts.size())) return false;
  if (index_ < 0) typed_ = current;
  shown = texts[static_cast<size_t>(++index_)];
  return true;
}

bool HistoryRecall::Newer(const std::vector<std::string>& texts, std::string& shown) {
  if (index_ < 0) return false;
  --index_;
  shown = index_ < 0 ? typed_ : texts[static_cast<size_t>(std::min<int>(index_, static_cast<int>(texts.size()) - 1))];
  return true;
}

}  // namespace tvx::app
