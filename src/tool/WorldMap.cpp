// The save tool's picture of a whole world, as a memory bitmap.
#include "tool/WorldMap.h"

#include <allegro5/allegro.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "platform/Picture.h"
#include "tool/SaveTool.h"

ALLEGRO_BITMAP* makeWorldMap(const World& world, const Player& player, int scale) {
  ALLEGRO_LOCKED_REGION* region = nullptr;
  ALLEGRO_BITMAP* map = createLockedPicture(mapWidth(scale), mapHeight(scale), &region);
  if (map == nullptr) return nullptr;
  if (region->pitch <= 0) {
    al_unlock_bitmap(map);
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
