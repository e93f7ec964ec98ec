// Registry access: reads that never create keys, and the full-access writes
// of the App Paths entry and the Explorer verb. Key paths, value names and
// text values cross the seam as UTF-8 and reach the system as UTF-16.
#include <algorithm>

#include "platform/win32/scoped.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace tvx::win32 {
namespace {

bool Open(RegRoot root, const std::string& keyPath, REGSAM access, ScopedKey& key) {
  return RegOpenKeyExW(RootKey(root), Widen(keyPath).c_str(), 0, access, key.Put()) == ERROR_SUCCESS;
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Text values arrive as UTF-16 and leave as UTF-8, unit for unit: a stored
// terminating zero (or any other zero) stays a zero byte where it was, so the
// text up to the first zero is what it was. Other types keep their bytes.
std::string FromStored(DWORD type, const std::string& bytes) {
  if (!IsText(type)) return bytes;
  std::wstring units(bytes.size() / sizeof(wchar_t), L'\0');
  std::copy_n(bytes.data(), units.size() * sizeof(wchar_t), reinterpret_cast<char*>(units.data()));
  return Narrow(units);
}

RegValue Query(HKEY key, const std::string& name) {
  RegValue value;
  const std::wstring wideName = Widen(name);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return value;
  std::string data(size, '\0');
  for (;;) {
    DWORD got = static_cast<DWORD>(data.size());
    LONG rc = RegQueryValueExW(key, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
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
  value.data = FromStored(type, data);
  return value;
}

// Subkeys go first, each level from the last index to the first, so that the
// indices of the names still to be read do not shift.
bool DeleteBelow(HKEY parent, const std::wstring& path) {
  {
    ScopedKey key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS)
      return RegDeleteKeyW(parent, path.c_str()) == ERROR_SUCCESS;
    DWORD subkeys = 0;
    DWORD longest = 0;
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, &longest, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) == ERROR_SUCCESS) {
      std::vector<wchar_t> name(std::max<size_t>(static_cast<size_t>(longest) + 1, 256));
      for (DWORD i = subkeys; i-- > 0;) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
          continue;
        DeleteBelow(key.Get(), std::wstring(name.data(), length));
      }
    }
  }
  return RegDeleteKeyW(parent, path.c_str()) == ERROR_SUCCESS;
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
  ScopedKey key;
  if (!Open(root, keyPath, KEY_READ, key)) return {};
  return Query(key.Get(), name);
}

RegValue Win32Registry::ReadValueFullAccess(RegRoot root, const std::string& keyPath, const std::string& name) {
  ScopedKey key;
  if (!Open(root, keyPath, KEY_ALL_ACCESS, key)) return {};
  return Query(key.Get(), name);
}

bool Win32Registry::CreateKey(RegRoot root, const std::string& keyPath) {
  ScopedKey key;
  return RegCreateKeyExW(RootKey(root), Widen(keyPath).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                         nullptr, key.Put(), nullptr) == ERROR_SUCCESS;
}

bool Win32Registry::SetString(RegRoot root, const std::string& keyPath, const std::string& name,
                              const std::string& value) {
  ScopedKey key;
  if (!Open(root, keyPath, KEY_ALL_ACCESS, key)) return false;
  const std::wstring wide = Widen(value);
  return RegSetValueExW(key.Get(), Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                        static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteTree(RegRoot root, const std::string& keyPath) {
  // An empty path opens the root itself: everything below it would go.
  if (keyPath.find_first_not_of('\\') == std::string::npos) return false;
  return DeleteBelow(RootKey(root), Widen(keyPath));
}

}  // namespace tvx::win32
