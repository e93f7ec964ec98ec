#include "app/completion.h"

#include <cstring>

#include "platform/text.h"

namespace tvx::app {

void NameCompletion::SetNames(std::vector<std::string> names, const Launches& launches, Order order) {
  names_ = std::move(names);
  order_ = std::move(order);
  folded_.clear();
  launches_.clear();
  folded_.reserve(names_.size());
  launches_.reserve(names_.size());
  for (const std::string& name : names_) {
    folded_.push_back(text::LowerAscii(name));
    launches_.push_back(launches ? launches(name) : 0);
  }
}

bool NameCompletion::Best(const std::string& text, Match& match) const {
  size_t blank = text.rfind(' ');
  size_t start = blank == std::string::npos ? 0 : blank + 1;
  if (start >= text.size()) return false;
  const std::string word = text::LowerAscii(text.substr(start));
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
  return true;
}

std::string NameCompletion::Suggestion(const std::string& text) const {
  Match m;
  if (!Best(text, m)) return std::string();
  return m.name.substr(text.size() - m.wordStart);
}

std::string NameCompletion::Complete(const std::string& text) const {
  Match m;
  if (!Best(text, m)) return text;
  return text.substr(0, m.wordStart) + m.name;
}

}  // namespace tvx::app
