// The heads-up band's texts and positions, the start screen's buttons and
// the display choice they build up, and the target outline's colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "render/Frame.h"
#include "screens/HudLayout.h"
#include "screens/HudText.h"
#include "screens/MapLayout.h"
#include "screens/StartMenuLogic.h"

namespace {

TEST(HudText, LinesShowPositionsWithOneDecimalAndCountsInFull) {
  Player player;
  player.x = 30.0f;
  player.y = 800.0f;
  player.grassCount = INT32_MIN;
  player.stoneCount = INT32_MAX;
  player.goldCount = 7;
  HudText text = formatHudText(player);
  EXPECT_STREQ("Player X: 30.0", text.playerX);
  EXPECT_STREQ("Player Y: 800.0", text.playerY);
  EXPECT_STREQ("1) Dirt: 0", text.slots[0]);
  EXPECT_STREQ("2) Grass: -2147483648", text.slots[1]);
  EXPECT_STREQ("3) Stone: 2147483647", text.slots[2]);
  EXPECT_STREQ("4) Gold: 7", text.slots[3]);

  // The widest floats still come out whole, not cut at the buffer's end.
  player.x = FLT_MAX;
  player.y = -FLT_MAX;
  text = formatHudText(player);
  EXPECT_STREQ("Player X: 340282346638528859811704183484516925440.0", text.playerX);
  EXPECT_STREQ("Player Y: -340282346638528859811704183484516925440.0", text.playerY);
}

// The line under the map counts the row under the sprite's feet from the
// surface row 121, and names the column of the sprite's middle.
TEST(MapLine, DepthFromTheSurfaceRowDownToTheBottomRow) {
  const struct {
    float x, y;
    const char* line;
  } kCases[] = {
      {30.0f, 1190.0f, "Column 3 - 0 blocks below the surface"},        // standing on the surface row
      {34.0f, 1189.5f, "Column 3 - above the surface"},                 // just above it
      {35.0f, 1200.0f, "Column 4 - 1 block below the surface"},         // its middle past column 3
      {7190.0f, 4770.0f, "Column 719 - 358 blocks below the surface"},  // on the bottom row
      {-FLT_MAX, FLT_MAX, "Column 0 - 358 blocks below the surface"},   // kept in the grid
  };
  for (const auto& c : kCases) {
    Player player;
    player.x = c.x;
    player.y = c.y;
    EXPECT_STREQ(c.line, formatMapLine(player).text) << c.x << "," << c.y;
  }
}

TEST(HudText, NoMarkerForASlotOutsideOneToFour) {
  for (int slot : {0, 5, -1, INT32_MIN, INT32_MAX}) {
    int x = -123, y = -123;
    EXPECT_FALSE(hudMarkerPosition(slot, 900, &x, &y)) << slot;
    EXPECT_EQ(x, -123);
    EXPECT_EQ(y, -123);
  }
}

TEST(StartMenu, ClicksHitOnlyStrictlyInsideAButton) {
  const struct {
    int x, y, button;
  } kClicks[] = {{50, 70, -1},           {130, 70, -1},
                 {51, 70, k1280x768},    {129, 89, k1280x768},
                 {90, 50, -1},           {90, 90, -1},
                 {240, 70, k1440x900},   {390, 70, k1680x1050},
                 {540, 70, kFullscreen}, {255, 180, kNewWorld},
                 {415, 180, kLoadWorld}, {420, 180, -1},
                 {320, 120, -1},         {0, 0, -1}};
  for (const auto& c : kClicks) EXPECT_EQ(c.button, hitStartButton(c.x, c.y)) << c.x << "," << c.y;
}

struct Outcome {
  int width, height;
  bool frameless, loadRequested, finished;
  int picked;  // the size button marked on the start screen
};

// Plays clicks on the start screen from the start-up choice, as the menus do,
// and reports the display it ends with on a monitor spanning (100,50)-(2019,1129)
// and the size button marked.
Outcome playMenu(const std::vector<std::pair<int, int>>& clicks) {
  StartChoice choice{1440, 900, false, false, false};
  for (auto [x, y] : clicks) {
    if (choice.finished) break;
    choice = applyStartButton(choice, hitStartButton(x, y));
  }
  Outcome out{0, 0, choice.frameless, choice.loadRequested, choice.finished, pickedSizeButton(choice)};
  EXPECT_EQ(choice.frameless, chosenDisplaySize(choice, true, 100, 50, 2019, 1129, &out.width, &out.height));
  return out;
}

TEST(StartMenu, ChoiceSequencesGiveTheirDisplays) {
  const std::pair<int, int> r1280{90, 70}, r1440{240, 70}, r1680{390, 70}, full{540, 70}, newWorld{255, 180},
      load{380, 180}, nothing{10, 10};
  const struct {
    const char* name;
    std::vector<std::pair<int, int>> clicks;
    Outcome expected;
  } kCases[] = {
      {"new world first", {newWorld}, {1440, 900, false, false, true, k1440x900}},
      {"1680x1050 then load", {r1680, load}, {1680, 1050, false, true, true, k1680x1050}},
      {"fullscreen then new", {full, newWorld}, {1920, 1080, true, false, true, kFullscreen}},
      {"fullscreen then 1440x900", {full, r1440, newWorld}, {1440, 900, false, false, true, k1440x900}},
      {"1280x768 then fullscreen", {r1280, full, newWorld}, {1920, 1080, true, false, true, kFullscreen}},
      {"misses change nothing",
       {nothing, r1680, nothing, newWorld},
       {1680, 1050, false, false, true, k1680x1050}},
      {"nothing after the end", {newWorld, r1680, load}, {1440, 900, false, false, true, k1440x900}},
      {"no world chosen yet", {r1680, full}, {1920, 1080, true, false, false, kFullscreen}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const Outcome got = playMenu(c.clicks);
    EXPECT_EQ(c.expected.width, got.width);
    EXPECT_EQ(c.expected.height, got.height);
    EXPECT_EQ(c.expected.frameless, got.frameless);
    EXPECT_EQ(c.expected.loadRequested, got.loadRequested);
    EXPECT_EQ(c.expected.finished, got.finished);
    EXPECT_EQ(c.expected.picked, got.picked);
  }
  const Outcome small = playMenu({r1280, newWorld});
  EXPECT_EQ(1280, small.width);
  EXPECT_EQ(768, small.height);
  EXPECT_FALSE(small.frameless);

  // Fullscreen without the monitor's extent (or with an empty one) keeps the
  // pending size, framed, instead of a 1 x 1 window.
  const StartChoice full1280{1280, 768, true, false, true};
  for (bool known : {false, true}) {
    int width = 0, height = 0;
    EXPECT_FALSE(chosenDisplaySize(full1280, known, 0, 0, known ? -1 : 0, known ? -1 : 0, &width, &height));
    EXPECT_EQ(1280, width);
    EXPECT_EQ(768, height);
  }
}

}  // namespace

namespace {

// Relative luminance of an sRGB colour, and the contrast ratio of two.
double luminance(Rgb8 c) {
  auto linear = [](uint8_t v) {
    const double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}
double contrast(Rgb8 a, Rgb8 b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// On every ground a cell can show, one ring of the outline stands out at 3:1.
TEST(Outline, OneRingStandsOutFromEveryGround) {
  for (const Rgb8& ground : kTileColours)
    EXPECT_GE(std::max(contrast(ground, kOutlineColour), contrast(ground, kOutlineInnerColour)), 3.0)
        << int(ground.r) << "," << int(ground.g) << "," << int(ground.b);
}

}  // namespace
