// Catalogues, hand-made grids and events for the logic tests and benchmarks:
// a world all Air (or any one kind) with chosen cells of other kinds, built
// from the catalogue without its tiles.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>

#include "player/Player.h"
#include "world/World.h"

// The seven entries with distinct fake tile handles from `base` on, so that
// a copy of an entry can be traced to its catalogue; logic never draws them.
inline void fillTracedCatalogue(BlockCatalogue catalogue, uintptr_t base) {
  fillCatalogueEntries(catalogue);
  for (int id = 0; id < kBlockKinds; ++id)
    catalogue[id].bitmap = reinterpret_cast<ALLEGRO_BITMAP*>(base + 0x10 * id);
}

// The seven catalogue entries, names and passability only (no tiles).
inline const BlockType* testCatalogue() {
  static BlockCatalogue entries;
  static const bool filled = (fillCatalogueEntries(entries), true);
  (void)filled;
  return entries;
}

// A grid on the heap (it is ~10 MB) with every cell of one kind.
inline std::unique_ptr<World> makeUniformWorld(BlockId kind = kAir) {
  auto world = std::make_unique<World>();
  for (int col = 0; col < kWorldColumns; ++col)
    for (int row = 0; row < kWorldRows; ++row)
      writeCatalogueEntry(world.get(), col, row, testCatalogue()[kind]);
  return world;
}

// Put `kind` into the cell at (col, row).
inline void setCell(World* world, int col, int row, BlockId kind = kStone) {
  writeCatalogueEntry(world, col, row, testCatalogue()[kind]);
}

// Put `kind` into columns firstCol..lastCol of one row.
inline void setRow(World* world, int row, BlockId kind = kStone, int firstCol = 0,
                   int lastCol = kWorldColumns - 1) {
  for (int col = firstCol; col <= lastCol; ++col) setCell(world, col, row, kind);
}

// An event as the library delivers it: a key's, or the mouse's at (x, y).
inline ALLEGRO_EVENT keyEvent(ALLEGRO_EVENT_TYPE type, int keycode) {
  ALLEGRO_EVENT event{};
  event.type = type, event.keyboard.keycode = keycode;
  return event;
}
inline ALLEGRO_EVENT mouseEvent(ALLEGRO_EVENT_TYPE type, int x, int y, int button) {
  ALLEGRO_EVENT event{};
  event.type = type, event.mouse.x = x, event.mouse.y = y, event.mouse.button = static_cast<unsigned>(button);
  return event;
}

// Whether two player records hold the same value in every field.
inline bool samePlayer(const Player& a, const Player& b) {
  return a.x == b.x && a.y == b.y && a.dirtCount == b.dirtCount && a.grassCount == b.grassCount &&
         a.stoneCount == b.stoneCount && a.goldCount == b.goldCount && a.sprite == b.sprite &&
         a.onGround == b.onGround && a.selectedSlot == b.selectedSlot &&
         std::equal(std::begin(a.keys), std::end(a.keys), std::begin(b.keys)) &&
         a.screenWidth == b.screenWidth && a.screenHeight == b.screenHeight &&
         a.loadRequested == b.loadRequested && a.loadFailed == b.loadFailed;
}
