#include "screens/Icon.h"

#include <allegro5/allegro.h>

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
