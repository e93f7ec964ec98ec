// ExpandEnvironmentStrings through the environment interface.
#include <gtest/gtest.h>
#include <string>

#include "platform/win32/win32_platform.h"

namespace tvx::win32 {
namespace {

class EnvironmentTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetEnvironmentVariableA("TVX_TEST_VAR", nullptr);
    SetEnvironmentVariableA("TVX_TEST_BIG", nullptr);
  }
  Win32Environment env_;
};

TEST_F(EnvironmentTest, ExpandsDefinedNamesInAnyCaseAndLeavesUndefinedOnes) {
  ASSERT_TRUE(SetEnvironmentVariableA("TVX_TEST_VAR", "C:\\Data"));
  EXPECT_EQ(env_.Expand("%TVX_TEST_VAR%\\a.txt"), "C:\\Data\\a.txt");
  EXPECT_EQ(env_.Expand("%tvx_Test_var%|%TVX_TEST_VAR%"), "C:\\Data|C:\\Data");
  EXPECT_EQ(env_.Expand("%TVX_NO_SUCH_VARIABLE%\\a.exe"), "%TVX_NO_SUCH_VARIABLE%\\a.exe");
  // Names and values outside every code page come through whole.
  ASSERT_TRUE(SetEnvironmentVariableW(L"TVX_TEST_VAR", L"C:\\\u041C\u0430\u0440\u0438\u044F\\\u5927\u962A"));
  EXPECT_EQ(env_.Expand("%TVX_TEST_VAR%\\caf\xC3\xA9"),
            "C:\\\xD0\x9C\xD0\xB0\xD1\x80\xD0\xB8\xD1\x8F\\\xE5\xA4\xA7\xE9\x98\xAA\\caf\xC3\xA9");
  EXPECT_EQ(env_.Expand("50% off %"), "50% off %");
  EXPECT_EQ(env_.Expand(""), "");
}

TEST_F(EnvironmentTest, ResultsThatDoNotFitTheAreaGiveNothing) {
  // The area holds 32768 characters with the zero, counted in characters,
  // not in UTF-8 bytes: 32766 characters, the last a two-byte letter, fit
  // on every system.
  std::string value(20000, 'v');
  ASSERT_TRUE(SetEnvironmentVariableA("TVX_TEST_BIG", value.c_str()));
  std::string fits = "%TVX_TEST_BIG%" + std::string(32766 - value.size() - 1, 'p') + "\xD0\x96";
  auto result = env_.Expand(fits);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->size(), 32767u);
  EXPECT_EQ(result->substr(0, 20000), value);
  EXPECT_EQ(result->substr(result->size() - 3), "p\xD0\x96");

  // A result that needs the whole area is taken whole or not at all (some
  // systems cut it by one character); one more never.
  auto full = env_.Expand(fits + "p");
  if (full) {
    EXPECT_EQ(full->size(), 32768u);
  }
  EXPECT_EQ(env_.Expand(fits + "pp"), std::nullopt);
  EXPECT_EQ(env_.Expand("%TVX_TEST_BIG%%TVX_TEST_BIG%"), std::nullopt);
}

}  // namespace
}  // namespace tvx::win32
