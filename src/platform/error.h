#pragma once
// The one error type of the program: its message is what the user sees.
// Raising it ends the current user action; the event dispatch in ui/ shows it.
#include <stdexcept>
#include <string>

namespace tvx {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The link object was there but saving the shortcut file failed. Callers that
// treat a missing shortcut as harmless catch this one only.
class ShortcutSaveFailed : public Error {
 public:
  using Error::Error;
};

// Replaces the first "%s" of the pattern (the program's message texts carry one).
std::string FormatMessage1(const std::string& pattern, const std::string& arg);
std::string FormatMessage2(const std::string& pattern, const std::string& a, const std::string& b);

// The error box text: the message followed by a full stop unless its last
// character already sorts at or before "." (so "x." and "x!" get none).
std::string ErrorBoxText(const std::string& message);

}  // namespace tvx
