// New worlds: sky, a thinning grass band, dirt and stone, gold at depth.
#include "world/Terrain.h"

#include <ctime>

BlockId terrainKindAt(int row, int d) {
  if (row <= kLastAirRow) return kAir;
  if (row <= 180) {
    const int k = 181 - row;  // 60 at row 121, 1 at row 180
    return k * 1.67 > static_cast<double>(d) ? kGrass : kDirt;
  }
  if (row < kWorldRows - 1) {  // the bottom row is Null
    const int t1 = 660 - row;
    const int t2 = 1320 - 2 * row;
    if (5 * d < t1) return kDirt;
    if (5 * d < t2) return kStone;
    if (t1 <= 240 && d > 98) return kGold;
    return kDirt;
  }
  return kNull;
}

namespace {

// terrainKindAt for every row and d, worked out once: the draws are random,
// so a table look-up beats the bands' unpredictable branches.
struct TerrainTable {
  uint8_t kind[kWorldRows][100];
  TerrainTable() {
    for (int row = 0; row < kWorldRows; ++row)
      for (int d = 0; d < 100; ++d) kind[row][d] = static_cast<uint8_t>(terrainKindAt(row, d));
  }
};

}  // namespace

void generateWorldFromSeed(World* world, const BlockCatalogue catalogue, uint32_t seed) {
  static const TerrainTable table;
  TerrainRandom random{seed};
  for (int col = 0; col < kWorldColumns; ++col)
    for (int row = 0; row < kWorldRows; ++row) {
      const int d = drawRandom(&random) % 100;
      writeCatalogueEntry(world, col, row, catalogue[table.kind[row][d]]);
    }
}

void generateWorld(World* world, const BlockCatalogue catalogue) {
  const auto seconds = static_cast<uint64_t>(std::time(nullptr));
  generateWorldFromSeed(world, catalogue, static_cast<uint32_t>(seconds));
}
