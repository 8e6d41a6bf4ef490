// What is drawn over the frame: the outline of the cell a click would change,
// the help card, the notices and the map of the whole world, each leaving
// the rest of the frame as it was.
#include <gtest/gtest.h>

#include "DisplaySupport.h"
#include "app/Pointer.h"
#include "render/Frame.h"
#include "render/MapOverlay.h"
#include "screens/HelpCard.h"
#include "screens/HudLayout.h"
#include "screens/NoticeStrip.h"
#include "tool/SaveTool.h"

using namespace displaytest;

namespace {

// The frame of this record and overlay, drawn on `target` and read back.
Image frameWith(ALLEGRO_BITMAP* target, const GameScene& scene, const Overlay& overlay,
                const NoticeList& notices = {}) {
  al_set_target_bitmap(target);
  drawFrame(scene.shell.player, scene.shell.renderContext, nullptr, overlay, notices);
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
  const Box cell{50, 470, 60, 480}, inner{51, 471, 59, 479}, innermost{52, 472, 58, 478};
  const Rgb ring{kOutlineColour.r, kOutlineColour.g, kOutlineColour.b};
  const Rgb innerRing{kOutlineInnerColour.r, kOutlineInnerColour.g, kOutlineInnerColour.b};
  Mismatches wrong;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb seen = outlined.pixel(x, y);
      if (cell.contains(x, y) && !inner.contains(x, y))
        wrong.check(seen == ring, x, y, seen, "the outline");
      else if (inner.contains(x, y) && !innermost.contains(x, y))
        wrong.check(seen == innerRing, x, y, seen, "the outline's inner ring");
      else
        wrong.check(seen == plain.pixel(x, y), x, y, seen, "the frame without the outline");
    }
  EXPECT_EQ(wrong.count(), 0) << wrong.summary();
  if (HasFailure()) saveArtifact(outlined, "-outline");

  // The card covers its box only, with white text on black, and hiding it
  // gives back the frame without it. Wherever the sprite is, the card stands
  // clear of it, above the band.
  for (int spriteX : {0, 300, 715, 1000, 1430})
    for (int spriteY : {0, 200, 440, 830}) {
      const CardBox sprite = spriteBox(spriteX, spriteY);
      const CardBox card = helpCardBox(scene.shell.font, w, h, sprite);
      EXPECT_FALSE(card.overlaps(sprite)) << spriteX << "," << spriteY;
      EXPECT_TRUE(card.left >= 0 && card.top >= 0 && card.left + card.width <= w &&
                  card.top + card.height <= h - kHudLayout.barUp)
          << spriteX << "," << spriteY;
    }
  const Image shown = frameWith(target, scene, Overlay{.panel = Panel::kHelpCard});
  const CardBox box = helpCardBox(scene.shell.font, w, h, spriteBox(30, 450));
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

  // A notice shows at the top, centred, white on its dark backing, inside its
  // box only; once its time is up the frame is the plain one again. Three
  // show at once, a fourth pushes out the oldest.
  postNotice("Saved the world!\n");
  const double posted = noticeClock();
  const NoticeList notices = noticesAt(posted);
  ASSERT_GE(notices.count, 1);
  EXPECT_EQ(notices.lines[notices.count - 1], "Saved the world!");
  const NoticeList one{1, notices.first + notices.count - 1, {"Saved the world!"}};
  const Image noticed = frameWith(target, scene, Overlay{}, one);
  const CardBox strip = noticeBox(scene.shell.font, one, w, h, spriteBox(30, 450), nullptr);
  EXPECT_TRUE(strip.top > 0 && strip.top < 20 && std::abs(2 * strip.left + strip.width - w) <= 1);
  const Box text{strip.left, strip.top, strip.left + strip.width, strip.top + strip.height};
  int dark = 0, lit = 0, elsewhere = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb seen = noticed.pixel(x, y);
      if (!text.contains(x, y)) elsewhere += seen != plain.pixel(x, y);
      dark += text.contains(x, y) && seen.r < 40 && seen.g < 40 && seen.b < 40;
      lit += text.contains(x, y) && seen.r > 200 && seen.g > 200 && seen.b > 200;
    }
  EXPECT_EQ(elsewhere, 0) << "the notice drew outside its box";
  EXPECT_GT(dark, strip.width * strip.height / 2);
  EXPECT_GT(lit, 20);
  if (HasFailure()) saveArtifact(noticed, "-notice");
  EXPECT_EQ(noticesAt(posted + kNoticeSeconds).count, 0);
  EXPECT_TRUE(frameWith(target, scene, Overlay{}, noticesAt(posted + kNoticeSeconds)).rgb == plain.rgb);
  for (const char* line : {"1", "2", "3", "4"}) postNotice(line);
  const NoticeList four = noticesAt(noticeClock());
  EXPECT_TRUE(four.count == 3 && four.lines[0] == "2" && four.lines[2] == "4");
  al_destroy_bitmap(target);
}

// The map M shows is the save tool's map of the same world at the same
// scale, but for the player's mark and the rectangle of the view; a cell
// changed anywhere in the grid shows on it at once, and hiding it gives back
// the frame without it.
TEST(Overlay, TheWorldMapIsTheSaveToolsMapAndLeavesNoTrace) {
  GameScene scene(1920, 1200);
  ASSERT_TRUE(scene.ok());
  CellMap map;
  ASSERT_TRUE(createCellMap(&map, scene.shell.catalogue));
  World& world = *scene.world;
  Player& player = scene.shell.player;
  player.y = 1190.0f;
  const struct {
    int col, row;
    BlockId kind;
  } kChanges[] = {{600, 300, kUnderground}, {400, 100, kGold}};  // a dug cell and gold, out of view
  for (const ScreenSize size : {ScreenSize{1440, 900}, ScreenSize{1920, 1200}}) {
    SCOPED_TRACE(testing::PrintToString(size));
    const int w = size.width, h = size.height;
    scene.setScreen(w, h);
    ALLEGRO_BITMAP* target = al_create_bitmap(w, h);
    ASSERT_NE(target, nullptr);
    al_set_target_bitmap(target);
    drawFrame(player, scene.shell.renderContext, &map);
    const Image plain = readBitmap(target);
    const Overlay withMap{.panel = Panel::kWorldMap};
    drawFrame(player, scene.shell.renderContext, &map, withMap);  // the map before the change
    Cell kept[2];
    for (int i = 0; i < 2; ++i) {
      kept[i] = cellAt(world, kChanges[i].col, kChanges[i].row);
      writeCatalogueEntry(&world, kChanges[i].col, kChanges[i].row, scene.shell.catalogue[kChanges[i].kind]);
    }
    drawFrame(player, scene.shell.renderContext, &map, withMap);
    const Image shown = readBitmap(target);

    const MapPlace place = mapPlaceFor(w, h);
    const int s = place.scale;
    EXPECT_EQ(s, w / 960);
    std::vector<uint8_t> tool(static_cast<size_t>(place.width() * place.height()) * 4);
    paintWorldMap(world, player.x, player.y, s, tool.data(), static_cast<size_t>(place.width()) * 4);
    const MapMark m = mapMarkFor(place, player.x, player.y);
    const Box mark{m.left, m.top, m.left + m.width, m.top + m.height};
    const View view = computeView(player.x, player.y, w, h);
    const Box ring{place.left + (view.firstColumn + view.columnBegin) * s,
                   place.top + (view.firstRow + view.rowBegin) * s,
                   place.left + (view.firstColumn + view.columnEnd) * s,
                   place.top + (view.firstRow + view.rowEnd) * s};
    const Box inside{ring.left + 1, ring.top + 1, ring.right - 1, ring.bottom - 1};
    Mismatches wrong;
    for (int y = 0; y < place.height(); ++y)
      for (int x = 0; x < place.width(); ++x) {
        const int sx = place.left + x, sy = place.top + y;
        const uint8_t* p = &tool[(static_cast<size_t>(y) * place.width() + x) * 4];
        const Rgb seen = shown.pixel(sx, sy);
        if (mark.contains(sx, sy))
          wrong.check(seen == kSpriteColour, sx, sy, seen, "the player's mark");
        else if (ring.contains(sx, sy) && !inside.contains(sx, sy))
          wrong.check(seen == kWhite, sx, sy, seen, "the view's rectangle");
        else
          wrong.check(seen == Rgb{p[0], p[1], p[2]}, sx, sy, seen, "the save tool's pixel");
      }
    const Rgb frame{kMapFrameColour.r, kMapFrameColour.g, kMapFrameColour.b};
    for (int x = place.left - 1; x <= place.left + place.width(); ++x)
      for (int y : {place.top - 1, place.top + place.height()})
        wrong.check(shown.pixel(x, y) == frame, x, y, shown.pixel(x, y), "the frame");
    EXPECT_EQ(wrong.count(), 0) << wrong.summary();
    if (HasFailure()) saveArtifact(shown, "-map");

    drawFrame(player, scene.shell.renderContext, &map);
    EXPECT_TRUE(readBitmap(target).rgb == plain.rgb) << "the map left a trace";
    for (int i = 0; i < 2; ++i) storeCell(&world, cellIndex(kChanges[i].col, kChanges[i].row), kept[i]);
    al_destroy_bitmap(target);
  }
  destroyCellMap(&map);
}

}  // namespace
