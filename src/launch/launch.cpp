#include "launch/launch.h"

#include <optional>

#include "platform/error.h"
#include "platform/text.h"
#include "store/profile_file.h"
#include "store/schema.h"

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
    if (head == "HKCU>>")
      root = RegRoot::CurrentUser;
    else if (head == "HKLM>>")
      root = RegRoot::LocalMachine;
    else if (head == "HKCR>>")
      root = RegRoot::ClassesRoot;
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

namespace {

inline bool IsPlaceholderMark(char c) { return (c >= '1' && c <= '9') || c == '*' || c == 'q'; }

}  // namespace

bool HoldsPlaceholder(std::string_view text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '$') continue;
    if (IsPlaceholderMark(text[i + 1])) return true;
    if (text[i + 1] == '$') ++i;
  }
  return false;
}

std::string QueryEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '_' || c == '.' || c == '~';
    if (unreserved) {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string SubstitutePlaceholders(const std::string& text, const Arguments& args) {
  std::string out;
  out.reserve(text.size() + args.all.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] != '$' || !(IsPlaceholderMark(next) || next == '$')) {
      out += text[i];
      continue;
    }
    ++i;
    if (next == '$') {
      out += '$';
    } else if (next == '*') {
      out += args.all;
    } else if (next == 'q') {
      out += QueryEncode(args.all);
    } else {
      size_t n = static_cast<size_t>(next - '1');
      if (n < args.words.size()) out += args.words[n];
    }
  }
  return out;
}

ShellRequest ResolveStoredValue(const std::string& value, Platform& platform, const Arguments& args) {
  std::vector<std::string> pieces = text::SplitAt(value, "|");
  std::string location = pieces.size() >= 1 ? pieces[0] : std::string();
  std::string params = pieces.size() >= 2 ? pieces[1] : std::string();
  bool takesArgs = HoldsPlaceholder(location) || HoldsPlaceholder(params);
  ShellRequest request;
  request.file = ExpandEnvVars(ResolveRegRef(location, platform.registry), platform.environment);
  request.params = ExpandEnvVars(params, platform.environment);
  if (takesArgs) {
    request.file = SubstitutePlaceholders(request.file, args);
    request.params = SubstitutePlaceholders(request.params, args);
  }
  request.directory = text::ExtractPath(request.file);
  return request;
}

void ExecuteStoredValue(const std::string& value, NativeWindow owner, Platform& platform, const Arguments& args,
                        const std::string& verb) {
  ShellRequest r = ResolveStoredValue(value, platform, args);
  platform.shell.Execute(owner, verb, r.file, r.params, r.directory, kSwShowNormal);
}

std::vector<NamedValue> FindNamedValues(const std::string& typed, const store::ProfileFile& data) {
  std::vector<NamedValue> found;
  const std::string line = text::Trim(typed);
  size_t start = 0;
  while (start < line.size()) {
    size_t end = line.find(' ', start);
    if (end == std::string::npos) end = line.size();
    std::string name = line.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    std::string value = data.ReadString(store::kCommandSection, name);
    if (value.empty()) continue;
    // The location and the parameters: the value up to its second "|".
    std::string_view used(value);
    size_t bar = used.find('|');
    if (bar != std::string_view::npos) used = used.substr(0, used.find('|', bar + 1));
    bool takesArgs = HoldsPlaceholder(used);
    found.push_back({std::move(name), std::move(value), {}});
    if (!takesArgs) continue;
    // Everything after the name is its arguments: nothing there is a name.
    Arguments& args = found.back().args;
    size_t from = line.find_first_not_of(' ', end);
    if (from != std::string::npos) args.all = line.substr(from);
    for (std::string& word : text::SplitAt(args.all, " "))
      if (!word.empty()) args.words.push_back(std::move(word));
    break;
  }
  return found;
}

void LaunchNamedValues(const std::vector<NamedValue>& found, NativeWindow owner, Platform& platform,
                       const std::string& verb) {
  for (const NamedValue& nv : found) ExecuteStoredValue(nv.value, owner, platform, nv.args, verb);
}

namespace {

constexpr const char* kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// A scheme before ":" of two or more characters ("https:", "mailto:",
// "shell:"), or a shell namespace path ("::{...}"): not a file of a folder.
bool IsAddressOrShellFolder(const std::string& file) {
  if (file.rfind("::", 0) == 0) return true;
  size_t colon = file.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    char c = file[i];
    bool ok =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!ok) return false;
  }
  return true;
}

// The program registered for the name under App Paths (the user's, then the machine's).
std::string AppPath(const std::string& name, Platform& platform) {
  std::string key = kAppPaths + (text::ExtractExtension(name).empty() ? name + ".exe" : name);
  for (RegRoot root : {RegRoot::CurrentUser, RegRoot::LocalMachine}) {
    RegValue v = platform.registry.ReadValue(root, key, "");
    if (!v.found || (v.type != kRegSz && v.type != kRegExpandSz)) continue;
    std::string path = text::Trim(RegText(v));
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    if (v.type == kRegExpandSz) path = ExpandEnvVars(path, platform.environment);
    if (!path.empty()) return path;
  }
  return std::string();
}

}  // namespace

std::string FolderSelectionTarget(const std::string& file, Platform& platform) {
  if (file.empty() || IsAddressOrShellFolder(file)) return std::string();
  if (text::EqualsNoCase(text::ExtractExtension(file), ".lnk")) {
    std::string target = platform.links.Read(file).target;
    return target.empty() ? file : target;
  }
  if (file.find_first_of("\\/:") == std::string::npos) {
    if (std::optional<std::string> found = platform.shell.FindOnSearchPath(file)) return *found;
    return AppPath(file, platform);
  }
  return file;
}

void ShowInFolder(const std::vector<NamedValue>& found, Platform& platform) {
  for (const NamedValue& nv : found) {
    std::string target = FolderSelectionTarget(ResolveStoredValue(nv.value, platform, nv.args).file, platform);
    if (!target.empty()) platform.shell.ShowInFolder(target);
  }
}

void EndOnScreenKeyboards(NativeWindow owner, Platform& platform) {
  platform.shell.Execute(owner, "", "taskkill.exe", "/f /im osk.exe", "", kSwHide);
}

}  // namespace tvx::launch
