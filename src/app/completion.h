#pragma once
// Name completion for the command box: the best command name that the last
// typed word begins.
#include <functional>
#include <string>
#include <vector>

namespace tvx::app {

class NameCompletion {
 public:
  using Order = std::function<int(const std::string&, const std::string&)>;
  using Launches = std::function<int(const std::string&)>;

  // The names of section Command as stored; `launches` tells how often a name
  // was launched, `order` is the command manager's order (<0, 0, >0). Both
  // are asked when a suggestion is first wanted, not here: a start that is
  // never typed into reads no history.
  void SetNames(std::vector<std::string> names, Launches launches, Order order);
  const std::vector<std::string>& Names() const { return names_; }

  struct Match {
    size_t wordStart = 0;  // where the last word of the text begins
    size_t typedEnd = 0;   // where the typed word ends in the name
    std::string name;      // the whole name, in its stored letter case
  };
  // The best name for the text's last word (the text after its last blank):
  // one the word begins without regard to letter case, when the word is not
  // empty and not itself a name. Best: launched most often, then the
  // shortest, then the first in the manager's order. False when none.
  bool Best(const std::string& text, Match& match) const;
  // The part of the best name after the typed word; empty when there is none.
  std::string Suggestion(const std::string& text) const;
  // The text with its last word completed to the best name; the text itself
  // when there is none.
  std::string Complete(const std::string& text) const;

 private:
  void Prepare() const;
  std::vector<std::string> names_;
  Launches launchesOf_;
  Order order_;
  mutable bool prepared_ = false;
  mutable std::vector<std::string> folded_;  // the names case-folded
  mutable std::vector<int> launches_;
};

}  // namespace tvx::app
