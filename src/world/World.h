// The world grid, its cells and the catalogue of block kinds.
#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>
#include <cstring>

struct ALLEGRO_BITMAP;

constexpr int kWorldColumns = 720;
constexpr int kWorldRows = 480;
constexpr int kCellSize = 10;
constexpr int kWorldCells = kWorldColumns * kWorldRows;  // 345,600
constexpr int kWorldWidth = kWorldColumns * kCellSize;   // 7200 pixels
constexpr int kWorldHeight = kWorldRows * kCellSize;     // 4800 pixels
// The sky: a new world is Air down to this row, and digging leaves Air there
// (Underground below).
constexpr int kLastAirRow = 120;

// Block kinds; the value is the catalogue index and the cell's typeId.
enum BlockId : int32_t {
  kNull = 0,  // bottom row; solid, never dug nor replaced
  kAir = 1,   // sky; what digging leaves in rows 0 to 120
  kDirt = 2,
  kGrass = 3,
  kStone = 4,
  kGold = 5,
  kUnderground = 6,  // what digging leaves in rows 121 and below
};
constexpr int kBlockKinds = 7;

// An opaque colour, 8 bits a channel.
struct Rgb8 {
  uint8_t r, g, b;
  constexpr bool operator==(const Rgb8&) const = default;
};

// Each kind's tile colour, by typeId: the game's tiles and the save tool's
// map are both made from this one table. Null and Underground share black.
constexpr Rgb8 kTileColours[kBlockKinds] = {
    {0, 0, 0},        // Null
    {125, 125, 255},  // Air
    {160, 100, 25},   // Dirt
    {0, 255, 0},      // Grass
    {125, 125, 125},  // Stone
    {255, 255, 0},    // Gold
    {0, 0, 0},        // Underground
};

// The player's figure: a 10 x 20 pixel block of this colour.
constexpr Rgb8 kPlayerColour{0, 125, 125};
constexpr int kPlayerWidth = 10;
constexpr int kPlayerHeight = 20;

// One block kind, and also one cell of the grid: a whole copy of a catalogue
// entry plus the cell's own pixel position. `name` need not be terminated
// (entry 6 fills all eight characters), so readers bound it to 8. In a cell,
// `bitmap` is shared with the catalogue and is only read and written through
// loadTile / storeCell, since the render thread reads it during play.
struct BlockType {
  char name[8];
  int32_t typeId;
  ALLEGRO_BITMAP* bitmap;  // the kind's 10 x 10 tile, never owned
  uint8_t passable;        // 1 = open space (Air, Underground)
  float x;                 // cell only: column * 10
  float y;                 // cell only: row * 10
};
using Cell = BlockType;

// The seven kinds, indexed by typeId.
using BlockCatalogue = BlockType[kBlockKinds];

// 720 x 480 cells, column-major: column 0 rows 0..479, then column 1, ...
struct World {
  Cell cells[kWorldCells];
  // One more after every change of a cell (read with loadEdits): a reader
  // that finds it as it was after a full read of the tiles knows that none
  // of them changed since. Cells are written by one thread at a time.
  uint32_t edits = 0;
};

// The count of changes so far, as another thread may read it; a tile stored
// before the count was raised is seen by the reader that sees the count.
inline uint32_t loadEdits(const World& world) {
  auto& count = const_cast<uint32_t&>(world.edits);
  return std::atomic_ref<uint32_t>(count).load(std::memory_order_acquire);
}

// Whether (col, row) names a cell of the grid.
constexpr bool isInGrid(int col, int row) {
  return col >= 0 && col < kWorldColumns && row >= 0 && row < kWorldRows;
}

// Grid index of the cell at (col, row).
inline int cellIndex(int col, int row) {
  assert(isInGrid(col, row));
  return col * kWorldRows + row;
}

// The cell at (col, row), which must lie in the grid.
inline const Cell& cellAt(const World& world, int col, int row) { return world.cells[cellIndex(col, row)]; }

// The tile of a cell, as the render thread may read it while the main thread writes.
inline ALLEGRO_BITMAP* loadTile(const Cell& cell) {
  // atomic_ref needs a mutable object; the load itself writes nothing.
  auto& slot = const_cast<ALLEGRO_BITMAP*&>(cell.bitmap);
  return std::atomic_ref<ALLEGRO_BITMAP*>(slot).load(std::memory_order_relaxed);
}

// The one way a cell of the grid changes: every field of a finished cell is
// copied, the tile reference last and atomically, so a concurrent frame sees
// either the old tile or the new one and never anything else.
inline void storeCell(World* world, int index, const Cell& finished) {
  assert(index >= 0 && index < kWorldCells);
  Cell& cell = world->cells[index];
  std::memcpy(cell.name, finished.name, sizeof cell.name);
  cell.typeId = finished.typeId;
  cell.passable = finished.passable;
  cell.x = finished.x;
  cell.y = finished.y;
  std::atomic_ref<ALLEGRO_BITMAP*>(cell.bitmap).store(finished.bitmap, std::memory_order_relaxed);
  std::atomic_ref<uint32_t>(world->edits).store(world->edits + 1, std::memory_order_release);
}

// Copy catalogue entry `entry` into the cell at (col, row) and set its position.
inline void writeCatalogueEntry(World* world, int col, int row, const BlockType& entry) {
  Cell cell = entry;
  cell.x = static_cast<float>(col * kCellSize);
  cell.y = static_cast<float>(row * kCellSize);
  storeCell(world, cellIndex(col, row), cell);
}

// Fill the seven entries' names, ids and passability; tiles are left null
// (the drawing side adds them).
void fillCatalogueEntries(BlockCatalogue catalogue);
