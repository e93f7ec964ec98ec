#pragma once
// From typed text or a stored command value to shell calls.
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tvx::store {
class ProfileFile;
}

namespace tvx::launch {

// A registry reference ("HKCU>>key>>value") read into the location; any other
// text passes unchanged; an empty result becomes "NOT FOUND". Opens keys for
// reading only. Raises "Invalid data type for '%s'" for a non-text value.
std::string ResolveRegRef(const std::string& text, IRegistry& registry);

// Environment references expanded, except a "%" right after a drive root
// (":\%"), which never opens a reference.
std::string ExpandEnvVars(const std::string& text, IEnvironment& environment);

// The words typed after a name whose value takes arguments.
struct Arguments {
  std::string all;                 // everything after the name, inner blanks kept
  std::vector<std::string> words;  // the blank-separated words of it
};

// Whether the text holds a placeholder: "$1" ... "$9", "$*" or "$q", read left
// to right with "$$" standing for one "$" (so "$$1" holds none).
bool HoldsPlaceholder(std::string_view text);

// The text with every placeholder replaced by its argument (missing words are
// empty) and every "$$" by "$"; any other "$" stays. Only for a value that
// holds a placeholder: other values are taken as they are.
std::string SubstitutePlaceholders(const std::string& text, const Arguments& args);

// Text as a URL query component: its bytes (UTF-8) unreserved letters, digits
// and "-_.~" kept, blanks as "+", every other byte as "%XX".
std::string QueryEncode(const std::string& text);

// What one stored command value asks the shell to do.
struct ShellRequest {
  std::string file;
  std::string params;
  std::string directory;
};

// The value cut at "|" (location, parameters, rest ignored), the location
// resolved and expanded, the parameters expanded, then, when the location or
// the parameters hold a placeholder, the arguments put in (typed text is taken
// literally: it is neither resolved nor expanded); the working directory is
// taken from the final location.
ShellRequest ResolveStoredValue(const std::string& value, Platform& platform, const Arguments& args = {});

// ResolveStoredValue, then the shell call in a normal window with the verb
// (empty: the target's default action).
void ExecuteStoredValue(const std::string& value, NativeWindow owner, Platform& platform, const Arguments& args = {},
                        const std::string& verb = std::string());

// One name of typed text that has a stored value.
struct NamedValue {
  std::string name;
  std::string value;
  Arguments args;  // the rest of the text, for a value that holds a placeholder
};

// The names of the typed text that have a stored value, left to right. The
// first one whose value holds a placeholder takes every word after it as its
// arguments and ends the list.
std::vector<NamedValue> FindNamedValues(const std::string& text, const store::ProfileFile& data);

// Launches each found name in order with the verb ("runas": as
// administrator). Stops at the first error (which propagates); the caller
// runs the finish step.
void LaunchNamedValues(const std::vector<NamedValue>& found, NativeWindow owner, Platform& platform,
                       const std::string& verb = std::string());

// The file to show selected in its folder for a resolved location: a
// shortcut's own target (the shortcut itself when it has none), the program a
// bare name starts (search path, then App Paths), any other path as it is;
// nothing (empty) for a web address, a shell folder or a program not found.
std::string FolderSelectionTarget(const std::string& file, Platform& platform);

// Instead of launching: opens each found target's folder with the target
// selected. Stops at the first error, as LaunchNamedValues does.
void ShowInFolder(const std::vector<NamedValue>& found, Platform& platform);

// The finish step of every launch: ends every on-screen keyboard by force
// (taskkill, hidden window).
void EndOnScreenKeyboards(NativeWindow owner, Platform& platform);

}  // namespace tvx::launch
