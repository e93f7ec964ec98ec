// Registry access: reads that never create keys, and the full-access writes
// of the App Paths entry and the Explorer verb.
#include <algorithm>

#include "platform/win32/win32_platform.h"

namespace tvx::win32 {
namespace {

class Key {
 public:
  Key() = default;
  ~Key() {
    if (handle_) RegCloseKey(handle_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* Out() { return &handle_; }
  HKEY Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HKEY handle_ = nullptr;
};

bool Open(RegRoot root, const std::string& keyPath, REGSAM access, Key& key) {
  return RegOpenKeyExA(RootKey(root), keyPath.c_str(), 0, access, key.Out()) == ERROR_SUCCESS;
}

RegValue Query(HKEY key, const std::string& name) {
  RegValue value;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return value;
  std::string data(size, '\0');
  for (;;) {
    DWORD got = static_cast<DWORD>(data.size());
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
    if (rc == ERROR_MORE_DATA) {
      // The value grew between the two queries; ask again with more room.
      data.resize(std::max<size_t>(got, data.size() * 2 + 16));
      continue;
    }
    if (rc != ERROR_SUCCESS) return value;
    data.resize(std::min<size_t>(got, data.size()));
    break;
  }
  value.found = true;
  value.type = type;
  value.data = std::move(data);
  return value;
}

// Subkeys go first, each level from the last index to the first, so that the
// indices of the names still to be read do not shift.
bool DeleteBelow(HKEY parent, const std::string& path) {
  {
    Key key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, key.Out()) != ERROR_SUCCESS)
      return RegDeleteKeyA(parent, path.c_str()) == ERROR_SUCCESS;
    DWORD subkeys = 0;
    DWORD longest = 0;
    if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subkeys, &longest, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) == ERROR_SUCCESS) {
      // The longest name is counted in characters; a double-byte code page may
      // need up to twice as many bytes for it.
      std::vector<char> name(std::max<size_t>(2 * static_cast<size_t>(longest) + 2, 512));
      for (DWORD i = subkeys; i-- > 0;) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(key.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
          continue;
        DeleteBelow(key.Get(), std::string(name.data(), length));
      }
    }
  }
  return RegDeleteKeyA(parent, path.c_str()) == ERROR_SUCCESS;
}

}  // namespace

HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
  }
  return HKEY_CURRENT_USER;
}

RegValue Win32Registry::ReadValue(RegRoot root, const std::string& keyPath, const std::string& name) {
  Key key;
  if (!Open(root, keyPath, KEY_READ, key)) return {};
  return Query(key.Get(), name);
}

RegValue Win32Registry::ReadValueFullAccess(RegRoot root, const std::string& keyPath, const std::string& name) {
  Key key;
  if (!Open(root, keyPath, KEY_ALL_ACCESS, key)) return {};
  return Query(key.Get(), name);
}

bool Win32Registry::CreateKey(RegRoot root, const std::string& keyPath) {
  Key key;
  return RegCreateKeyExA(RootKey(root), keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                         key.Out(), nullptr) == ERROR_SUCCESS;
}

bool Win32Registry::SetString(RegRoot root, const std::string& keyPath, const std::string& name,
                              const std::string& value) {
  Key key;
  if (!Open(root, keyPath, KEY_ALL_ACCESS, key)) return false;
  return RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteTree(RegRoot root, const std::string& keyPath) {
  // An empty path opens the root itself: everything below it would go.
  if (keyPath.find_first_not_of('\\') == std::string::npos) return false;
  return DeleteBelow(RootKey(root), keyPath);
}

}  // namespace tvx::win32
