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
  EXPECT_EQ(env_.Expand("50% off %"), "50% off %");
  EXPECT_EQ(env_.Expand(""), "");
}

TEST_F(EnvironmentTest, ResultsThatDoNotFitTheAreaGiveNothing) {
  // The area holds 32768 characters; the ANSI call keeps one spare beside the
  // zero, so 32766 characters is the longest result taken whole.
  std::string value(20000, 'v');
  ASSERT_TRUE(SetEnvironmentVariableA("TVX_TEST_BIG", value.c_str()));
  std::string fits = "%TVX_TEST_BIG%" + std::string(32766 - value.size(), 'p');
  auto result = env_.Expand(fits);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->size(), 32766u);
  EXPECT_EQ(result->substr(0, 20000), value);
  EXPECT_EQ(result->back(), 'p');

  EXPECT_EQ(env_.Expand(fits + "p"), std::nullopt);  // would be cut by one character
  EXPECT_EQ(env_.Expand("%TVX_TEST_BIG%%TVX_TEST_BIG%"), std::nullopt);
}

}  // namespace
}  // namespace tvx::win32
