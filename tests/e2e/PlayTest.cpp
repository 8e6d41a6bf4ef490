// Playing the real game: walking at the game's pace, the wheel, digging and
// placing, the map on M, the window drawn again once uncovered; the wiring only. Reach,
// slots and what a dig leaves are the logic tests' (Editing.*,
// KeyboardTest.*), the pictures the drawing tests' (FrameDrawing.*,
// HudDrawing.*).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "GameFixture.h"

using namespace gametest;

namespace {

using Play = GameTest;

TEST_F(Play, HoldingDWalksAbout150PixelsASecond) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  focusWindow(dpy_, window_);
  const int before = settledSpriteColumn();
  ASSERT_EQ(before, 30);
  holdKey(XK_d, 1000);
  const int after = settledSpriteColumn();
  ASSERT_GE(after, 0) << "sprite lost";
  EXPECT_GE(after - before, 110) << "walked from " << before << " to " << after;
  EXPECT_LE(after - before, 190) << "walked from " << before << " to " << after;
  EXPECT_TRUE(spriteAt(lastShot_, after, 450)) << "left the ground while walking";
}

// X11 sends the wheel as buttons 4 (up) and 5 (down).
TEST_F(Play, TheWheelAndTheDigitsChooseTheSlotDiggingAndPlacingUse) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitForCell(138, 900 - 38, kDirtTile)) << "slot 1 marker missing at start";
  click(dpy_, window_, 720, 300, 5);
  click(dpy_, window_, 720, 300, 5);
  EXPECT_TRUE(waitForCell(138, 900 - 18, kStoneTile)) << describe(cellColour(lastShot_, 138, 900 - 18));
  focusWindow(dpy_, window_);
  // The player stands at (30, 1190): grass row 121 is at screen row 470 and
  // sky row 120 at 460; column 5 is within reach.
  click(dpy_, window_, 55, 475);
  ASSERT_TRUE(waitForCell(50, 470, kBlack))
      << "grass dug below row 120 should leave black, got " << describe(cellColour(lastShot_, 50, 470));
  EXPECT_TRUE(spriteAt(lastShot_, 30, 450)) << "the player should still stand on column 3";

  // Slot 2 holds the grass just dug: placed into the sky above the hole.
  tapKey(dpy_, XK_2);
  click(dpy_, window_, 55, 465, 3);
  EXPECT_TRUE(waitForCell(50, 460, kGrassTile)) << "the dug grass was not counted or not placed";
}

// M shows the map of the whole world, centred above the band in its dark
// frame (at 1440 x 900 one pixel a cell, its corner at (360, 185)); a click
// while it shows digs nothing, and Escape hides it.
TEST_F(Play, MShowsTheMapAndEscapeHidesIt) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  focusWindow(dpy_, window_);
  const Rgb frame{40, 40, 40};
  auto frameShows = [&](bool shown) {
    return waitForImage(
        dpy_, window_, [&](const Image& img) { return (img.pixel(359, 184) == frame) == shown; },
        milliseconds(5000), &lastShot_);
  };
  tapKey(dpy_, XK_m);
  ASSERT_TRUE(frameShows(true)) << "no map after M: " << describe(lastShot_.pixel(359, 184));
  EXPECT_EQ(lastShot_.pixel(360 + 400, 185 + 50), kSkyTile) << "the map's sky";
  click(dpy_, window_, 55, 475);  // the grass a click digs without the map
  tapKey(dpy_, XK_Escape);
  ASSERT_TRUE(frameShows(false)) << "the map stayed after Escape";
  EXPECT_TRUE(near(cellColour(lastShot_, 50, 470), kGrassTile)) << "a click dug under the map";
}

// Standing still, the game draws (almost) nothing; a window put over it and
// taken away again leaves the screen without the game's pixels until the
// game draws once more. Each round looks well before the game's
// once-a-second frame, so only its answer to being uncovered passes them all.
TEST_F(Play, AnUncoveredWindowShowsTheGameAgain) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  pause(500);
  const Image still = shot();
  const Window root = DefaultRootWindow(dpy_);
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const Window cover = XCreateSimpleWindow(dpy_, root, 150 * round, 100, 800, 600, 0, 0, 0xFF00FF);
    XMapRaised(dpy_, cover);
    XSync(dpy_, False);
    // The screen, since what a window holds under another is undefined.
    ASSERT_TRUE(waitForImage(
        dpy_, root,
        [&](const Image& img) {
          return img.pixel(150 * round + 400, 400) == Rgb{255, 0, 255};
        },
        milliseconds(10000)));
    XDestroyWindow(dpy_, cover);
    XSync(dpy_, False);
#ifdef TESSALY_SANITIZED
    pause(2500);  // sanitized frames are slow: here only the races of the redraw path are checked
#else
    pause(400);
#endif
    EXPECT_TRUE(shot().rgb == still.rgb) << "the uncovered part was not drawn again";
  }
}

}  // namespace
