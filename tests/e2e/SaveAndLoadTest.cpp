// The real game's save file: saving, loading at start and during play, and
// damaged files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <X11/keysym.h>

#include "GameFixture.h"

using namespace gametest;

namespace {

using SaveAndLoad = GameTest;

TEST_F(SaveAndLoad, SavedWorldComesBackOnTheNextStart) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitUntilResting(30));
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
  EXPECT_TRUE(near(cellColour(lastShot_, cellX + 10, 470), kGrass));
  EXPECT_EQ(fs::file_size(savePath(), ec), kSaveBytes) << "loading changed the file";
}

TEST_F(SaveAndLoad, LoadWorldWithoutASaveStartsANewWorld) {
  ASSERT_NO_FATAL_FAILURE(startPlaying({centreOf(kLoadWorld)}, 1440, 900));
  const auto lines = game_->lines();
  const auto at = positionsInOrder(
      lines, {"Loading Blocks", "Loading a saved world", "No save found",
              "Error Loading, making a new world instead.", "Spawning render thread!", "Starting to Draw."});
  for (int i = 1; i < 6; ++i) EXPECT_EQ(at[i] - at[i - 1], 1) << joined(lines);
  EXPECT_FALSE(contains(lines, "Loaded the world!"));
  EXPECT_TRUE(waitUntilResting(30)) << "a new world starts the player at (30, 800)";
  EXPECT_FALSE(fs::exists(savePath())) << "loading created a save file";
}

TEST_F(SaveAndLoad, LoadWorldReadsAHandMadeSaveFile) {
  SaveImage save;
  for (int col = 0; col < 720; ++col)
    for (int row = 121; row < 479; ++row) save.setCell(col, row, 4);
  save.setCell(5, 121, 5);
  save.setCell(8, 121, 6);
  save.setCell(12, 118, 2);  // a dirt block floating in the sky
  save.setPlayer(100.0f, 1190.0f);
  ASSERT_TRUE(save.write(savePath()));

  ASSERT_NO_FATAL_FAILURE(startPlaying({centreOf(kLoadWorld)}, 1440, 900));
  EXPECT_TRUE(game_->waitForLine("Loaded the world!", kLineTimeout));
  EXPECT_TRUE(waitForImage(
      dpy_, window_,
      [](const Image& img) {
        return spriteAt(img, 100, 450) && near(cellColour(img, 50, 470), kGold) &&
               near(cellColour(img, 80, 470), kBlack) && near(cellColour(img, 30, 470), kStone) &&
               near(cellColour(img, 120, 440), kDirt) && near(cellColour(img, 110, 470), kStone);
      },
      kSettleTimeout, &lastShot_))
      << "sprite at 100: " << spriteAt(lastShot_, 100, 450)
      << ", gold: " << describe(cellColour(lastShot_, 50, 470))
      << ", underground: " << describe(cellColour(lastShot_, 80, 470))
      << ", stone: " << describe(cellColour(lastShot_, 30, 470))
      << ", dirt: " << describe(cellColour(lastShot_, 120, 440));
  EXPECT_FALSE(contains(game_->lines(), "Error Loading, making a new world instead."));
}

enum class Damage { Empty, Truncated, UnknownBlockKind, Fifo };

const char* nameOf(Damage d) {
  switch (d) {
    case Damage::Empty: return "Empty";
    case Damage::Truncated: return "Truncated";
    case Damage::UnknownBlockKind: return "UnknownBlockKind";
    case Damage::Fifo: return "Fifo";
  }
  return "?";
}
void PrintTo(Damage d, std::ostream* os) { *os << nameOf(d); }

class DamagedSave : public GameTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedSave, SaysWhatIsWrongAndStartsANewWorld) {
  SaveImage save;
  for (int col = 0; col < 720; ++col)
    for (int row = 121; row < 479; ++row) save.setCell(col, row, 4);
  save.setPlayer(100.0f, 1190.0f);
  switch (GetParam()) {
    case Damage::Empty: save.truncate(0); break;
    case Damage::Truncated: save.truncate(kSaveBytes / 2); break;
    case Damage::UnknownBlockKind: save.setCell(300, 200, 42); break;
    case Damage::Fifo: break;
  }
  ASSERT_TRUE(save.write(savePath()));
  if (GetParam() == Damage::Fifo) {  // nothing ever writes to it: reading would wait forever
    fs::remove(savePath());
    ASSERT_EQ(0, mkfifo(savePath().c_str(), 0644));
  }

  ASSERT_NO_FATAL_FAILURE(startPlaying({centreOf(kLoadWorld)}, 1440, 900));
  const auto lines = game_->lines();
  const auto at = positionsInOrder(
      lines, {"Loading a saved world", "Error Loading, making a new world instead.", "Starting to Draw."});
  ASSERT_GE(at[2], 0) << joined(lines);
  EXPECT_EQ(at[1] - at[0], 2) << "expected exactly one line about the damage\n" << joined(lines);
  EXPECT_FALSE(contains(lines, "Loaded the world!")) << joined(lines);
  // A fresh world: the player starts at (30, 800) and lands on grass.
  EXPECT_TRUE(waitUntilResting(30)) << "not a new world";
  EXPECT_TRUE(near(cellColour(lastShot_, 700, 470), kGrass));
}

INSTANTIATE_TEST_SUITE_P(SaveAndLoad, DamagedSave,
                         ::testing::Values(Damage::Empty, Damage::Truncated, Damage::UnknownBlockKind,
                                           Damage::Fifo),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                           return std::string(nameOf(info.param));
                         });

TEST_F(SaveAndLoad, LoadButtonDuringPlayRestoresTheSavedState) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitUntilResting(30));
  focusWindow(dpy_, window_);
  click(dpy_, window_, 55, 475);
  ASSERT_TRUE(waitForCell(50, 470, kBlack));
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
               near(cellColour(img, 60, 470), kGrass);
      },
      milliseconds(5000), &lastShot_))
      << "sprite at 30: " << spriteAt(lastShot_, 30, 450) << ", saved hole "
      << describe(cellColour(lastShot_, 50, 470)) << ", later hole "
      << describe(cellColour(lastShot_, 60, 470));
  closeGameAndExpectCleanExit();
}

TEST_F(SaveAndLoad, LoadButtonWithoutAUsableSaveChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitUntilResting(30));
  click(dpy_, window_, 55, 475);
  ASSERT_TRUE(waitForCell(50, 470, kBlack));

  click(dpy_, window_, 1420, 890);  // Load, with no file
  ASSERT_TRUE(game_->waitForLine("No save found", kLineTimeout)) << joined(game_->lines());

  // Half of a file whose world is stone below the sky and whose player
  // stands at x 100: none of it may reach the running game.
  SaveImage save;
  for (int col = 0; col < 720; ++col)
    for (int row = 121; row < 479; ++row) save.setCell(col, row, 4);
  save.setPlayer(100.0f, 1190.0f);
  save.truncate(kSaveBytes / 2);
  ASSERT_TRUE(save.write(savePath()));
  const size_t before = game_->lines().size();
  click(dpy_, window_, 1420, 890);  // Load, damaged file
  click(dpy_, window_, 1370, 890);  // Save, as a barrier
  ASSERT_TRUE(game_->waitForLine("Saved the world!", kLineTimeout)) << joined(game_->lines());
  const auto lines = game_->lines();
  EXPECT_EQ(lines.size(), before + 2) << "expected one line about the damaged file\n" << joined(lines);
  EXPECT_FALSE(contains(lines, "Loaded the world!")) << joined(lines);

  pause(300);
  const Image img = shot();
  EXPECT_TRUE(spriteAt(img, 30, 450)) << "the player moved";
  EXPECT_TRUE(near(cellColour(img, 50, 470), kBlack)) << describe(cellColour(img, 50, 470));
  for (int x : {30, 60, 300, 1000}) EXPECT_TRUE(near(cellColour(img, x, 470), kGrass)) << "x " << x;
}

}  // namespace
