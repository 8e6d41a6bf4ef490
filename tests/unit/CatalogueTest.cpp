// The seven block kinds and the one way a kind is written into a cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "world/World.h"

namespace {

TEST(Catalogue, SevenEntriesWithTheirNamesIdsAndPassability) {
  struct Expected {
    const char* name;  // eight bytes compared, terminator included when shorter
    int passable;
  };
  const Expected kTable[kBlockKinds] = {
      {"NULL", 0}, {"Air", 1}, {"Dirt", 0}, {"Grass", 0}, {"Stone", 0}, {"Gold", 0}, {"Undergro", 1},
  };
  BlockCatalogue catalogue;
  std::memset(catalogue, 0xAB, sizeof catalogue);  // nothing may survive from before
  fillCatalogueEntries(catalogue);
  static_assert(sizeof(BlockCatalogue) == kBlockKinds * sizeof(BlockType));
  for (int id = 0; id < kBlockKinds; ++id) {
    SCOPED_TRACE(id);
    const size_t compared = std::min<size_t>(std::strlen(kTable[id].name) + 1, 8);
    EXPECT_EQ(0, std::memcmp(catalogue[id].name, kTable[id].name, compared));
    EXPECT_EQ(id, catalogue[id].typeId);
    EXPECT_EQ(kTable[id].passable, catalogue[id].passable);
    EXPECT_EQ(nullptr, catalogue[id].bitmap);
  }
  // "Underground" keeps exactly its first eight characters and no terminator.
  EXPECT_EQ(0, std::memcmp(catalogue[kUnderground].name, "Undergro", 8));
}

TEST(Catalogue, WritingAKindCopiesTheEntryAndSetsTheCellsOwnPosition) {
  auto world = std::make_unique<World>();
  BlockCatalogue catalogue;
  fillCatalogueEntries(catalogue);
  BlockType entry = catalogue[kGold];
  entry.bitmap = reinterpret_cast<ALLEGRO_BITMAP*>(0x5151);
  entry.x = -7.0f;  // an entry's own position means nothing
  entry.y = 99.0f;
  const struct { int col, row, index; } kCells[] = {{0, 0, 0}, {3, 17, 1457}, {719, 479, 345599}};
  for (const auto& c : kCells) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(c.index, cellIndex(c.col, c.row));
    writeCatalogueEntry(world.get(), c.col, c.row, entry);
    const Cell& cell = world->cells[c.index];
    EXPECT_EQ(0, std::memcmp(cell.name, "Gold", 5));
    EXPECT_EQ(kGold, cell.typeId);
    EXPECT_EQ(entry.bitmap, cell.bitmap);
    EXPECT_EQ(0, cell.passable);
    EXPECT_EQ(c.col * 10.0f, cell.x);
    EXPECT_EQ(c.row * 10.0f, cell.y);
  }
  // Pixel (7199, 4799) lies in the last cell.
  EXPECT_EQ(kWorldCells - 1, cellIndex(7199 / kCellSize, 4799 / kCellSize));
}

}  // namespace
