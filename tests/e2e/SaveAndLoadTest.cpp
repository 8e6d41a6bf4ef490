// The real game's save file: saving, loading at start and during play, and
// the wiring of a refused load (what each damage says, and the Save and Load
// areas to the pixel, are the unit tests': SaveDisk.*, HudButtonAt.*).
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "GameFixture.h"

using namespace gametest;

namespace {

using SaveAndLoad = GameTest;

// Load World without a save starts a new world; saved, that world comes
// back on the next start.
TEST_F(SaveAndLoad, LoadWorldStartsANewWorldWithoutASaveAndTheSavedOneWithIt) {
  ASSERT_NO_FATAL_FAILURE(startPlaying({centreOf(kLoadWorld)}, 1440, 900));
  const auto fresh = game_->lines();
  const auto next = positionsInOrder(
      fresh, {"Loading Blocks", "Loading a saved world", "No save found",
              "Error Loading, making a new world instead.", "Spawning render thread!", "Starting to Draw."});
  for (int i = 1; i < 6; ++i) EXPECT_EQ(next[i] - next[i - 1], 1) << joined(fresh);
  EXPECT_FALSE(contains(fresh, "Loaded the world!"));
  ASSERT_TRUE(waitUntilResting(30)) << "a new world starts the player at (30, 800)";
  EXPECT_FALSE(fs::exists(savePath())) << "loading created a save file";
  focusWindow(dpy_, window_);
  holdKey(XK_d, 400);
  const int sx = settledSpriteColumn();
  ASSERT_GT(sx, 30);
  ASSERT_LT(sx, 600);
  const int cellX = (sx / 10 + 2) * 10;  // in reach, and not under the player
  click(dpy_, window_, cellX + 5, 475);
  ASSERT_TRUE(waitForCell(cellX, 470, kBlack));

  click(dpy_, window_, 1370, 890);  // Save
  ASSERT_TRUE(game_->waitForLine("Saved the world!", kLineTimeout)) << joined(game_->lines());
  std::error_code ec;
  EXPECT_EQ(fs::file_size(savePath(), ec), kSaveBytes);
  ASSERT_NO_FATAL_FAILURE(closeGameAndExpectCleanExit());

  ASSERT_NO_FATAL_FAILURE(startPlaying({centreOf(kLoadWorld)}, 1440, 900));
  const auto lines = game_->lines();
  const auto at = positionsInOrder(lines, {"Loading Blocks", "Loading a saved world", "Loaded the world!",
                                           "Spawning render thread!", "Starting to Draw."});
  EXPECT_GE(at[4], 0) << joined(lines);
  EXPECT_FALSE(contains(lines, "Generating a New World"));
  EXPECT_FALSE(contains(lines, "Error Loading, making a new world instead."));
  EXPECT_TRUE(waitForImage(
      dpy_, window_,
      [&](const Image& img) { return spriteAt(img, sx, 450) && near(cellColour(img, cellX, 470), kBlack); },
      kSettleTimeout, &lastShot_))
      << "expected the sprite at x " << sx << " and the dug cell at x " << cellX;
  EXPECT_TRUE(near(cellColour(lastShot_, cellX + 10, 470), kGrassTile));
  EXPECT_EQ(fs::file_size(savePath(), ec), kSaveBytes) << "loading changed the file";
}

TEST_F(SaveAndLoad, LoadButtonDuringPlayRestoresTheSavedState) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  focusWindow(dpy_, window_);
  click(dpy_, window_, 55, 475);
  ASSERT_TRUE(waitForCell(50, 470, kBlack));
  // A Load with no file yet changes nothing.
  click(dpy_, window_, 1420, 890);
  ASSERT_TRUE(game_->waitForLine("No save found", kLineTimeout)) << joined(game_->lines());
  pause(300);
  EXPECT_TRUE(spriteAt(shot(), 30, 450)) << "the player moved";
  EXPECT_TRUE(near(cellColour(lastShot_, 50, 470), kBlack)) << describe(cellColour(lastShot_, 50, 470));
  EXPECT_TRUE(near(cellColour(lastShot_, 60, 470), kGrassTile));
  click(dpy_, window_, 1370, 890);  // Save
  ASSERT_TRUE(game_->waitForLine("Saved the world!", kLineTimeout)) << joined(game_->lines());

  // Change things after the save: another hole, a walk to the left edge.
  click(dpy_, window_, 65, 475);
  ASSERT_TRUE(waitForCell(60, 470, kBlack));
  holdKey(XK_Left, 400);
  ASSERT_EQ(settledSpriteColumn(), 0);

  click(dpy_, window_, 1420, 890);  // Load
  ASSERT_TRUE(game_->waitForLine("Loaded the world!", kLineTimeout)) << joined(game_->lines());
  // What the Load threw away was autosaved first.
  EXPECT_GE(
      positionsInOrder(game_->lines(), {"Saved the world!", "Autosaved the world!", "Loaded the world!"})[2],
      0)
      << joined(game_->lines());
  EXPECT_TRUE(fs::exists(workDir_ / "TessalySave.autosave.wld"));
  EXPECT_TRUE(waitForImage(
      dpy_, window_,
      [](const Image& img) {
        return spriteAt(img, 30, 450) && near(cellColour(img, 50, 470), kBlack) &&
               near(cellColour(img, 60, 470), kGrassTile);
      },
      milliseconds(5000), &lastShot_))
      << "sprite at 30: " << spriteAt(lastShot_, 30, 450) << ", saved hole "
      << describe(cellColour(lastShot_, 50, 470)) << ", later hole "
      << describe(cellColour(lastShot_, 60, 470));
  closeGameAndExpectCleanExit();
}

}  // namespace
