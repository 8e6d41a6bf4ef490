// The real game's start screen: the display its choices lead to. Its picture
// is the drawing tests' (StartScreen.ShowsHeadingsAndSixGreyButtonsOnBlack),
// and which sizes its clicks choose the logic tests' (StartMenu.*); here only
// the wiring: the size and a frameless display reach the game (Load World's
// is the save tests').
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "GameFixture.h"

using namespace gametest;

namespace {

using StartScreen = GameTest;

TEST_F(StartScreen, ChosenSizeCarriesIntoTheGameAndItsHud) {
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  // Any mouse button chooses on the start screen.
  click(dpy_, window_, centreOf(k1680).x, centreOf(k1680).y, 3);
  click(dpy_, window_, centreOf(kNewWorld).x, centreOf(kNewWorld).y);
  window_ = waitForWindowSize(dpy_, kTitle, 1680, 1050, kStartTimeout);
  ASSERT_NE(window_, kNoWindow) << "no 1680x1050 game window\n" << joined(game_->lines());
  ASSERT_TRUE(game_->waitForLine("Starting to Draw.", kLineTimeout));
  EXPECT_FALSE(windowIsFrameless(dpy_, window_));

  const int W = 1680, H = 1050;
  Image img;
  // The sprite sits at (30, H/2) while the view follows it down.
  ASSERT_TRUE(waitForImage(
      dpy_, window_, [&](const Image& i) { return spriteAt(i, 30, H / 2); }, kSettleTimeout, &img));
  lastShot_ = img;
  // The band follows the size (its every pixel is the drawing tests'): the
  // bar across the whole width, the buttons in the corner.
  EXPECT_FALSE(near(img.pixel(W - 1, H - 51), kBlack)) << "world cells should reach the bar";
  for (int y : {H - 50, H - 41}) EXPECT_TRUE(near(img.pixel(W - 1, y), kBlack)) << "bar row " << y;
  for (Point p : {Point{W - 40, H - 25}, Point{W - 61, H - 1}})
    EXPECT_TRUE(near(img.pixel(p.x, p.y), kButtonGrey)) << p.x << ", " << p.y;
}

// The X server's screen is 1920x1200, so a "Fullscreen" display is one pixel
// larger each way than the monitor's extent reports.
TEST_F(StartScreen, FullscreenOpensOneFramelessDisplayOverTheMonitor) {
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  for (Point corner : {kFullscreen, kNewWorld}) click(dpy_, window_, centreOf(corner).x, centreOf(corner).y);
  ASSERT_TRUE(game_->waitForLine("Starting to Draw.", kStartTimeout)) << joined(game_->lines());
  window_ = waitForWindowSize(dpy_, kTitle, 1921, 1201, milliseconds(2000));
  ASSERT_NE(window_, kNoWindow) << "window is "
                                << windowSize(dpy_, findWindow(dpy_, kTitle, milliseconds(100))).width;
  EXPECT_TRUE(windowIsFrameless(dpy_, window_));
}

}  // namespace
