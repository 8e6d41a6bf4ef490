// tessaly-icon run as a program: its PNGs, and its SVG drawn back by librsvg.
#include <allegro5/allegro.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "ProcessRunner.h"
#include "SaveTestFiles.h"
#include "platform/Picture.h"
#include "screens/Icon.h"

namespace {

// Each PNG has its size; the SVG, drawn at 31.5 pixels a cell, is opaque and
// has the largest PNG's colour at the middle of every cell.
TEST(IconRun, PngsHaveTheirSizesAndTheSvgDrawsTheLargestOnesCells) {
  const auto work = savetest::makeScratchDirectory("tessaly-icon-run");
  const auto icons = xharness::runProgram({{TESSALY_ICON_EXE, "."}, work});
  const auto drawn = xharness::runProgram(
      {{RSVG_CONVERT_EXE, "-w", "252", "-h", "252", "-o", "svg.png", "scalable/apps/tessaly.svg"}, work});
  ASSERT_TRUE(startPictureLibrary());
  al_set_new_bitmap_flags(ALLEGRO_MEMORY_BITMAP);
  ALLEGRO_BITMAP* png = nullptr;  // the last, the largest
  for (const int size : kIconSizes) {
    if (png != nullptr) al_destroy_bitmap(png);
    png = al_load_bitmap(
        (work / (std::to_string(size) + "x" + std::to_string(size)) / "apps/tessaly.png").c_str());
    EXPECT_TRUE(png != nullptr && al_get_bitmap_width(png) == size && al_get_bitmap_height(png) == size)
        << size << ": " << icons.err;
  }
  ALLEGRO_BITMAP* svg = al_load_bitmap((work / "svg.png").c_str());
  std::filesystem::remove_all(work);
  ASSERT_TRUE(png != nullptr && svg != nullptr) << drawn.err;
  for (int y = 0; y < 252; ++y)
    for (int x = 0; x < 252; ++x) ASSERT_EQ(1.0f, al_get_pixel(svg, x, y).a) << x << "," << y;
  const int cell = al_get_bitmap_width(png) / kIconCells;
  for (int y = 0; y < kIconCells; ++y)
    for (int x = 0; x < kIconCells; ++x) {
      const ALLEGRO_COLOR want = al_get_pixel(png, x * cell + cell / 2, y * cell + cell / 2);
      const ALLEGRO_COLOR got = al_get_pixel(svg, x * 63 / 2 + 16, y * 63 / 2 + 16);
      EXPECT_EQ(std::make_tuple(want.r, want.g, want.b), std::make_tuple(got.r, got.g, got.b))
          << x << "," << y;
    }
  al_destroy_bitmap(png);
  al_destroy_bitmap(svg);
}

}  // namespace
