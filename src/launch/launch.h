#pragma once
// From typed text or a stored command value to shell calls.
#include <string>
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

// What one stored command value asks the shell to do.
struct ShellRequest {
  std::string file;
  std::string params;
  std::string directory;
};

// The value cut at "|" (location, parameters, rest ignored), the location
// resolved and expanded, the parameters expanded, and the working directory
// taken from the resolved location.
ShellRequest ResolveStoredValue(const std::string& value, Platform& platform);

// ResolveStoredValue, then the shell call in a normal window.
void ExecuteStoredValue(const std::string& value, NativeWindow owner, Platform& platform);

// Typed text to command names: trimmed, split at every blank (empty names kept).
std::vector<std::string> SplitCommandNames(const std::string& text);

// Launches every name of the typed text that has a stored value, in order.
// Stops at the first error (which propagates); the caller runs the finish step.
void LaunchNames(const std::string& text, store::ProfileFile& data, NativeWindow owner, Platform& platform);

// The finish step of every launch: ends every on-screen keyboard by force
// (taskkill, hidden window).
void EndOnScreenKeyboards(NativeWindow owner, Platform& platform);

inline constexpr const char* kSection = "Command";

}  // namespace tvx::launch
