// Start-up and shutdown of the real game: its console lines, their order,
// and its exit status.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <signal.h>

#include <fstream>

#include "GameFixture.h"

using namespace gametest;

namespace {

using StartUp = GameTest;

TEST_F(StartUp, NewWorldPrintsEveryStartUpLineInOrderAndGrowsTheWindow) {
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  click(dpy_, window_, centreOf(kNewWorld).x, centreOf(kNewWorld).y);
  window_ = waitForWindowSize(dpy_, kTitle, 1440, 900, kStartTimeout);
  ASSERT_NE(window_, kNoWindow) << "the start window did not give way to a 1440x900 game window";
  ASSERT_TRUE(game_->waitForLine("Starting to Draw.", kLineTimeout)) << joined(game_->lines());
  EXPECT_EQ(windowsWithTitle(dpy_, kTitle).size(), 1u) << "the start window is still open";
  // The game's icon at each size, smallest first, 8 x 8 cells: sky at the top
  // left, the player's cell at column 3, row 2, grass in row 4.
  const auto icons = windowIcons(dpy_, window_);
  size_t next = 0;  // where the next icon starts
  for (const unsigned long size : {16u, 32u, 48u, 64u, 128u}) {
    ASSERT_GE(icons.size(), next + 2 + size * size) << "no icon of " << size << " pixels";
    EXPECT_EQ(size, icons[next]);
    ASSERT_EQ(size, icons[next + 1]);
    const unsigned long cell = size / 8;
    const auto iconPixel = [&](unsigned long x, unsigned long y) {
      return icons[next + 2 + size * y + x] & 0xffffffffu;
    };
    EXPECT_EQ(0xff7d7dffu, iconPixel(0, 0)) << size;
    EXPECT_EQ(0xff007d7du, iconPixel(3 * cell + cell / 2, 2 * cell + cell / 2)) << size;
    EXPECT_EQ(0xff00ff00u, iconPixel(size - 1, 4 * cell)) << size;
    next += 2 + size * size;
  }
  EXPECT_EQ(next, icons.size()) << "more icons than sizes";

  const auto lines = game_->lines();
  const std::vector<std::string> expected = {
      "Starting Tessaly " TESSALY_VERSION "! Please note that this is mainly a debug window.",
      "Initializing System",
      "Loading Font",
      "Initializing Event Sources",
      "Initializing Player",
      "Creating render thread...",
      "Loading Blocks",
      "Generating a New World",
      "Spawning render thread!",
      "Starting to Draw.",
  };
  const auto at = positionsInOrder(lines, expected);
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_GE(at[i], 0) << "missing or out of order: \"" << expected[i] << "\"\n" << joined(lines);
  EXPECT_EQ(at[0], 0) << "the banner is not the first line\n" << joined(lines);
  // Exactly one line, about the missing Windows font, between these two.
  EXPECT_EQ(at[3] - at[2], 2) << joined(lines);
  for (size_t i = 4; i < expected.size(); ++i) EXPECT_EQ(at[i] - at[i - 1], 1) << joined(lines);
  EXPECT_FALSE(contains(lines, "Loading a saved world"));
  const std::string raw = game_->output();
  EXPECT_TRUE(!raw.empty() && raw.back() == '\n') << "the last line is not ended by a newline";
}

class StartUpWithoutFont : public GameTest {
 protected:
  StartUpWithoutFont() { withFont_ = false; }
};

TEST_F(StartUpWithoutFont, SaysSoPausesForASecondAndFails) {
  ASSERT_NO_FATAL_FAILURE(launch());
  const std::string line = "Unable to find font, you cocked something up... Quitting";
  ASSERT_EQ(game_->waitForExit(kExitTimeout), 1) << joined(game_->lines());
  std::chrono::steady_clock::time_point said;
  ASSERT_TRUE(game_->lineTime(line, said)) << joined(game_->lines());
  // The pause follows the line: the line must be readable before it.
  EXPECT_GE(std::chrono::duration_cast<milliseconds>(game_->exitTime() - said).count(), 950);
  const auto lines = game_->lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), line);
  EXPECT_FALSE(contains(lines, "Initializing Event Sources"));
}

// The X server goes away once play has ended, while the autosave is written
// (its syncs held back three seconds): the game still ends, with status 1
// and the save it had written.
TEST_F(StartUp, LosingTheXServerAfterPlayEndsWithStatusOne) {
  exe_ = (workDir_ / "slow-syncs.sh").string();
  std::ofstream(exe_) << "#!/bin/sh\nexec strace -f -qq -o /dev/null -e trace=fsync "
                      << "-e inject=fsync:delay_enter=3000000 " << TESSALY_EXE << "\n";
  fs::permissions(exe_, fs::perms::owner_all);
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  click(dpy_, window_, 1370, 890);  // Save
  ASSERT_TRUE(game_->waitForLine("Saved the world!", kLineTimeout)) << joined(game_->lines());
  focusWindow(dpy_, window_);
  holdKey(XK_d, 300);
  sendCloseRequest(dpy_, window_);
  pause(1000);
  xvfb_.reset();
  dpy_ = nullptr;
  window_ = kNoWindow;
  const int status = game_->waitForExit(kExitTimeout);
  if (status == -1) ::kill(-game_->pid(), SIGKILL);  // the game too, not strace alone: its group
  EXPECT_EQ(status, 1) << joined(game_->lines());
  EXPECT_EQ(countOf(game_->lines(), "Lost the connection to the display!"), 1) << joined(game_->lines());
  std::error_code ec;
  EXPECT_EQ(fs::file_size(savePath(), ec), kSaveBytes);
}

TEST_F(StartUp, ClosingTheStartWindowQuitsWithStatusOne) {
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  sendCloseRequest(dpy_, window_);
  ASSERT_EQ(game_->waitForExit(kExitTimeout), 1) << joined(game_->lines());
  const auto lines = game_->lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Quitting.") << joined(lines);
  EXPECT_FALSE(contains(lines, "Creating render thread...")) << joined(lines);
  EXPECT_FALSE(contains(lines, "Loading Blocks")) << joined(lines);
}

}  // namespace
