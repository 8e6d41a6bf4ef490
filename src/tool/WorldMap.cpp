// The save tool's picture of a whole world, as a memory bitmap.
#include "tool/WorldMap.h"

#include <allegro5/allegro.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "tool/SaveTool.h"

ALLEGRO_BITMAP* makeWorldMap(const World& world, const Player& player, int scale) {
  const int flags = al_get_new_bitmap_flags();
  const int format = al_get_new_bitmap_format();
  al_set_new_bitmap_flags(ALLEGRO_MEMORY_BITMAP);
  // Bytes r, g, b, a in memory: the map's own layout, so the lock copies nothing.
  al_set_new_bitmap_format(ALLEGRO_PIXEL_FORMAT_ABGR_8888);
  ALLEGRO_BITMAP* map = al_create_bitmap(mapWidth(scale), mapHeight(scale));
  al_set_new_bitmap_flags(flags);
  al_set_new_bitmap_format(format);
  if (map == nullptr) return nullptr;
  ALLEGRO_LOCKED_REGION* region = al_lock_bitmap(map, ALLEGRO_PIXEL_FORMAT_ABGR_8888, ALLEGRO_LOCK_WRITEONLY);
  if (region == nullptr || region->pitch <= 0) {
    if (region != nullptr) al_unlock_bitmap(map);
    al_destroy_bitmap(map);
    return nullptr;
  }
  // A large picture is touched for the first time here: in huge pages that
  // costs a fraction of the faults of 4 KB pages (a scale-10 map is 138 MB).
  const size_t bytes = static_cast<size_t>(region->pitch) * static_cast<size_t>(mapHeight(scale));
  const uintptr_t pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t first = (reinterpret_cast<uintptr_t>(region->data) + pageSize - 1) & ~(pageSize - 1);
  const uintptr_t end = reinterpret_cast<uintptr_t>(region->data) + bytes;
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);  // a hint only
  paintWorldMap(world, player.x, player.y, scale, static_cast<uint8_t*>(region->data),
                static_cast<size_t>(region->pitch));
  al_unlock_bitmap(map);
  return map;
}
