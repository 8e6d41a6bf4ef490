// tessaly-icon OUT.png SIZE, or OUT.svg SIZE: the game's icon as a PNG file
// of SIZE x SIZE pixels, or as an SVG of rectangles shown at that size, for
// the installed game's menu entry. Run by the build.
#include <allegro5/allegro.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Picture.h"
#include "screens/Icon.h"

namespace {

bool writeSvg(const char* path, int size, std::string* error) {
  const std::string svg = iconSvg(size);
  std::FILE* file = std::fopen(path, "w");
  bool written = file != nullptr && std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
  if (file != nullptr && std::fclose(file) != 0) written = false;
  if (!written) *error = "the file could not be written";
  return written;
}

bool writePng(const char* path, int size, std::string* error) {
  if (!startPictureLibrary()) {
    *error = "the image library could not be started";
    return false;
  }
  ALLEGRO_BITMAP* icon = makeIconBitmap(size);
  const bool written = icon != nullptr && writePngFile(icon, path, error);
  if (icon != nullptr) al_destroy_bitmap(icon);
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  const int size = argc == 3 ? std::atoi(argv[2]) : 0;
  if (size < kIconCells || size > 1024) {
    std::fprintf(stderr, "usage: tessaly-icon OUT.png|OUT.svg SIZE (%d to 1024)\n", kIconCells);
    return 2;
  }
  const std::string out = argv[1];
  const bool svg = out.size() > 4 && out.compare(out.size() - 4, 4, ".svg") == 0;
  std::string error = "not enough memory";
  if (!(svg ? writeSvg : writePng)(argv[1], size, &error)) {
    std::fprintf(stderr, "tessaly-icon: cannot write %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
