// tessaly-icon run as a program: the hicolor set it writes, read back as a
// desktop would read it.
#include <allegro5/allegro.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "ProcessRunner.h"
#include "SaveTestFiles.h"
#include "platform/Picture.h"
#include "screens/Icon.h"

namespace fs = std::filesystem;

namespace {

using Picture = std::unique_ptr<ALLEGRO_BITMAP, decltype(&al_destroy_bitmap)>;

Picture loadPicture(const fs::path& path) {
  al_set_new_bitmap_flags(ALLEGRO_MEMORY_BITMAP);
  return Picture(al_load_bitmap(path.c_str()), &al_destroy_bitmap);
}

// Every PNG at its size, and the SVG, drawn by another program at a size that
// gives a cell a fraction of a pixel: opaque everywhere, the same as the
// largest PNG at the middle of every cell.
TEST(IconRun, EveryPngHasItsSizeAndTheSvgDrawsTheLargestOnesCells) {
  const fs::path work = savetest::makeScratchDirectory("tessaly-icon-run");
  ASSERT_FALSE(work.empty());
  const int largest = std::end(kIconSizes)[-1];
  const int drawnSize = largest - kIconCells / 2;
  const std::string pixels = std::to_string(drawnSize);
  const xharness::ProgramRun icons = xharness::runProgram({{TESSALY_ICON_EXE, "icons"}, work.string()});
  const xharness::ProgramRun drawn = xharness::runProgram(
      {{RSVG_CONVERT_EXE, "-w", pixels, "-h", pixels, "-o", "svg.png", "icons/scalable/apps/tessaly.svg"},
       work.string()});
  ASSERT_TRUE(startPictureLibrary());
  const auto folder = [](int size) { return std::to_string(size) + "x" + std::to_string(size); };
  std::vector<Picture> pngs;
  for (const int size : kIconSizes)
    pngs.push_back(loadPicture(work / "icons" / folder(size) / "apps/tessaly.png"));
  const Picture svg = loadPicture(work / "svg.png");
  fs::remove_all(work);
  for (size_t i = 0; i < pngs.size(); ++i) {
    ASSERT_TRUE(pngs[i] != nullptr) << folder(kIconSizes[i]) << ": " << icons.err;
    EXPECT_EQ(kIconSizes[i], al_get_bitmap_width(pngs[i].get()));
    EXPECT_EQ(kIconSizes[i], al_get_bitmap_height(pngs[i].get()));
  }
  ASSERT_TRUE(svg != nullptr) << drawn.err;
  ASSERT_EQ(drawnSize, al_get_bitmap_width(svg.get()));
  for (int y = 0; y < drawnSize; ++y)
    for (int x = 0; x < drawnSize; ++x) ASSERT_EQ(1.0f, al_get_pixel(svg.get(), x, y).a) << x << "," << y;
  // The colour at the middle of cell (x, y) of a picture of `size` pixels, as #rrggbb.
  const auto middle = [](ALLEGRO_BITMAP* picture, int size, int x, int y) {
    unsigned char r, g, b;
    al_unmap_rgb(
        al_get_pixel(picture, (2 * x + 1) * size / (2 * kIconCells), (2 * y + 1) * size / (2 * kIconCells)),
        &r, &g, &b);
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", r, g, b);
    return std::string(hex);
  };
  for (int y = 0; y < kIconCells; ++y)
    for (int x = 0; x < kIconCells; ++x)
      EXPECT_EQ(middle(pngs.back().get(), largest, x, y), middle(svg.get(), drawnSize, x, y))
          << x << "," << y;
}

}  // namespace
