// An error that escapes a start is shown and ends the process with a failure code.
#include <gtest/gtest.h>
#include <new>

#include "app/program.h"
#include "platform/error.h"
#include "ui/memory_backend.h"

namespace tvx::app {
namespace {

TEST(RunCatching, EscapingErrorsAreShownAndGiveTheFailureCode) {
  ui::MemoryUi ui;
  EXPECT_EQ(RunCatching(ui, [] { return 0; }), 0);
  EXPECT_TRUE(ui.messages.empty());

  EXPECT_EQ(RunCatching(ui, []() -> int { throw std::bad_alloc(); }), kFailedExitCode);
  EXPECT_EQ(RunCatching(ui, []() -> int { throw Error("Cannot read the data file"); }), kFailedExitCode);
  EXPECT_EQ(RunCatching(ui, []() -> int { throw 42; }), kFailedExitCode);
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages[0].text, "Not enough memory.");
  EXPECT_EQ(ui.messages[0].kind, ui::MsgKind::Error);
  EXPECT_EQ(ui.messages[1].text, "Cannot read the data file.");
  EXPECT_EQ(ui.messages[2].text, "Unexpected error.");
  EXPECT_NE(kFailedExitCode, 0);
}

}  // namespace
}  // namespace tvx::app
