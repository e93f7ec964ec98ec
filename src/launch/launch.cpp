#include "launch/launch.h"

#include <optional>

#include "platform/error.h"
#include "platform/text.h"
#include "store/profile_file.h"

namespace tvx::launch {

namespace {

// A text value's characters up to its first zero.
std::string RegText(const RegValue& value) {
  auto zero = value.data.find('\0');
  return zero == std::string::npos ? value.data : value.data.substr(0, zero);
}

// Missing gives empty; text types give their text; anything else is refused.
std::string ReadRegText(IRegistry& registry, RegRoot root, const std::string& key, const std::string& name) {
  RegValue value = registry.ReadValue(root, key, name);
  if (!value.found) return std::string();
  if (value.type != kRegSz && value.type != kRegExpandSz)
    throw Error(FormatMessage1("Invalid data type for '%s'", name));
  return RegText(value);
}

}  // namespace

std::string ResolveRegRef(const std::string& input, IRegistry& registry) {
  std::string result = input;
  if (input.size() > 6) {
    std::string head = input.substr(0, 6);
    std::optional<RegRoot> root;
    if (head == "HKCU>>") root = RegRoot::CurrentUser;
    else if (head == "HKLM>>") root = RegRoot::LocalMachine;
    else if (head == "HKCR>>") root = RegRoot::ClassesRoot;
    if (root) {
      std::vector<std::string> pieces = text::SplitAt(input, ">>");
      // A named value is read alone: the key's default value, which it
      // replaces, must not fail the reference when it is not text.
      if (pieces.size() >= 3)
        result = ReadRegText(registry, *root, pieces[1], pieces[2]);
      else if (pieces.size() >= 2)
        result = ReadRegText(registry, *root, pieces[1], "");
    }
  }
  if (result.empty()) result = "NOT FOUND";
  return result;
}

std::string ExpandEnvVars(const std::string& input, IEnvironment& environment) {
  std::string guarded = text::ReplaceAll(input, ":\\%", ":\\<");
  std::optional<std::string> expanded = environment.Expand(guarded);
  return text::ReplaceAll(expanded.value_or(std::string()), ":\\<", ":\\%");
}

ShellRequest ResolveStoredValue(const std::string& value, Platform& platform) {
  std::vector<std::string> pieces = text::SplitAt(value, "|");
  std::string location = pieces.size() >= 1 ? pieces[0] : std::string();
  std::string params = pieces.size() >= 2 ? pieces[1] : std::string();
  ShellRequest request;
  request.file = ExpandEnvVars(ResolveRegRef(location, platform.registry), platform.environment);
  request.params = ExpandEnvVars(params, platform.environment);
  request.directory = text::ExtractPath(request.file);
  return request;
}

void ExecuteStoredValue(const std::string& value, NativeWindow owner, Platform& platform) {
  ShellRequest r = ResolveStoredValue(value, platform);
  platform.shell.Execute(owner, "", r.file, r.params, r.directory, kSwShowNormal);
}

std::vector<std::string> SplitCommandNames(const std::string& typed) {
  return text::SplitAt(text::Trim(typed), " ");
}

void LaunchNames(const std::string& typed, store::ProfileFile& data, NativeWindow owner, Platform& platform) {
  if (typed.empty()) return;
  for (const std::string& name : SplitCommandNames(typed)) {
    if (name.empty()) continue;
    std::string value = data.ReadString(kSection, name);
    if (value.empty()) continue;
    ExecuteStoredValue(value, owner, platform);
  }
}

void EndOnScreenKeyboards(NativeWindow owner, Platform& platform) {
  platform.shell.Execute(owner, "", "taskkill.exe", "/f /im osk.exe", "", kSwHide);
}

}  // namespace tvx::launch
