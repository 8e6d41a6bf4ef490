// The seven block kinds and the one way a kind is written into a cell.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "world/World.h"

namespace {

// Every field of every entry is set, whatever the catalogue held before.
TEST(Catalogue, FillingLeavesNothingFromBefore) {
  BlockCatalogue catalogue;
  std::memset(catalogue, 0xAB, sizeof catalogue);
  fillCatalogueEntries(catalogue);
  for (int id = 0; id < kBlockKinds; ++id) {
    SCOPED_TRACE(id);
    EXPECT_EQ(id, catalogue[id].typeId);
    EXPECT_EQ(nullptr, catalogue[id].bitmap);
    EXPECT_LE(catalogue[id].passable, 1);
    EXPECT_EQ(nullptr, std::memchr(catalogue[id].name, 0xAB, 8));
  }
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
