#include "app/completion.h"

#include <cstring>

#include "platform/case_fold.h"
#include "platform/utf8.h"

namespace tvx::app {

void NameCompletion::SetNames(std::vector<std::string> names, Launches launches, Order order) {
  names_ = std::move(names);
  launchesOf_ = std::move(launches);
  order_ = std::move(order);
  prepared_ = false;
  folded_.clear();
  launches_.clear();
}

void NameCompletion::Prepare() const {
  if (prepared_) return;
  prepared_ = true;
  folded_.reserve(names_.size());
  launches_.reserve(names_.size());
  for (const std::string& name : names_) {
    folded_.push_back(text::Folded(name));
    launches_.push_back(launchesOf_ ? launchesOf_(name) : 0);
  }
}

bool NameCompletion::Best(const std::string& text, Match& match) const {
  size_t blank = text.rfind(' ');
  size_t start = blank == std::string::npos ? 0 : blank + 1;
  if (start >= text.size()) return false;
  Prepare();
  const std::string word = text::Folded(text.substr(start));
  const size_t n = word.size();
  size_t best = names_.size();
  for (size_t i = 0; i < folded_.size(); ++i) {
    const std::string& f = folded_[i];
    if (f.size() < n || std::memcmp(f.data(), word.data(), n) != 0) continue;
    if (f.size() == n) return false;  // the word is a name already
    if (best == names_.size()) {
      best = i;
      continue;
    }
    if (launches_[i] != launches_[best]) {
      if (launches_[i] > launches_[best]) best = i;
    } else if (f.size() != folded_[best].size()) {
      if (f.size() < folded_[best].size()) best = i;
    } else if (order_ && order_(names_[i], names_[best]) < 0) {
      best = i;
    }
  }
  if (best == names_.size()) return false;
  match.wordStart = start;
  match.name = names_[best];
  // Where the typed part ends in the stored name: a letter and its fold may
  // differ in length (the Kelvin sign and "k").
  const std::string& name = names_[best];
  size_t at = 0, foldedLength = 0;
  while (at < name.size() && foldedLength < n) {
    const char32_t c = utf8::Next(name, at);
    if (c >= utf8::kInvalidByte) {
      ++foldedLength;  // kept as it is by the fold
      continue;
    }
    std::string one;
    utf8::Append(one, text::FoldCase(c));
    foldedLength += one.size();
  }
  match.typedEnd = at;
  return true;
}

std::string NameCompletion::Suggestion(const std::string& text) const {
  Match m;
  if (!Best(text, m)) return std::string();
  return m.name.substr(m.typedEnd);
}

std::string NameCompletion::Complete(const std::string& text) const {
  Match m;
  if (!Best(text, m)) return text;
  return text.substr(0, m.wordStart) + m.name;
}

}  // namespace tvx::app
