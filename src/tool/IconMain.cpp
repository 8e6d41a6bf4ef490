// tessaly-icon DIR: the game's icon for the installed game's menu entry, as a
// hicolor set under DIR: SIZExSIZE/apps/tessaly.png at each size of
// kIconSizes, then scalable/apps/tessaly.svg. Run by the package build and
// the tests; the only program that links cairo.
#include <allegro5/allegro.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>

#include "platform/Picture.h"
#include "screens/Icon.h"

namespace fs = std::filesystem;

namespace {

bool makeFolder(const fs::path& folder, std::string* error) {
  std::error_code code;
  fs::create_directories(folder, code);
  if (code) *error = code.message();
  return !code;
}

bool writePng(const fs::path& path, int size, std::string* error) {
  ALLEGRO_BITMAP* icon = makeIconBitmap(size);
  if (icon == nullptr) *error = "not enough memory";
  const bool written = icon != nullptr && writePngFile(icon, path.string(), error);
  if (icon != nullptr) al_destroy_bitmap(icon);
  return written;
}

// The icon as an SVG of `size` x `size` pixels that scales: one filled
// rectangle for each run of cells of one colour in a row, row by row from the
// top, each reaching to the icon's bottom right corner. The runs after it
// paint over the rest, so that at a size that gives a cell a fraction of a
// pixel the edges between cells blend with no see-through seam.
bool writeSvg(const fs::path& path, int size, std::string* error) {
  cairo_surface_t* surface = cairo_svg_surface_create(path.c_str(), size, size);
  cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, static_cast<double>(size) / kIconCells, static_cast<double>(size) / kIconCells);
  for (int y = 0; y < kIconCells; ++y)
    for (int x = 0, end = 0; x < kIconCells; x = end) {
      const Rgb8 colour = iconPixel(kIconCells, x, y);
      for (end = x + 1; end < kIconCells && iconPixel(kIconCells, end, y) == colour;) ++end;
      cairo_set_source_rgb(cr, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0);
      cairo_rectangle(cr, x, y, kIconCells - x, kIconCells - y);
      cairo_fill(cr);
    }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) *error = cairo_status_to_string(status);
  return status == CAIRO_STATUS_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tessaly-icon DIR\n");
    return 2;
  }
  if (!startPictureLibrary()) {
    std::fprintf(stderr, "tessaly-icon: the image library could not be started\n");
    return 1;
  }
  const fs::path folder = argv[1];
  std::string error;
  fs::path file;
  bool written = true;
  for (const int size : kIconSizes) {
    file = folder / (std::to_string(size) + "x" + std::to_string(size)) / "apps" / "tessaly.png";
    written = makeFolder(file.parent_path(), &error) && writePng(file, size, &error);
    if (!written) break;
  }
  if (written) {
    file = folder / "scalable" / "apps" / "tessaly.svg";
    written = makeFolder(file.parent_path(), &error) && writeSvg(file, std::end(kIconSizes)[-1], &error);
  }
  if (!written) {
    std::fprintf(stderr, "tessaly-icon: cannot write %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  return 0;
}
