// The history file is an INI text of two sections:
//   [Recent]    <sequence number>="<text>"   (higher numbers are newer)
//   [Launches]  <command name>=<count>
// Each launch adds one numbered entry and drops the repeat and the oldest
// beyond the limit, so it never renumbers the others: one durable write.
#include "app/history.h"

#include <algorithm>
#include <cstdlib>

#include "platform/text.h"
#include "store/profile_file.h"

namespace tvx::app {

namespace {

constexpr const char* kRecent = "Recent";
constexpr const char* kLaunches = "Launches";

struct Entry {
  unsigned long long seq;
  std::string key;
  std::string text;
};

// The numbered entries, newest first; keys that are not sequence numbers and
// empty texts are passed over.
std::vector<Entry> ReadEntries(const store::ProfileFile& file) {
  std::vector<Entry> entries;
  for (const std::string& key : file.ListKeys(kRecent)) {
    if (key.empty() || key.size() > 19 || key.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string text = text::Trim(file.ReadString(kRecent, key));
    if (text.empty()) continue;
    entries.push_back({std::strtoull(key.c_str(), nullptr, 10), key, std::move(text)});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.seq > b.seq; });
  return entries;
}

}  // namespace

void History::Load(const std::string& path) {
  path_ = path;
  texts_.clear();
  launches_.clear();
  try {
    store::ProfileFile file(path);
    for (Entry& e : ReadEntries(file)) {
      bool repeat = std::any_of(texts_.begin(), texts_.end(),
                                [&](const std::string& t) { return text::EqualsNoCase(t, e.text); });
      if (!repeat && texts_.size() < kHistoryLimit) texts_.push_back(std::move(e.text));
    }
    for (const std::string& name : file.ListKeys(kLaunches)) {
      int n = file.ReadInteger(kLaunches, name, 0);
      if (n > 0) launches_[text::LowerAscii(name)] += n;
    }
    file.Release();
  } catch (...) {
    texts_.clear();
    launches_.clear();
  }
}

int History::Launches(const std::string& name) const {
  auto it = launches_.find(text::LowerAscii(name));
  return it == launches_.end() ? 0 : it->second;
}

void History::Record(const std::string& typed, const std::vector<std::string>& launchedNames) {
  const std::string text = text::Trim(typed);
  if (text.empty() || path_.empty()) return;
  texts_.erase(
      std::remove_if(texts_.begin(), texts_.end(), [&](const std::string& t) { return text::EqualsNoCase(t, text); }),
      texts_.end());
  texts_.insert(texts_.begin(), text);
  if (texts_.size() > kHistoryLimit) texts_.resize(kHistoryLimit);
  std::vector<std::string> counted;
  for (const std::string& name : launchedNames) {
    std::string folded = text::LowerAscii(name);
    if (std::find(counted.begin(), counted.end(), folded) != counted.end()) continue;
    counted.push_back(folded);
    ++launches_[folded];
  }
  // The memory above is what this run shows; the file follows as far as it can.
  Wait();
  try {
    writer_ = std::thread(Write, path_, text, launchedNames);
  } catch (...) {
    Write(path_, text, launchedNames);  // no thread to be had: written here
  }
}

History::~History() { Wait(); }

void History::Wait() {
  if (writer_.joinable()) writer_.join();
}

void History::Write(const std::string& path, const std::string& text, const std::vector<std::string>& launchedNames) {
  try {
    store::ProfileFile file(path);
    std::vector<Entry> entries = ReadEntries(file);
    unsigned long long next = entries.empty() ? 1 : entries.front().seq + 1;
    // One durable replace of the file for the whole launch: the new entry
    // (quoted, so that the engine's removal of one enclosing pair keeps a
    // text's own quotes), the repeat and the oldest beyond the limit gone,
    // and each launched name counted once more.
    store::ProfileFile::Changes changes;
    changes.Write(kRecent, std::to_string(next), "\"" + text + "\"");
    size_t kept = 0;
    for (const Entry& e : entries) {
      if (text::EqualsNoCase(e.text, text) || kept + 1 >= kHistoryLimit)
        changes.Delete(kRecent, e.key);
      else
        ++kept;
    }
    std::vector<std::string> counted;
    for (const std::string& name : launchedNames) {
      std::string folded = text::LowerAscii(name);
      if (std::find(counted.begin(), counted.end(), folded) != counted.end()) continue;
      counted.push_back(folded);
      changes.Write(kLaunches, name, std::to_string(file.ReadInteger(kLaunches, name, 0) + 1));
    }
    file.Apply(changes);
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
