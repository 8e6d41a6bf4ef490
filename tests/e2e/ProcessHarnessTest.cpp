// The one fault of the process runner that would let game tests pass
// wrongly: losing lines, so that a check that a line never came passes. Its
// other faults (no window found, wrong pixels, wrong exit status) fail the
// game tests themselves.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Artifacts.h"
#include "ProcessRunner.h"

namespace fs = std::filesystem;
using namespace xharness;

namespace {

TEST(ProcessHarness, ReadsEveryLineOfBothStreams) {
  const fs::path dir = makeTempDir("harness-script");
  ASSERT_FALSE(dir.empty());
  const fs::path program = dir / "program.sh";
  std::ofstream(program) << "#!/bin/sh\necho first\necho oops >&2\necho last\nexit 3\n";
  fs::permissions(program, fs::perms::owner_all);
  {
    GameProcess p(program.string(), dir.string(), ":42");
    ASSERT_TRUE(p.started());
    EXPECT_TRUE(p.waitForLine("last", Millis(5000)));
    EXPECT_EQ(p.waitForExit(Millis(5000)), 3);
    EXPECT_FALSE(p.waitForLine("never printed", Millis(5000)));  // false once the output ends
    EXPECT_EQ(p.lines(), (std::vector<std::string>{"first", "oops", "last"}));
  }
  fs::remove_all(dir);
}

}  // namespace
