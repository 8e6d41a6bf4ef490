// tessaly-icon OUT.png SIZE: the game's icon as a PNG file of SIZE x SIZE
// pixels, for the installed game's menu entry. Run by the build.
#include <allegro5/allegro.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Picture.h"
#include "screens/Icon.h"

int main(int argc, char** argv) {
  const int size = argc == 3 ? std::atoi(argv[2]) : 0;
  if (size < kIconCells || size > 1024) {
    std::fprintf(stderr, "usage: tessaly-icon OUT.png SIZE (%d to 1024)\n", kIconCells);
    return 2;
  }
  if (!startPictureLibrary()) {
    std::fprintf(stderr, "tessaly-icon: the image library could not be started\n");
    return 1;
  }
  ALLEGRO_BITMAP* icon = makeIconBitmap(size);
  std::string error = "not enough memory";
  const bool written = icon != nullptr && writePngFile(icon, argv[1], &error);
  if (icon != nullptr) al_destroy_bitmap(icon);
  if (!written) {
    std::fprintf(stderr, "tessaly-icon: cannot write %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
