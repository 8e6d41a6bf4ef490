// The catalogue's tiles: six 10 x 10 squares of one colour each.
#include <allegro5/allegro.h>

#include "world/World.h"

bool buildBlockCatalogue(BlockCatalogue catalogue) {
  fillCatalogueEntries(catalogue);
  // Tiles A to F are kinds 0 to 5 in their colours; Underground shares tile A
  // with Null (the same colour).
  static constexpr int kTileOf[kBlockKinds] = {0, 1, 2, 3, 4, 5, 0};
  static_assert(kTileColours[kUnderground] == kTileColours[kNull]);

  // All six tiles live in one atlas, so a frame's tile draws batch together.
  ALLEGRO_BITMAP* atlas = al_create_bitmap(6 * kCellSize, kCellSize);
  if (atlas == nullptr) return false;
  ALLEGRO_BITMAP* tiles[6];
  for (int t = 0; t < 6; ++t) {
    tiles[t] = al_create_sub_bitmap(atlas, t * kCellSize, 0, kCellSize, kCellSize);
    if (tiles[t] == nullptr) return false;
    al_set_target_bitmap(tiles[t]);
    al_clear_to_color(al_map_rgb(kTileColours[t].r, kTileColours[t].g, kTileColours[t].b));
  }
  for (int id = 0; id < kBlockKinds; ++id) catalogue[id].bitmap = tiles[kTileOf[id]];
  return true;
}
