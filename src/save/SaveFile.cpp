// The save file: encoding, checking and decoding.
#include "save/SaveFile.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

void putU32(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
  at[2] = static_cast<uint8_t>(value >> 16);
  at[3] = static_cast<uint8_t>(value >> 24);
}
void putI32(uint8_t* at, int32_t value) { putU32(at, static_cast<uint32_t>(value)); }
void putF32(uint8_t* at, float value) { putU32(at, std::bit_cast<uint32_t>(value)); }

uint32_t getU32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}
int32_t getI32(const uint8_t* at) { return static_cast<int32_t>(getU32(at)); }
float getF32(const uint8_t* at) { return std::bit_cast<float>(getU32(at)); }

// Player block offsets.
constexpr size_t kPlayerX = 0, kPlayerY = 4, kDirtCount = 8, kGrassCount = 12, kStoneCount = 16,
                 kGoldCount = 20, kOnGround = 28, kSelectedSlot = 32, kKeys = 36, kScreenWidth = 264,
                 kScreenHeight = 268, kLoadRequested = 272, kLoadFailed = 276;
// Cell record offsets.
constexpr size_t kCellName = 0, kCellType = 8, kCellPassable = 16, kCellX = 20, kCellY = 24;

const uint8_t* cellRecord(const uint8_t* bytes, int index) {
  return bytes + kSavePlayerBytes + kSaveCellBytes * static_cast<size_t>(index);
}

}  // namespace

void encodeSave(const World& world, const Player& player, uint8_t* out) {
  std::memset(out, 0, kSavePlayerBytes);
  putF32(out + kPlayerX, player.x);
  putF32(out + kPlayerY, player.y);
  putI32(out + kDirtCount, player.dirtCount);
  putI32(out + kGrassCount, player.grassCount);
  putI32(out + kStoneCount, player.stoneCount);
  putI32(out + kGoldCount, player.goldCount);
  out[kOnGround] = player.onGround;
  putI32(out + kSelectedSlot, player.selectedSlot);
  std::memcpy(out + kKeys, player.keys, sizeof player.keys);
  putI32(out + kScreenWidth, player.screenWidth);
  putI32(out + kScreenHeight, player.screenHeight);
  out[kLoadRequested] = player.loadRequested;
  putI32(out + kLoadFailed, player.loadFailed);

  for (int index = 0; index < kWorldCells; ++index) {
    const Cell& cell = world.cells[index];
    uint8_t* record = out + kSavePlayerBytes + kSaveCellBytes * static_cast<size_t>(index);
    std::memset(record, 0, kSaveCellBytes);
    const size_t nameLength = strnlen(cell.name, sizeof cell.name);
    std::memcpy(record + kCellName, cell.name, nameLength);
    putI32(record + kCellType, cell.typeId);
    record[kCellPassable] = cell.passable;
    putF32(record + kCellX, cell.x);
    putF32(record + kCellY, cell.y);
  }
}

std::string findSaveDamage(const uint8_t* bytes, size_t size) {
  char line[160];
  if (size != kSaveFileBytes) {
    std::snprintf(line, sizeof line, "The save file is damaged: it holds %zu bytes, not %zu", size,
                  kSaveFileBytes);
    return line;
  }
  const float x = getF32(bytes + kPlayerX);
  const float y = getF32(bytes + kPlayerY);
  // The negated tests also refuse NaN.
  if (!(x >= kLowestPlayerX && x <= kHighestPlayerX && y >= kLowestPlayerY && y <= kHighestPlayerY)) {
    std::snprintf(line, sizeof line,
                  "The save file is damaged: the player's position (%g, %g) is outside the world",
                  static_cast<double>(x), static_cast<double>(y));
    return line;
  }
  for (int index = 0; index < kWorldCells; ++index) {
    const int32_t typeId = getI32(cellRecord(bytes, index) + kCellType);
    if (typeId < 0 || typeId >= kBlockKinds) {
      std::snprintf(line, sizeof line,
                    "The save file is damaged: the cell at column %d, row %d has unknown block type %d",
                    index / kWorldRows, index % kWorldRows, static_cast<int>(typeId));
      return line;
    }
  }
  return {};
}

Player decodeSave(const uint8_t* bytes, World* world, const Player& current, const BlockCatalogue catalogue) {
  Player loaded = current;
  loaded.x = getF32(bytes + kPlayerX);
  loaded.y = getF32(bytes + kPlayerY);
  loaded.dirtCount = getI32(bytes + kDirtCount);
  loaded.grassCount = getI32(bytes + kGrassCount);
  loaded.stoneCount = getI32(bytes + kStoneCount);
  loaded.goldCount = getI32(bytes + kGoldCount);
  loaded.onGround = bytes[kOnGround];
  loaded.selectedSlot = getI32(bytes + kSelectedSlot);
  std::memcpy(loaded.keys, bytes + kKeys, sizeof loaded.keys);
  loaded.loadRequested = bytes[kLoadRequested];

  for (int index = 0; index < kWorldCells; ++index) {
    const uint8_t* record = cellRecord(bytes, index);
    Cell cell{};
    std::memcpy(cell.name, record + kCellName, sizeof cell.name);
    cell.typeId = getI32(record + kCellType);
    assert(cell.typeId >= 0 && cell.typeId < kBlockKinds);
    cell.bitmap = catalogue[cell.typeId].bitmap;
    cell.passable = record[kCellPassable];
    cell.x = getF32(record + kCellX);
    cell.y = getF32(record + kCellY);
    storeCell(world, index, cell);
  }
  return asLoaded(loaded, current);
}

Player asLoaded(const Player& fields, const Player& current) {
  Player loaded = fields;
  // Kept from the running game, not the file.
  loaded.sprite = current.sprite;
  loaded.screenWidth = current.screenWidth;
  loaded.screenHeight = current.screenHeight;
  loaded.loadFailed = 0;
  // Nothing holds up a sprite above the top row: it may not jump from there.
  if (loaded.y <= kHighestStandingY) loaded.onGround = 0;
  return loaded;
}
