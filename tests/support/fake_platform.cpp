#include "support/fake_platform.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/error.h"
#include "platform/text.h"

namespace tvx::test {

std::string FakeRegistry::Id(RegRoot root, const std::string& path) {
  const char* r = root == RegRoot::CurrentUser ? "HKCU" : root == RegRoot::LocalMachine ? "HKLM" : "HKCR";
  return std::string(r) + "|" + text::LowerAscii(path);
}

void FakeRegistry::Put(RegRoot root, const std::string& path, const std::string& name, const std::string& t,
                       std::uint32_t type) {
  RegValue v;
  v.found = true;
  v.type = type;
  v.data = t + std::string(1, '\0');
  keys[Id(root, path)].values[text::LowerAscii(name)] = v;
}

void FakeRegistry::PutDword(RegRoot root, const std::string& path, const std::string& name, std::uint32_t value) {
  RegValue v;
  v.found = true;
  v.type = kRegDword;
  v.data.assign(reinterpret_cast<const char*>(&value), 4);
  keys[Id(root, path)].values[text::LowerAscii(name)] = v;
}

bool FakeRegistry::HasKey(RegRoot root, const std::string& path) const { return keys.count(Id(root, path)) > 0; }

std::string FakeRegistry::Text(RegRoot root, const std::string& path, const std::string& name) const {
  auto k = keys.find(Id(root, path));
  if (k == keys.end()) return {};
  auto v = k->second.values.find(text::LowerAscii(name));
  if (v == k->second.values.end()) return {};
  std::string d = v->second.data;
  auto z = d.find('\0');
  return z == std::string::npos ? d : d.substr(0, z);
}

RegValue FakeRegistry::ReadValue(RegRoot root, const std::string& keyPath, const std::string& name) {
  calls.push_back("Read " + Id(root, keyPath) + "|" + name);
  auto k = keys.find(Id(root, keyPath));
  if (k == keys.end()) return {};
  auto v = k->second.values.find(text::LowerAscii(name));
  if (v == k->second.values.end()) return {};
  return v->second;
}

RegValue FakeRegistry::ReadValueFullAccess(RegRoot root, const std::string& keyPath, const std::string& name) {
  if (noFullAccess.count(text::LowerAscii(keyPath))) return {};
  if (standardUser && root != RegRoot::CurrentUser) return {};
  return ReadValue(root, keyPath, name);
}

bool FakeRegistry::CreateKey(RegRoot root, const std::string& keyPath) {
  calls.push_back("Create " + Id(root, keyPath));
  if (unwritableKeys.count(text::LowerAscii(keyPath))) return false;
  if (standardUser && root != RegRoot::CurrentUser) return false;
  // Keys above it come into being too.
  std::string p = keyPath;
  for (;;) {
    keys[Id(root, p)];
    auto cut = p.find_last_of('\\');
    if (cut == std::string::npos) break;
    p = p.substr(0, cut);
  }
  return true;
}

bool FakeRegistry::SetString(RegRoot root, const std::string& keyPath, const std::string& name,
                             const std::string& value) {
  calls.push_back("Set " + Id(root, keyPath) + "|" + name);
  if (unwritableKeys.count(text::LowerAscii(keyPath))) return false;
  if (standardUser && root != RegRoot::CurrentUser) return false;
  auto k = keys.find(Id(root, keyPath));
  if (k == keys.end()) return false;
  Put(root, keyPath, name, value, kRegSz);
  return true;
}

bool FakeRegistry::DeleteTree(RegRoot root, const std::string& keyPath) {
  calls.push_back("Delete " + Id(root, keyPath));
  std::string id = Id(root, keyPath);
  if (!keys.count(id)) return false;
  if (standardUser && root != RegRoot::CurrentUser) return false;
  for (auto it = keys.begin(); it != keys.end();) {
    if (it->first == id || it->first.rfind(id + "\\", 0) == 0)
      it = keys.erase(it);
    else
      ++it;
  }
  return true;
}

void FakeEnvironment::Set(const std::string& name, const std::string& value) { vars[text::UpperAscii(name)] = value; }

std::optional<std::string> FakeEnvironment::Expand(const std::string& t) {
  if (fail) return std::nullopt;
  std::string out;
  size_t i = 0;
  while (i < t.size()) {
    if (t[i] == '%') {
      size_t close = t.find('%', i + 1);
      if (close == std::string::npos) {
        out.append(t, i, std::string::npos);
        break;
      }
      auto v = vars.find(text::UpperAscii(t.substr(i + 1, close - i - 1)));
      if (v != vars.end() && close > i + 1) {
        out += v->second;
        i = close + 1;
      } else {
        // Left unchanged; the closing sign may open the next reference.
        out.append(t, i, close - i);
        i = close;
      }
    } else {
      out += t[i++];
    }
  }
  if (out.size() >= 32768) return std::nullopt;
  return out;
}

bool FakeFileSystem::WriteNewFile(const std::string& path, const std::string& bytes, std::string& reason) {
  auto f = writeFailures.find(path);
  if (f != writeFailures.end()) {
    reason = f->second;
    return false;
  }
  written[path] = bytes;
  return true;
}

bool FakeFileSystem::RemoveFile(const std::string& path) {
  deleted.push_back(path);
  bool had = files.erase(path) > 0;
  had = written.erase(path) > 0 || had;
  return had;
}

std::optional<std::string> FakeFileSystem::ReadSmallFile(const std::string& path, std::size_t maxBytes) {
  auto it = written.find(path);
  if (it == written.end() || it->second.size() > maxBytes) return std::nullopt;
  return it->second;
}

std::optional<std::string> FakeFileSystem::SpecialFolder(int csidl) {
  auto it = specialFolders.find(csidl);
  if (it == specialFolders.end()) return std::nullopt;
  return it->second;
}

void FakeShellLinks::Write(const std::string& linkPath, const ShortcutFields& fields, bool setIcon, bool remember) {
  if (!failWith.empty()) {
    if (failAsSave) throw ShortcutSaveFailed(failWith);
    throw Error(failWith);
  }
  writes.push_back({linkPath, fields, setIcon, remember});
}

ShortcutTarget FakeShellLinks::Read(const std::string& linkPath) {
  reads.push_back(linkPath);
  auto it = existing.find(linkPath);
  return it == existing.end() ? ShortcutTarget{} : it->second;
}

bool FakeSystem::PostQuitToWindow(const std::string& title) {
  if (!windows.count(title)) return false;
  quitPosted.push_back(title);
  return true;
}

int FakeSystem::CollateCompare(const std::string& a, const std::string& b) {
  int c = text::LowerAscii(a).compare(text::LowerAscii(b));
  if (c == 0) c = b.compare(a);  // lower case first among otherwise equal names
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int FakeSystem::CollateCompareNoCase(const std::string& a, const std::string& b) {
  int c = text::LowerAscii(a).compare(text::LowerAscii(b));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto base = std::filesystem::temp_directory_path();
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    std::ostringstream name;
    name << "tvx-test-" << stamp << "-" << counter++;
    auto p = base / name.str();
    if (std::filesystem::create_directory(p)) {
      path_ = p.string();
      break;
    }
  }
  path_ += static_cast<char>(std::filesystem::path::preferred_separator);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace tvx::test
