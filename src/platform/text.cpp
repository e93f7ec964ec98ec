#include "platform/text.h"

#include "platform/case_fold.h"

namespace tvx::text {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

std::string TrimBlanks(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool EqualsNoCase(const std::string& a, const std::string& b) { return EqualsFolded(a, b); }

std::string ReplaceAll(const std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;
  std::string out;
  out.reserve(s.size());
  size_t pos = 0;
  for (;;) {
    size_t hit = s.find(from, pos);
    if (hit == std::string::npos) break;
    out.append(s, pos, hit - pos);
    out += to;
    pos = hit + from.size();
  }
  out.append(s, pos, std::string::npos);
  return out;
}

std::vector<std::string> SplitLines(const std::string& s) {
  std::vector<std::string> lines;
  size_t i = 0, start = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(s.substr(start, i - start));
      if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      start = i + 1;
    }
    ++i;
  }
  if (start < s.size()) lines.push_back(s.substr(start));
  return lines;
}

std::vector<std::string> SplitAt(const std::string& s, const std::string& separator) {
  return SplitLines(ReplaceAll(s, separator, "\n"));
}

static size_t LastDelimiter(const std::string& path) { return path.find_last_of("\\:"); }

std::string ExtractExtension(const std::string& path) {
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos) return std::string();
  size_t delim = LastDelimiter(path);
  if (delim != std::string::npos && delim > dot) return std::string();
  return path.substr(dot);
}

std::string ExtractPath(const std::string& path) {
  size_t delim = LastDelimiter(path);
  return delim == std::string::npos ? std::string() : path.substr(0, delim + 1);
}

std::string ExtractFileName(const std::string& path) {
  size_t delim = LastDelimiter(path);
  return delim == std::string::npos ? path : path.substr(delim + 1);
}

std::size_t Utf16Length(const std::string& utf8) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                               : lead >= 0xE0                ? 3
                               : lead >= 0xC2                ? 2
                                                             : 0;
    std::size_t follow = 1;
    while (follow < length && i + follow < utf8.size() && (static_cast<unsigned char>(utf8[i + follow]) & 0xC0) == 0x80)
      ++follow;
    if (length == 0 || follow < length) {
      ++units;  // a stray byte or a cut sequence
      i += length == 0 ? 1 : follow;
      continue;
    }
    units += length == 4 ? 2 : 1;
    i += length;
  }
  return units;
}

}  // namespace tvx::text
