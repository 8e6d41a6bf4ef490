// The catalogue's tiles, and bitmaps carried across the start-screen/game
// display switch.
#include <gtest/gtest.h>

#include <set>

#include "DisplaySupport.h"
#include "app/StartScreen.h"

using namespace displaytest;

TEST(CatalogueTiles, EachKindDrawsItsColourFromOneAtlas) {
  GameScene scene(320, 200);
  ASSERT_TRUE(scene.ok());
  const BlockType* catalogue = scene.shell.catalogue;
  ALLEGRO_BITMAP* atlas = al_get_parent_bitmap(catalogue[0].bitmap);
  ASSERT_NE(atlas, nullptr);
  EXPECT_EQ(catalogue[kUnderground].bitmap, catalogue[kNull].bitmap);  // tile A, shared
  const std::set<ALLEGRO_BITMAP*> tiles{catalogue[0].bitmap, catalogue[1].bitmap, catalogue[2].bitmap,
                                        catalogue[3].bitmap, catalogue[4].bitmap, catalogue[5].bitmap};
  EXPECT_EQ(tiles.size(), 6u);
  for (int id = 0; id < kBlockKinds; ++id) {
    SCOPED_TRACE(id);
    ALLEGRO_BITMAP* tile = catalogue[id].bitmap;
    EXPECT_EQ(al_get_parent_bitmap(tile), atlas);
    EXPECT_EQ(al_get_bitmap_width(tile), 10);
    EXPECT_EQ(al_get_bitmap_height(tile), 10);
    const Image pixels = readBitmap(tile);
    ASSERT_EQ(pixels.width * pixels.height, 100);
    Mismatches wrong;
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x)
        wrong.check(pixels.pixel(x, y) == kKindColour[id], x, y, pixels.pixel(x, y), "the kind's colour");
    EXPECT_EQ(wrong.count(), 0) << wrong.summary();
  }
}

// Every object the shell makes is there after opening and gone after the
// release, each destroyed once (the sanitizer build catches a second destroy).
TEST(ShellRecord, ReleaseDestroysWhatOpeningMadeOnce) {
  GameScene scene(320, 200);
  ASSERT_TRUE(scene.ok());
  Shell& shell = scene.shell;
  for (const void* made :
       {static_cast<const void*>(shell.display), static_cast<const void*>(shell.font),
        static_cast<const void*>(shell.player.sprite), static_cast<const void*>(shell.buttonBitmap),
        static_cast<const void*>(shell.hudBarBitmap), static_cast<const void*>(shell.renderContext.mutex),
        static_cast<const void*>(shell.renderContext.tickCond)})
    EXPECT_NE(made, nullptr);
  EXPECT_EQ(shell.renderContext.catalogue[kGold].bitmap, shell.catalogue[kGold].bitmap);
  EXPECT_EQ(shell.renderContext.player, &shell.player);
  releaseShell(&shell);
  releaseShell(&shell);  // nothing left to destroy; the scene releases once more
}

// Start-up makes the sprite and the button tile while the start display is
// current; the game's switch to the game display carries them over.
TEST(DisplaySwitch, BitmapsMadeOnTheStartDisplayBecomeGameDisplayTextures) {
  ALLEGRO_DISPLAY* start = al_create_display(640, 240);
  ASSERT_NE(start, nullptr);
  ALLEGRO_BITMAP* sprite = makeFilledBitmap(10, 20, kSpriteColour);
  ASSERT_NE(sprite, nullptr);
  const int flags = al_get_new_display_flags();
  ALLEGRO_DISPLAY* game = replaceStartDisplay(start, 1440, 900, false);
  al_set_new_display_flags(flags);
  ASSERT_NE(game, nullptr);
  EXPECT_EQ(al_get_current_display(), game);
  EXPECT_TRUE(al_get_display_flags(game) & ALLEGRO_GENERATE_EXPOSE_EVENTS);
  EXPECT_FALSE(al_get_bitmap_flags(sprite) & ALLEGRO_MEMORY_BITMAP);

  // It still holds its pixels, and draws onto the game display's bitmaps.
  ALLEGRO_BITMAP* target = al_create_bitmap(20, 30);
  al_set_target_bitmap(target);
  al_clear_to_color(al_map_rgb(0, 0, 0));
  al_draw_bitmap(sprite, 5.0f, 5.0f, 0);
  const Image drawn = readBitmap(target);
  EXPECT_EQ(drawn.pixel(5, 5), kSpriteColour);
  EXPECT_EQ(drawn.pixel(14, 24), kSpriteColour);
  EXPECT_EQ(drawn.pixel(15, 24), kBlack);
  al_destroy_bitmap(target);
  al_destroy_bitmap(sprite);
  al_destroy_display(game);
}
