// The world drawn through a map of one pixel per cell, scaled ten times.
#include "render/CellMap.h"

#include <allegro5/allegro.h>

#include <algorithm>

namespace {

// Colours as ABGR_8888 pixels: red in the lowest byte.
uint32_t packPixel(ALLEGRO_COLOR colour) {
  unsigned char r, g, b, a;
  al_unmap_rgba(colour, &r, &g, &b, &a);
  return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16 |
         static_cast<uint32_t>(a) << 24;
}

}  // namespace

bool createCellMap(CellMap* map, const BlockType* catalogue) {
  const int flags = al_get_new_bitmap_flags();
  al_set_new_bitmap_flags(ALLEGRO_VIDEO_BITMAP);  // nearest-neighbour scaling: no filter flags
  map->bitmap = al_create_bitmap(kWorldColumns, kWorldRows);
  al_set_new_bitmap_flags(flags);
  if (map->bitmap == nullptr) return false;
  map->lastTile.assign(kWorldCells, nullptr);
  map->changed.clear();
  map->changed.reserve(kWorldCells);
  for (int id = 0; id < kBlockKinds; ++id) {
    map->tiles[id] = catalogue[id].bitmap;
    map->colours[id] = packPixel(al_get_pixel(catalogue[id].bitmap, 0, 0));
  }
  return true;
}

void destroyCellMap(CellMap* map) {
  if (map->bitmap != nullptr) al_destroy_bitmap(map->bitmap);
  map->bitmap = nullptr;
}

namespace {

// The pixel for a tile; black for a tile the catalogue does not know.
uint32_t colourOf(const CellMap& map, ALLEGRO_BITMAP* tile) {
  for (int id = 0; id < kBlockKinds; ++id)
    if (map.tiles[id] == tile) return map.colours[id];
  return 0xFF000000u;
}

}  // namespace

bool updateCellMap(CellMap* map, const View& view, const World& world) {
  int left = kWorldColumns, top = kWorldRows, right = -1, bottom = -1;
  map->changed.clear();
  for (int i = view.columnBegin; i < view.columnEnd; ++i) {
    const int col = view.firstColumn + i;
    for (int j = view.rowBegin; j < view.rowEnd; ++j) {
      const int row = view.firstRow + j;
      const int index = cellIndex(col, row);
      ALLEGRO_BITMAP* tile = loadTile(world.cells[index]);
      if (tile == map->lastTile[index]) continue;
      map->lastTile[index] = tile;
      map->changed.push_back(index);
      left = std::min(left, col);
      right = std::max(right, col);
      top = std::min(top, row);
      bottom = std::max(bottom, row);
    }
  }
  if (map->changed.empty()) return false;

  // A write-only lock uploads the whole region, so every pixel in it is
  // written: the region lies inside the view, whose cells are all current.
  const int width = right - left + 1;
  const int height = bottom - top + 1;
  ALLEGRO_LOCKED_REGION* region = al_lock_bitmap_region(
      map->bitmap, left, top, width, height, ALLEGRO_PIXEL_FORMAT_ABGR_8888, ALLEGRO_LOCK_WRITEONLY);
  if (region == nullptr) {
    // Try again next frame.
    for (int index : map->changed) map->lastTile[index] = nullptr;
    map->retry = true;
    return true;
  }
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<uint32_t*>(static_cast<char*>(region->data) + y * region->pitch);
    for (int x = 0; x < width; ++x) line[x] = colourOf(*map, map->lastTile[cellIndex(left + x, top + y)]);
  }
  al_unlock_bitmap(map->bitmap);
  return true;
}

bool updateWholeCellMap(CellMap* map, const World& world) {
  // The count is read before the tiles: a change made during the reading
  // raises it past what is kept here, and the next update reads again.
  const uint32_t edits = loadEdits(world);
  if (map->wholeWorld == &world && map->wholeEdits == edits) return false;
  View all{};
  all.columnEnd = kWorldColumns;
  all.rowEnd = kWorldRows;
  map->retry = false;
  const bool changed = updateCellMap(map, all, world);
  map->wholeWorld = map->retry ? nullptr : &world;
  map->wholeEdits = edits;
  return changed;
}

void drawCellMap(const CellMap& map, const View& view) {
  const int columns = view.columnEnd - view.columnBegin;
  const int rows = view.rowEnd - view.rowBegin;
  if (columns <= 0 || rows <= 0) return;
  // Every map pixel is opaque, so copying beats blending and gives the same
  // pixels; the software rasteriser saves a read of every screen pixel.
  int op, source, destination;
  al_get_blender(&op, &source, &destination);
  al_set_blender(ALLEGRO_ADD, ALLEGRO_ONE, ALLEGRO_ZERO);
  al_draw_scaled_bitmap(map.bitmap, static_cast<float>(view.firstColumn + view.columnBegin),
                        static_cast<float>(view.firstRow + view.rowBegin), static_cast<float>(columns),
                        static_cast<float>(rows),
                        static_cast<float>(kCellSize * view.columnBegin - view.shiftX),
                        static_cast<float>(kCellSize * view.rowBegin - view.shiftY),
                        static_cast<float>(kCellSize * columns), static_cast<float>(kCellSize * rows), 0);
  al_set_blender(op, source, destination);
}
