// F12 in play: the picture of the frame on screen. Its names, one new file
// for each press, are the drawing tests' (Screenshots.*).
#include <allegro5/allegro.h>
#include <allegro5/allegro_image.h>
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <regex>

#include "GameFixture.h"

using namespace gametest;

namespace {

using Screenshot = GameTest;

TEST_F(Screenshot, F12SavesTheFrameOnScreenAsANewFile) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitUntilResting(30));
  pause(300);
  const Image screen = shot();  // the player stands: every frame from now on is this one
  focusWindow(dpy_, window_);
  tapKey(dpy_, XK_F12);

  std::string line;
  for (int i = 0; i < 200 && line.empty(); ++i, pause(50))
    for (const auto& l : game_->lines())
      if (l.rfind("Saved a picture: ", 0) == 0 || l == "Failed to save a picture!") line = l;
  std::smatch match;
  ASSERT_TRUE(std::regex_match(line, match, std::regex("Saved a picture: (TessalyShot-\\d{8}-\\d{6}\\.png)")))
      << "\"" << line << "\"\n"
      << joined(game_->lines());
  const fs::path picture = workDir_ / match[1].str();

  ASSERT_TRUE(al_init() && al_init_image_addon());
  al_set_new_bitmap_flags(ALLEGRO_MEMORY_BITMAP);
  ALLEGRO_BITMAP* image = al_load_bitmap(picture.c_str());
  ASSERT_NE(nullptr, image) << picture;
  EXPECT_EQ(1440, al_get_bitmap_width(image));
  EXPECT_EQ(900, al_get_bitmap_height(image));
  // Sky, the sprite, grass, dirt below, the inventory band and the corner buttons.
  const Point kPoints[] = {{720, 100}, {35, 460},  {39, 469},   {705, 475},  {300, 600},
                           {20, 880},  {200, 885}, {1400, 880}, {1439, 899}, {0, 0}};
  for (Point p : kPoints) {
    unsigned char r, g, b;
    al_unmap_rgb(al_get_pixel(image, p.x, p.y), &r, &g, &b);
    EXPECT_EQ(describe(screen.pixel(p.x, p.y)), describe(Rgb{r, g, b})) << p.x << "," << p.y;
  }
  al_destroy_bitmap(image);
  closeGameAndExpectCleanExit();
}

}  // namespace
