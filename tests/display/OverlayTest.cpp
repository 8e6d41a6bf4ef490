// What is drawn over the frame: the outline of the cell a click would change
// and the help card, each leaving the rest of the frame as it was.
#include <gtest/gtest.h>

#include "DisplaySupport.h"
#include "app/Pointer.h"
#include "render/Frame.h"
#include "screens/HelpCard.h"

using namespace displaytest;

namespace {

// The frame of this record and overlay, drawn on `target` and read back.
Image frameWith(ALLEGRO_BITMAP* target, const GameScene& scene, const Overlay& overlay) {
  al_set_target_bitmap(target);
  drawFrame(scene.shell.player, scene.shell.renderContext, nullptr, overlay);
  return readBitmap(target);
}

// The player stands on the grass at (30, 1190): grass row 121 is drawn at
// screen row 470, and column 5 is within reach while column 8 is not.
TEST(Overlay, OutlinesTheCellAClickChangesAndTheCardGoesAway) {
  constexpr int w = 1440, h = 900;
  GameScene scene(w, h);
  ASSERT_TRUE(scene.ok());
  scene.shell.player.y = 1190.0f;
  ALLEGRO_BITMAP* target = al_create_bitmap(w, h);
  ASSERT_NE(target, nullptr);
  const Image plain = frameWith(target, scene, Overlay{});

  auto pointerAt = [&](int x) { return overlayFor({true, x, 475}, *scene.world, scene.shell.player); };
  EXPECT_TRUE(frameWith(target, scene, pointerAt(85)).rgb == plain.rgb) << "an outline out of reach";
  const Image outlined = frameWith(target, scene, pointerAt(55));
  const Box cell{50, 470, 60, 480}, inner{51, 471, 59, 479};
  const Rgb ring{kOutlineColour.r, kOutlineColour.g, kOutlineColour.b};
  Mismatches wrong;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb seen = outlined.pixel(x, y);
      if (cell.contains(x, y) && !inner.contains(x, y))
        wrong.check(seen == ring, x, y, seen, "the outline");
      else
        wrong.check(seen == plain.pixel(x, y), x, y, seen, "the frame without the outline");
    }
  EXPECT_EQ(wrong.count(), 0) << wrong.summary();
  if (HasFailure()) saveArtifact(outlined, "-outline");

  // The card covers the middle only, with white text on black, and hiding
  // it gives back the frame without it.
  const Image shown = frameWith(target, scene, Overlay{.panel = Panel::kHelpCard});
  const CardBox box = helpCardBox(scene.shell.font, w, h);
  const Box area{box.left, box.top, box.left + box.width, box.top + box.height};
  EXPECT_TRUE(box.left > 0 && box.top > 0) << "the card does not fit";
  int white = 0, black = 0, outside = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb seen = shown.pixel(x, y);
      if (!area.contains(x, y)) outside += seen != plain.pixel(x, y);
      white += area.contains(x, y) && seen == kWhite;
      black += area.contains(x, y) && seen == kBlack;
    }
  EXPECT_EQ(outside, 0) << "the card drew outside its box";
  EXPECT_GT(black, box.width * box.height / 2);
  EXPECT_GT(white, 2 * (box.width + box.height));  // the frame and some text
  if (HasFailure()) saveArtifact(shown, "-card");
  EXPECT_TRUE(frameWith(target, scene, Overlay{}).rgb == plain.rgb) << "the card left a trace";
  al_destroy_bitmap(target);
}

}  // namespace
