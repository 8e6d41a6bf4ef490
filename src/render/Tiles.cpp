// The catalogue's tiles: six 10 x 10 squares of one colour each.
#include "render/Tiles.h"

#include <allegro5/allegro.h>

namespace {

constexpr int kTiles = 6;
// Tiles A to F are kinds 0 to 5 in their colours; Null and Underground share tile A.
constexpr int kTileOf[kBlockKinds] = {0, 1, 2, 3, 4, 5, 0};

}  // namespace

bool buildBlockCatalogue(BlockCatalogue catalogue) {
  fillCatalogueEntries(catalogue);
  static_assert(kTileColours[kUnderground] == kTileColours[kNull], "Null and Underground share tile A");

  // All six tiles live in one atlas, so a frame's tile draws batch together.
  ALLEGRO_BITMAP* atlas = al_create_bitmap(kTiles * kCellSize, kCellSize);
  if (atlas == nullptr) return false;
  ALLEGRO_BITMAP* tiles[kTiles] = {};
  for (int t = 0; t < kTiles; ++t) {
    tiles[t] = al_create_sub_bitmap(atlas, t * kCellSize, 0, kCellSize, kCellSize);
    if (tiles[t] == nullptr) {
      for (int made = 0; made < t; ++made) al_destroy_bitmap(tiles[made]);
      al_destroy_bitmap(atlas);
      return false;
    }
    al_set_target_bitmap(tiles[t]);
    al_clear_to_color(al_map_rgb(kTileColours[t].r, kTileColours[t].g, kTileColours[t].b));
  }
  for (int id = 0; id < kBlockKinds; ++id) catalogue[id].bitmap = tiles[kTileOf[id]];
  return true;
}

void destroyBlockCatalogue(BlockCatalogue catalogue) {
  if (catalogue[kNull].bitmap == nullptr) return;
  ALLEGRO_BITMAP* atlas = al_get_parent_bitmap(catalogue[kNull].bitmap);
  // Each tile once: the entries that do not share an earlier entry's tile.
  for (int id = 0; id < kBlockKinds; ++id)
    if (kTileOf[id] == id) al_destroy_bitmap(catalogue[id].bitmap);
  al_destroy_bitmap(atlas);
  for (int id = 0; id < kBlockKinds; ++id) catalogue[id].bitmap = nullptr;
}
