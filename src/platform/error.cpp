#include "platform/error.h"

namespace tvx {

std::string FormatMessage1(const std::string& pattern, const std::string& arg) {
  std::string out = pattern;
  auto pos = out.find("%s");
  if (pos != std::string::npos) out.replace(pos, 2, arg);
  return out;
}

std::string FormatMessage2(const std::string& pattern, const std::string& a, const std::string& b) {
  std::string out = pattern;
  auto pos = out.find("%s");
  if (pos == std::string::npos) return out;
  out.replace(pos, 2, a);
  pos = out.find("%s", pos + a.size());
  if (pos != std::string::npos) out.replace(pos, 2, b);
  return out;
}

std::string ErrorBoxText(const std::string& message) {
  if (message.empty() || static_cast<unsigned char>(message.back()) <= '.') return message;
  return message + ".";
}

}  // namespace tvx
