// The save file: the player record and every cell, little-endian, no header.
//
// Layout (offsets in bytes):
//   0    player block, 280 bytes:
//          0 x (f32)  4 y (f32)  8 dirtCount  12 grassCount  16 stoneCount
//          20 goldCount (i32)  24 sprite slot (4, written 0)  28 onGround (u8)
//          32 selectedSlot (i32)  36 keys (227 x u8)  264 screenWidth
//          268 screenHeight (i32)  272 loadRequested (u8)  276 loadFailed (i32)
//   280  345,600 cell records of 28 bytes in grid index order (column-major):
//          0 name (8)  8 typeId (i32)  12 tile slot (4, written 0)
//          16 passable (u8)  20 x (f32)  24 y (f32)
// Bytes that carry no meaning (padding, the two reference slots, a name's tail
// after its terminator) are written as zeros, so one world always saves to the
// same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "player/Player.h"
#include "world/World.h"

constexpr size_t kSavePlayerBytes = 280;
constexpr size_t kSaveCellBytes = 28;
constexpr size_t kSaveFileBytes = kSavePlayerBytes + kSaveCellBytes * kWorldCells;  // 9,677,080
constexpr const char* kSaveFileName = "TessalySave.wld";

// The positions a loaded player may have. Play never leaves them from any
// position inside them (a step is 2.5 pixels and the bounds stop each step
// one step short: a left step needs x > 0, a right step a new x < 7190, a fall
// y < 4720; jumps from the top of the world stay above -80), so the game never
// writes a save that it would refuse to load.
constexpr float kLowestPlayerX = -2.5f;
constexpr float kHighestPlayerX = 7190.0f;
constexpr float kLowestPlayerY = -100.0f;
constexpr float kHighestPlayerY = 4722.5f;

// Write the player and the grid into `out`, which holds kSaveFileBytes.
void encodeSave(const World& world, const Player& player, uint8_t* out);

// What is wrong with a file's bytes, as one console line without its newline;
// empty when the bytes make a world the game can play. A size other than
// kSaveFileBytes is refused from the size alone, without reading `bytes`.
std::string findSaveDamage(const uint8_t* bytes, size_t size);

// Apply checked bytes: every cell is stored finished (tile from the catalogue
// by typeId), and the returned record keeps `current`'s sprite and screen
// size, with loadFailed 0.
Player decodeSave(const uint8_t* bytes, World* world, const Player& current, const BlockCatalogue catalogue);

// Replace the file at `path` with `bytes` without ever leaving a partial file:
// write a temporary beside it, sync, rename over, sync the directory.
bool replaceFileAtomically(const std::string& path, const uint8_t* bytes, size_t size);

// Save to / load from a given path, printing the console lines.
void saveWorldTo(const std::string& path, const World* world, const Player& player);
Player loadWorldFrom(const std::string& path, World* world, Player player, const BlockCatalogue catalogue);

// Make the buffer saves and loads share, so that play allocates nothing;
// false if it cannot be made (each save and load then fails with its line).
bool reserveSaveBuffer();

// The game's Save and Load: "TessalySave.wld" in the working directory.
void saveWorld(const World* world, Player player);
Player loadWorld(World* world, Player player, const BlockCatalogue catalogue);
