#include "screens/Icon.h"

#include <allegro5/allegro.h>

#include <cstdio>

namespace {

// One letter a cell, top row first: Air, Player, Grass, Dirt, Stone, gOld.
constexpr char kIconRows[kIconCells][kIconCells + 1] = {
    "AAAAAAAA",  //
    "AAAAAAAA",  //
    "AAAPAAAA",  //
    "AAAPAAGA",  //
    "GGGGGGGG",  //
    "DDDDDDDD",  //
    "DSDDSDDS",  //
    "SSOSSSOS",  //
};

Rgb8 cellColour(char letter) {
  switch (letter) {
    case 'P': return kPlayerColour;
    case 'G': return kTileColours[kGrass];
    case 'D': return kTileColours[kDirt];
    case 'S': return kTileColours[kStone];
    case 'O': return kTileColours[kGold];
    default: return kTileColours[kAir];
  }
}

}  // namespace

Rgb8 iconPixel(int size, int x, int y) {
  return cellColour(kIconRows[y * kIconCells / size][x * kIconCells / size]);
}

ALLEGRO_BITMAP* makeIconBitmap(int size) {
  const int flags = al_get_new_bitmap_flags();
  al_set_new_bitmap_flags(ALLEGRO_MEMORY_BITMAP);
  ALLEGRO_BITMAP* icon = al_create_bitmap(size, size);
  al_set_new_bitmap_flags(flags);
  if (icon == nullptr) return nullptr;
  if (al_lock_bitmap(icon, ALLEGRO_PIXEL_FORMAT_ANY, ALLEGRO_LOCK_WRITEONLY) == nullptr) {
    al_destroy_bitmap(icon);
    return nullptr;
  }
  ALLEGRO_BITMAP* target = al_get_target_bitmap();
  al_set_target_bitmap(icon);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const Rgb8 colour = iconPixel(size, x, y);
      al_put_pixel(x, y, al_map_rgb(colour.r, colour.g, colour.b));
    }
  al_unlock_bitmap(icon);
  al_set_target_bitmap(target);
  return icon;
}

std::string iconSvg(int size) {
  char text[160];
  std::snprintf(text, sizeof text,
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
                "shape-rendering=\"crispEdges\">\n",
                size, size, kIconCells, kIconCells);
  std::string svg = text;
  for (int y = 0; y < kIconCells; ++y)
    for (int x = 0, end = 0; x < kIconCells; x = end) {
      const Rgb8 colour = iconPixel(kIconCells, x, y);
      for (end = x + 1; end < kIconCells && iconPixel(kIconCells, end, y) == colour;) ++end;
      std::snprintf(text, sizeof text,
                    "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"1\" fill=\"#%02x%02x%02x\"/>\n", x, y,
                    end - x, colour.r, colour.g, colour.b);
      svg += text;
    }
  return svg + "</svg>\n";
}
