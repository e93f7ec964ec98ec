#include "app/command_line.h"

#include "platform/text.h"

namespace tvx::app {

namespace {

bool IsSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Reads one token from pos; returns the position after it.
size_t NextToken(const std::string& s, size_t pos, std::string& token) {
  for (;;) {
    while (pos < s.size() && IsSpace(s[pos])) ++pos;
    if (pos + 1 < s.size() && s[pos] == '"' && s[pos + 1] == '"')
      pos += 2;
    else
      break;
  }
  token.clear();
  while (pos < s.size() && !IsSpace(s[pos])) {
    if (s[pos] == '"') {
      ++pos;
      while (pos < s.size() && s[pos] != '"') token += s[pos++];
      if (pos < s.size()) ++pos;
    } else {
      token += s[pos++];
    }
  }
  return pos;
}

}  // namespace

std::vector<std::string> SplitArguments(const std::string& commandLine) {
  std::vector<std::string> args;
  std::string token;
  size_t pos = NextToken(commandLine, 0, token);  // the program name
  for (;;) {
    pos = NextToken(commandLine, pos, token);
    if (token.empty()) break;
    args.push_back(token);
  }
  return args;
}

StartKind ClassifyStart(const std::vector<std::string>& args) {
  if (args.empty()) return StartKind::Interactive;
  std::string first = text::LowerAscii(args[0]);
  if (first == "/setcmd") return StartKind::SetCommand;
  if (first == "/l" && args.size() >= 2) return StartKind::Launch;
  return StartKind::Interactive;
}

std::string JoinLaunchNames(const std::vector<std::string>& args) {
  std::string joined;
  for (size_t i = 1; i < args.size(); ++i) joined += " " + args[i];
  return text::Trim(joined);
}

}  // namespace tvx::app
