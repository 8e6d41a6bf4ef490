// The save file's bytes: the layout, what a load takes from them and which
// positions it accepts. (Files on disk: SaveDiskTest; the writer thread:
// SaveWriterTest.)
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "SaveTestFiles.h"
#include "TestWorlds.h"
#include "save/SaveFile.h"

using namespace savetest;

namespace {

size_t cellOffset(int index) { return kSavePlayerBytes + kSaveCellBytes * index; }

// A record with every saved field set to something other than its default.
Player distinctPlayer() {
  Player p{.x = 1234.5f,
           .y = -67.25f,
           .dirtCount = 11,
           .grassCount = -22,
           .stoneCount = INT32_MAX,
           .goldCount = INT32_MIN,
           .sprite = reinterpret_cast<ALLEGRO_BITMAP*>(0x7777),
           .onGround = 1,
           .selectedSlot = 3,
           .screenWidth = 1680,
           .screenHeight = 1050,
           .loadRequested = 1,
           .loadFailed = 1};
  p.keys[0] = p.keys[ALLEGRO_KEY_LEFT] = p.keys[ALLEGRO_KEY_UP] = p.keys[ALLEGRO_KEY_MAX - 1] = 1;
  return p;
}

using SaveFile = SaveDirTest;

TEST_F(SaveFile, ANewWorldSavedAtOnceHasTheDocumentedLayout) {
  EXPECT_EQ("Saved the world!\n", save(*world, makeStartingPlayer()));
  const Bytes file = readFile(path);
  ASSERT_EQ(9677080u, file.size());
  // Row 479's record of every column starts at 280 + 13440 * col + 13412.
  for (int col = 0; col < kWorldColumns; ++col)
    ASSERT_EQ(0u, getU32(file, 280 + 13440 * col + 13412 + 8)) << col;

  int wrong = 0;
  for (int index = 0; index < kWorldCells; ++index) {
    const Cell& cell = world->cells[index];
    const size_t at = cellOffset(index);
    const size_t nameLength = strnlen(cell.name, 8);
    Bytes name(8, 0);
    std::memcpy(name.data(), cell.name, nameLength);
    wrong += !std::equal(name.begin(), name.end(), file.begin() + at) ||
             getU32(file, at + 8) != static_cast<uint32_t>(cell.typeId) || getU32(file, at + 12) != 0 ||
             file[at + 16] != cell.passable || file[at + 17] || file[at + 18] || file[at + 19] ||
             getU32(file, at + 20) != std::bit_cast<uint32_t>(index / 480 * 10.0f) ||
             getU32(file, at + 24) != std::bit_cast<uint32_t>(index % 480 * 10.0f);
  }
  EXPECT_EQ(0, wrong);
}

TEST_F(SaveFile, PlayerFieldsStandAtTheirOffsetsAndMeaninglessBytesAreZero) {
  Player player = distinctPlayer();
  const Bytes bytes = encoded(*world, player);
  const struct {
    size_t offset;
    uint32_t value;
  } kFields[] = {{0, std::bit_cast<uint32_t>(1234.5f)},
                 {4, std::bit_cast<uint32_t>(-67.25f)},
                 {8, 11},
                 {12, static_cast<uint32_t>(-22)},
                 {16, 0x7FFFFFFF},
                 {20, 0x80000000},
                 {24, 0},
                 {28, 1},
                 {32, 3},
                 {36, 1},
                 {36 + ALLEGRO_KEY_LEFT, 0x00010001},  // keys 82, 84
                 {260, 0x00010000},
                 {264, 1680},
                 {268, 1050},
                 {272, 1},
                 {276, 1}};  // key 226, pad
  for (const auto& f : kFields) EXPECT_EQ(f.value, getU32(bytes, f.offset)) << "offset " << f.offset;

  // Another sprite, other tiles and junk after the names' terminators save to the same bytes.
  auto copy = std::make_unique<World>(*world);
  for (Cell& cell : copy->cells) {
    cell.bitmap = reinterpret_cast<ALLEGRO_BITMAP*>(0xBAD);
    const size_t length = strnlen(cell.name, 8);
    if (length < 8) std::memset(cell.name + length + 1, 'j', 7 - length);
  }
  player.sprite = reinterpret_cast<ALLEGRO_BITMAP*>(0x8888);
  EXPECT_TRUE(bytes == encoded(*copy, player));
}

TEST_F(SaveFile, RoundTripRestoresTheFileAndKeepsTheRunningGamesSpriteAndScreen) {
  writeCatalogueEntry(world.get(), 10, 130, catalogue[kUnderground]);
  const Player saved = distinctPlayer();
  // The tile slots hold junk, and one cell's position was not where it stands.
  Bytes file = encoded(*world, saved);
  putU32(file, cellOffset(0) + 12, 0xDEADBEEF);
  putU32(file, cellOffset(479) + 12, 0xDEADBEEF);  // a Null cell
  putU32(file, cellOffset(1000) + 20, std::bit_cast<uint32_t>(12345.0f));

  BlockCatalogue running;
  fillTracedCatalogue(running, 0x9000);
  auto target = generated(2);
  const Player current{.x = 30.0f,
                       .y = 800.0f,
                       .sprite = reinterpret_cast<ALLEGRO_BITMAP*>(0x4242),
                       .selectedSlot = 1,
                       .screenWidth = 1280,
                       .screenHeight = 768};
  ASSERT_EQ("", findSaveDamage(file.data(), file.size()));
  const Player loaded = decodeSave(file.data(), target.get(), current, running);
  Player expected = saved;  // all but the running game's sprite and screen, and loadFailed 0
  expected.sprite = current.sprite, expected.screenWidth = 1280, expected.screenHeight = 768;
  expected.loadFailed = 0;
  expected.onGround = 0;  // y = -67.25: nothing holds a sprite up there
  EXPECT_TRUE(samePlayer(expected, loaded));

  int wrong = 0;
  for (int index = 0; index < kWorldCells; ++index) {
    const Cell& a = world->cells[index];
    const Cell& b = target->cells[index];
    wrong += std::memcmp(a.name, b.name, 8) || a.typeId != b.typeId || a.passable != b.passable ||
             b.bitmap != running[b.typeId].bitmap || b.y != a.y || b.x != (index == 1000 ? 12345.0f : a.x);
  }
  EXPECT_EQ(0, wrong);
}

// A fresh world, and positions at the world's limits, are accepted.
TEST_F(SaveFile, PositionsAtTheWorldsLimitsAreAccepted) {
  Bytes bytes = encoded(*world, makeStartingPlayer());
  EXPECT_EQ("", findSaveDamage(bytes.data(), bytes.size()));
  const struct {
    float x, y;
    bool accepted;
  } kCases[] = {{kLowestPlayerX, kLowestPlayerY, true},
                {kHighestPlayerX, kHighestPlayerY, true},
                {std::nextafter(kLowestPlayerX, -1e9f), 800.0f, false},
                {std::nextafter(kHighestPlayerX, 1e9f), 800.0f, false},
                {30.0f, std::nextafter(kLowestPlayerY, -1e9f), false},
                {30.0f, std::nextafter(kHighestPlayerY, 1e9f), false}};
  for (const auto& c : kCases) {
    putU32(bytes, 0, std::bit_cast<uint32_t>(c.x));
    putU32(bytes, 4, std::bit_cast<uint32_t>(c.y));
    EXPECT_EQ(c.accepted, findSaveDamage(bytes.data(), bytes.size()).empty()) << c.x << "," << c.y;
  }
}

}  // namespace
