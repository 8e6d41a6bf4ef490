// The catalogue's fixed entries.
#include "world/World.h"

#include <algorithm>
#include <cstring>

void fillCatalogueEntries(BlockCatalogue catalogue) {
  struct Fixed {
    const char* name;
    uint8_t passable;
  };
  static constexpr Fixed kFixed[kBlockKinds] = {
      {"NULL", 0}, {"Air", 1}, {"Dirt", 0}, {"Grass", 0}, {"Stone", 0}, {"Gold", 0}, {"Underground", 1},
  };
  for (int id = 0; id < kBlockKinds; ++id) {
    BlockType& entry = catalogue[id];
    entry = BlockType{};
    // Only the first eight characters are kept: "Underground" becomes
    // "Undergro" with no terminator, as the save file stores it.
    std::memcpy(entry.name, kFixed[id].name, std::min(std::strlen(kFixed[id].name), sizeof entry.name));
    entry.typeId = id;
    entry.passable = kFixed[id].passable;
    entry.bitmap = nullptr;
  }
}
