// The game draws the world through a map of one pixel per cell scaled by
// ten; the frames it gives must be the frames of the plain one-tile-per-cell
// loop, pixel for pixel, through every kind of view and every kind of change.
#include <gtest/gtest.h>

#include <vector>

#include "DisplaySupport.h"
#include "render/Frame.h"
#include "save/SaveFile.h"
#include "world/Terrain.h"

using namespace displaytest;

namespace {

struct Position {
  float x, y;
};

// Two frames of one record, through the map and through the loop, on
// offscreen bitmaps of the screen's size.
class FramePair {
 public:
  FramePair(GameScene& scene, int width, int height) : scene_(scene) {
    scene.setScreen(width, height);
    viaMap_ = al_create_bitmap(width, height);
    perTile_ = al_create_bitmap(width, height);
    mapMade_ = createCellMap(&map_, scene.shell.catalogue);
  }
  ~FramePair() {
    destroyCellMap(&map_);
    if (viaMap_ != nullptr) al_destroy_bitmap(viaMap_);
    if (perTile_ != nullptr) al_destroy_bitmap(perTile_);
  }
  bool ok() const { return mapMade_ && viaMap_ != nullptr && perTile_ != nullptr; }

  // Draw both frames at (x, y) and expect the same pixels; returns the map's frame.
  Image expectSame(Position at, const std::string& step) {
    SCOPED_TRACE(step);
    scene_.shell.player.x = at.x;
    scene_.shell.player.y = at.y;
    al_set_target_bitmap(viaMap_);
    drawFrame(scene_.shell.player, scene_.shell.renderContext, &map_);
    al_set_target_bitmap(perTile_);
    drawFrame(scene_.shell.player, scene_.shell.renderContext, nullptr);
    Image mapped = readBitmap(viaMap_);
    const Image reference = readBitmap(perTile_);
    EXPECT_FALSE(mapped.empty());
    Mismatches wrong;
    for (int y = 0; y < mapped.height && wrong.count() < 1000; ++y)
      for (int x = 0; x < mapped.width; ++x)
        wrong.check(mapped.pixel(x, y) == reference.pixel(x, y), x, y, mapped.pixel(x, y),
                    "the per-tile pixel");
    EXPECT_EQ(wrong.count(), 0) << wrong.summary();
    if (wrong.count() != 0) {
      saveArtifact(mapped, "-" + step + "-map");
      saveArtifact(reference, "-" + step + "-tiles");
    }
    return mapped;
  }

 private:
  GameScene& scene_;
  CellMap map_;
  bool mapMade_ = false;
  ALLEGRO_BITMAP* viaMap_ = nullptr;
  ALLEGRO_BITMAP* perTile_ = nullptr;
};

class CellMapFrames : public testing::TestWithParam<ScreenSize> {};

TEST_P(CellMapFrames, MatchTheOneTilePerCellLoop) {
  const auto [w, h] = GetParam();
  GameScene scene(320, 200);
  ASSERT_TRUE(scene.ok());
  FramePair frames(scene, w, h);
  ASSERT_TRUE(frames.ok());

  // The last view comes back to one whose pixels were written before.
  const Position views[] = {{30.0f, 800.0f},    {1002.5f, 2003.7f}, {1002.5f, 2002.5f}, {0.0f, 2000.0f},
                            {7187.5f, 2000.0f}, {3600.0f, -95.5f},  {3600.0f, -100.0f}, {3600.0f, 4720.0f},
                            {7187.5f, 4720.0f}, {0.0f, -100.0f},    {1002.5f, 2003.7f}};
  for (const Position& at : views)
    frames.expectSame(
        at, "view" + std::to_string(static_cast<int>(at.x)) + "_" + std::to_string(static_cast<int>(at.y)));

  // Single cells change between frames, inside the view at (1002.5, 2003.7).
  const Position here{1002.5f, 2003.7f};
  World* world = scene.world.get();
  const int col = (1002 - w / 2 + w / 4) / 10, row = (2003 - h / 2 + h / 4) / 10;
  const BlockId kinds[] = {kGold, kUnderground, kAir, kNull, kGrass};
  for (BlockId kind : kinds) {
    writeCatalogueEntry(world, col, row, scene.shell.catalogue[kind]);
    writeCatalogueEntry(world, col + 3, row + 1, scene.shell.catalogue[(kind + 2) % kBlockKinds]);
    frames.expectSame(here, "cell" + std::to_string(kind));
  }

  // A cell written many times between two frames shows its last tile.
  for (int n = 0; n < 50; ++n) writeCatalogueEntry(world, col, row, scene.shell.catalogue[n % kBlockKinds]);
  writeCatalogueEntry(world, col, row, scene.shell.catalogue[kStone]);
  const Image shown = frames.expectSame(here, "rewritten");
  const int screenX = 10 * col - (1002 - w / 2) + 5, screenY = 10 * row - (2003 - h / 2) + 5;
  EXPECT_EQ(shown.pixel(screenX, screenY), kStoneTile);

  // The whole world changes: another generation, then a decoded save of a third.
  generateWorldFromSeed(world, scene.shell.catalogue, 2);
  frames.expectSame(here, "regenerated");
  frames.expectSame({30.0f, 800.0f}, "regenerated-start");
  {
    auto other = std::make_unique<World>();
    generateWorldFromSeed(other.get(), scene.shell.catalogue, 3);
    std::vector<uint8_t> bytes(kSaveFileBytes);
    encodeSave(*other, scene.shell.player, bytes.data());
    ASSERT_EQ(findSaveDamage(bytes.data(), bytes.size()), "");
    decodeSave(bytes.data(), world, scene.shell.player, scene.shell.catalogue);
  }
  frames.expectSame(here, "loaded");
  frames.expectSame({7187.5f, 4720.0f}, "loaded-corner");
}

INSTANTIATE_TEST_SUITE_P(Screens, CellMapFrames,
                         testing::Values(ScreenSize{1280, 768}, ScreenSize{1440, 900}, ScreenSize{1680, 1050},
                                         ScreenSize{1920, 1200}, ScreenSize{1445, 905}),
                         screenSizeName);

// A screen larger than the world: both ways of drawing stay inside the grid
// (the ASan build checks the reads) and agree; nothing shows past the world.
TEST(CellMapLargeScreen, FramesInsideTheGrid) {
  constexpr int w = 7300, h = 4900;
  GameScene scene(320, 200);
  ASSERT_TRUE(scene.ok());
  if (al_get_display_option(scene.shell.display, ALLEGRO_MAX_BITMAP_SIZE) < w)
    GTEST_SKIP() << "bitmaps too small";
  FramePair frames(scene, w, h);
  ASSERT_TRUE(frames.ok());
  struct Case {
    Position at;
    Box blank;  // screen pixels past the world's edge
  };
  const Case cases[] = {{{3600.0f, 2400.0f}, {kWorldWidth, 0, w, h - 50}},
                        {{7187.5f, 4720.0f}, {0, 0, w - kWorldWidth, h - 50}},
                        {{0.0f, -100.0f}, {kWorldWidth, 0, w, h - 50}}};
  for (const Case& c : cases) {
    const Image shown = frames.expectSame(c.at, "view" + std::to_string(static_cast<int>(c.at.y)));
    Mismatches wrong;
    for (int y = c.blank.top; y < c.blank.bottom; ++y)
      for (int x = c.blank.left; x < c.blank.right; ++x)
        wrong.check(shown.pixel(x, y) == kBlack, x, y, shown.pixel(x, y), "black");
    EXPECT_EQ(wrong.count(), 0) << wrong.summary();
  }
}

}  // namespace
