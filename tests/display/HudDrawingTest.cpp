// The heads-up band drawn and read back, for two screen sizes and every
// selected slot. It is drawn onto a magenta bitmap 20 pixels larger than the
// screen each way, so every pixel it touches shows, including the button
// rows that fall below the screen's bottom edge.
#include <gtest/gtest.h>

#include "DisplaySupport.h"
#include "screens/Hud.h"
#include "screens/HudLayout.h"

using namespace displaytest;

namespace {

constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kSlotColour[4] = {kDirtTile, kGrassTile, kStoneTile, kGoldTile};

class HudDrawing : public testing::TestWithParam<ScreenSize> {};

TEST_P(HudDrawing, EveryElementStandsWhereItBelongs) {
  const auto [w, h] = GetParam();
  GameScene scene(320, 200);
  ASSERT_TRUE(scene.ok());
  scene.setScreen(w, h);
  ALLEGRO_BITMAP* target = al_create_bitmap(w + 20, h + 20);
  ASSERT_NE(target, nullptr);
  Player& player = scene.shell.player;
  player.x = 1234.5f;
  player.y = -56.0f;
  player.dirtCount = 0;
  player.grassCount = 7;
  player.stoneCount = 123456;
  player.goldCount = 2147483647;
  Box labels[2];
  for (int b = 0; b < 2; ++b) {
    const HudButtonPlace& place = kHudLayout.buttons[b];
    labels[b] = centredTextBox(scene.shell.font, place.label, w - place.labelFromRight, h - place.labelUp);
  }

  for (int slot = 0; slot <= 5; ++slot) {
    SCOPED_TRACE("selected slot " + std::to_string(slot));
    player.selectedSlot = slot;
    al_set_target_bitmap(target);
    al_clear_to_color(al_map_rgb(kMagenta.r, kMagenta.g, kMagenta.b));
    drawHud(player, scene.shell.catalogue, scene.shell.font, scene.shell.buttonBitmap,
            scene.shell.hudBarBitmap);
    const Image image = readBitmap(target);
    ASSERT_FALSE(image.empty());
    const std::vector<Box> boxes =
        hudElementBoxes(player, scene.shell.font);  // 6 lines, 4 markers, 2 buttons

    Mismatches wrong;
    bool textWhite[6] = {}, labelDark[2] = {};
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) {
        const Rgb c = image.pixel(x, y);
        if (y >= h - kHudLayout.barUp && y < h - kHudLayout.barUp + kHudLayout.barHeight && x < w) {
          wrong.check(c == kBlack, x, y, c, "the bar's black");
          continue;
        }
        if (slot >= 1 && slot <= 4 && boxes[5 + slot].contains(x, y)) {
          wrong.check(c == kSlotColour[slot - 1], x, y, c, "the marker tile");
          continue;
        }
        const int button = boxes[10].contains(x, y) ? 0 : boxes[11].contains(x, y) ? 1 : -1;
        if (button >= 0) {
          if (labels[button].contains(x, y)) {
            wrong.check(c.r == c.g && c.g == c.b && c.r <= kButtonGrey.r, x, y, c,
                        "grey or black label text");
            labelDark[button] |= c.r < 60;
          } else {
            wrong.check(c == kButtonGrey, x, y, c, "the button's grey");
          }
          continue;
        }
        int line = 0;
        while (line < 6 && !boxes[line].contains(x, y)) ++line;
        if (line < 6) {
          // White text blended onto magenta.
          wrong.check(c.r == 255 && c.b == 255, x, y, c, "white text on magenta");
          textWhite[line] |= c == kWhite;
          continue;
        }
        wrong.check(c == kMagenta, x, y, c, "nothing drawn");
      }
    EXPECT_EQ(wrong.count(), 0) << wrong.summary();
    for (int line = 0; line < 6; ++line)
      EXPECT_TRUE(textWhite[line]) << "status line " << line << " shows no white";
    EXPECT_TRUE(labelDark[0] && labelDark[1]) << "a button label shows no black";
    if (HasFailure()) saveArtifact(image, "-slot" + std::to_string(slot));
  }
  al_destroy_bitmap(target);
}

INSTANTIATE_TEST_SUITE_P(Screens, HudDrawing, testing::Values(ScreenSize{1440, 900}, ScreenSize{1680, 1050}),
                         screenSizeName);

}  // namespace
