// Real registry round trips below HKCU\Software\TavrixTest\<process id>.
#include <gtest/gtest.h>
#include <string>

#include "platform/win32/win32_platform.h"

namespace tvx::win32 {
namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { base_ = "Software\\TavrixTest\\" + std::to_string(GetCurrentProcessId()); }
  void TearDown() override {
    reg_.DeleteTree(RegRoot::CurrentUser, base_);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TavrixTest");  // only goes when no other run uses it
  }

  bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  void SetRaw(const std::string& path, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
  }

  Win32Registry reg_;
  std::string base_;
};

TEST_F(RegistryTest, CreateSetAndReadBackTextAndOtherTypes) {
  const std::string key = base_ + "\\Tool\\Deep";
  ASSERT_TRUE(reg_.CreateKey(RegRoot::CurrentUser, key));  // keys above are created too
  ASSERT_TRUE(reg_.CreateKey(RegRoot::CurrentUser, key));  // an existing key just opens
  ASSERT_TRUE(reg_.SetString(RegRoot::CurrentUser, key, "", "C:\\Tools\\TVX.exe"));
  ASSERT_TRUE(reg_.SetString(RegRoot::CurrentUser, key, "Icon", ""));

  RegValue def = reg_.ReadValue(RegRoot::CurrentUser, key, "");
  EXPECT_TRUE(def.found);
  EXPECT_EQ(def.type, kRegSz);
  EXPECT_EQ(def.data, std::string("C:\\Tools\\TVX.exe") + '\0');  // the zero is stored and counted

  RegValue empty = reg_.ReadValueFullAccess(RegRoot::CurrentUser, key, "icon");  // names ignore case
  EXPECT_TRUE(empty.found);
  EXPECT_EQ(empty.data, std::string(1, '\0'));

  const char expand[] = "%ProgramFiles%\\Tool\\tool.exe";
  SetRaw(key, "Path", REG_EXPAND_SZ, expand, sizeof expand);
  DWORD number = 0x01020304;
  SetRaw(key, "Count", REG_DWORD, &number, sizeof number);

  RegValue path = reg_.ReadValue(RegRoot::CurrentUser, key, "Path");
  EXPECT_EQ(path.type, kRegExpandSz);
  EXPECT_EQ(path.data, std::string(expand, sizeof expand));  // not expanded
  RegValue count = reg_.ReadValue(RegRoot::CurrentUser, key, "Count");
  EXPECT_EQ(count.type, kRegDword);
  EXPECT_EQ(count.data, std::string("\x04\x03\x02\x01", 4));

  EXPECT_FALSE(reg_.ReadValue(RegRoot::CurrentUser, key, "Missing").found);
}

TEST_F(RegistryTest, KeysNamesAndTextsOutsideTheCodePageComeThroughWhole) {
  // "Проекты\大阪 señal": Cyrillic, CJK and accented Latin in one key path.
  const std::string key =
      base_ +
      "\\\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82\xD1\x8B\\\xE5\xA4\xA7\xE9\x98\xAA se\xC3\xB1"
      "al";
  const std::string value = "C:\\\xD0\x9C\xD0\xB0\xD1\x80\xD0\xB8\xD1\x8F\\\xE5\xA4\xA7\xE9\x98\xAA 2026.xlsx";
  ASSERT_TRUE(reg_.CreateKey(RegRoot::CurrentUser, key));
  ASSERT_TRUE(reg_.SetString(RegRoot::CurrentUser, key, "\xC3\x91", value));
  RegValue back = reg_.ReadValue(RegRoot::CurrentUser, key, "\xC3\xB1");  // names ignore case here too
  ASSERT_TRUE(back.found);
  EXPECT_EQ(back.data, value + '\0');
  // Stored as the system's own UTF-16, readable by every other program.
  wchar_t raw[64] = {};
  DWORD size = sizeof raw;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER,
                         (std::wstring(base_.begin(), base_.end()) +
                          L"\\\u041F\u0440\u043E\u0435\u043A\u0442\u044B\\\u5927\u962A se\u00F1al")
                             .c_str(),
                         L"\u00D1", RRF_RT_REG_SZ, nullptr, raw, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(raw), L"C:\\\u041C\u0430\u0440\u0438\u044F\\\u5927\u962A 2026.xlsx");
  // Subkeys with such names are found and deleted with the rest.
  EXPECT_TRUE(
      reg_.DeleteTree(RegRoot::CurrentUser, base_ + "\\\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82\xD1\x8B"));
  EXPECT_FALSE(reg_.ReadValue(RegRoot::CurrentUser, key, "\xC3\x91").found);
}

TEST_F(RegistryTest, LongValuesAreReadWhole) {
  std::string big(70000, 'x');
  big[12345] = 'y';
  ASSERT_TRUE(reg_.CreateKey(RegRoot::CurrentUser, base_));
  ASSERT_TRUE(reg_.SetString(RegRoot::CurrentUser, base_, "Big", big));
  RegValue value = reg_.ReadValue(RegRoot::CurrentUser, base_, "Big");
  ASSERT_TRUE(value.found);
  EXPECT_EQ(value.data, big + '\0');
}

TEST_F(RegistryTest, ReadingNeverCreatesKeysAndSettingNeedsTheKey) {
  const std::string missing = base_ + "\\Nowhere\\Below";
  EXPECT_FALSE(reg_.ReadValue(RegRoot::CurrentUser, missing, "").found);
  EXPECT_FALSE(reg_.ReadValue(RegRoot::CurrentUser, missing, "Path").found);
  EXPECT_FALSE(reg_.ReadValueFullAccess(RegRoot::CurrentUser, missing, "").found);
  EXPECT_FALSE(KeyExists(base_ + "\\Nowhere"));
  EXPECT_FALSE(reg_.SetString(RegRoot::CurrentUser, missing, "", "x"));
  EXPECT_FALSE(KeyExists(base_ + "\\Nowhere"));
}

TEST_F(RegistryTest, DeleteTreeRemovesNestedSubkeysAndReportsTheKeyItself) {
  const std::string top = base_ + "\\SetTVXcmd";
  for (const char* sub : {"\\Command", "\\A\\B\\C", "\\A\\D", "\\E", "\\F\\G"})
    ASSERT_TRUE(reg_.CreateKey(RegRoot::CurrentUser, top + sub));
  ASSERT_TRUE(reg_.SetString(RegRoot::CurrentUser, top + "\\A\\B\\C", "v", "1"));
  ASSERT_TRUE(reg_.SetString(RegRoot::CurrentUser, top, "", "Set T&VX Command"));
  ASSERT_TRUE(reg_.CreateKey(RegRoot::CurrentUser, base_ + "\\Sibling"));

  EXPECT_TRUE(reg_.DeleteTree(RegRoot::CurrentUser, top));
  EXPECT_FALSE(KeyExists(top));
  EXPECT_TRUE(KeyExists(base_ + "\\Sibling"));               // neighbours stay
  EXPECT_FALSE(reg_.DeleteTree(RegRoot::CurrentUser, top));  // nothing left to delete
}

TEST_F(RegistryTest, DeleteTreeRefusesTheRootItself) {
  ASSERT_TRUE(reg_.CreateKey(RegRoot::CurrentUser, base_));
  EXPECT_FALSE(reg_.DeleteTree(RegRoot::CurrentUser, ""));
  EXPECT_FALSE(reg_.DeleteTree(RegRoot::CurrentUser, "\\"));
  EXPECT_TRUE(KeyExists(base_));
  EXPECT_TRUE(KeyExists("Software"));
}

}  // namespace
}  // namespace tvx::win32
