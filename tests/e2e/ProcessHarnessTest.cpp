// The one fault of the process runner that would let game tests pass
// wrongly: a line reported that never came (or lines lost, so that a check
// that a line never came passes). Its other faults (no window found, wrong
// pixels, wrong exit status) fail the game tests themselves.

#include <gtest/gtest.h>

#include "ProcessRunner.h"

using namespace xharness;

namespace {

TEST(ProcessHarness, ReportsEveryLineAndNoOther) {
  GameProcess p({{"/bin/sh", "-c", "echo first; echo oops >&2; echo last; exit 3"}});
  ASSERT_TRUE(p.started());
  EXPECT_TRUE(p.waitForLine("last", Millis(5000)));
  EXPECT_EQ(p.waitForExit(Millis(5000)), 3);
  EXPECT_FALSE(p.waitForLine("never printed", Millis(5000)));  // false once the output ends
  EXPECT_EQ(p.lines(), (std::vector<std::string>{"first", "oops", "last"}));
}

}  // namespace
