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

#include "player/Movement.h"
#include "player/Player.h"
#include "world/World.h"

constexpr size_t kSavePlayerBytes = 280;
constexpr size_t kSaveCellBytes = 28;
constexpr size_t kSaveFileBytes = kSavePlayerBytes + kSaveCellBytes * kWorldCells;  // 9,677,080
// Which of the game's files a write replaces.
enum class SaveSlot {
  kSave,      // the save: Save, and the save tool's restore
  kAutosave,  // the autosave: written when play would lose changes
};

// The game's files, all in one directory (the working directory in play),
// one entry per slot: the file written, the earlier ones kept (newest first;
// a write moves them one place down as far as the first free name, and when
// none is free the oldest goes), and for each kept name the name that holds
// its file while the ones before it move down (`held`: which of them is
// there tells a later start how far a stopped write had moved them). These,
// and kSaveTemporaryName, are the only files the game ever removes or replaces.
struct SaveSlotFiles {
  const char* current;
  const char* kept[3];
  int keptCount;
  const char* held[3];
};
constexpr SaveSlotFiles kSaveSlotFiles[] = {
    {"TessalySave.wld",
     {"TessalySave.1.wld", "TessalySave.2.wld", "TessalySave.3.wld"},
     3,
     {"TessalySave.held.1.tmp", "TessalySave.held.2.tmp", "TessalySave.oldest.tmp"}},
    {"TessalySave.autosave.wld",
     {"TessalySave.autosave.1.wld", "TessalySave.autosave.2.wld"},
     2,
     {"TessalySave.autosave.held.1.tmp", "TessalySave.autosave.oldest.tmp"}},
};
constexpr const SaveSlotFiles& slotFiles(SaveSlot slot) { return kSaveSlotFiles[static_cast<int>(slot)]; }
constexpr const char* kSaveFileName = kSaveSlotFiles[0].current;
// Every write goes here first; at most this one file is ever left
// half-written, and the next write reuses the name.
constexpr const char* kSaveTemporaryName = "TessalySave.tmp";

// The positions a loaded player may have: those movement can reach. Play
// never leaves them from any position inside them (a left step needs x > 0, a
// right step a new x below kRightBound, a fall y below kBottomBound; jumps from
// the top of the world stay above -100, and a loaded player who could not be
// standing starts in the air, see decodeSave), so the game never writes a
// save that it would refuse to load.
constexpr float kLowestPlayerX = static_cast<float>(-kWalkStep);
constexpr float kHighestPlayerX = static_cast<float>(kRightBound);
constexpr float kLowestPlayerY = -100.0f;
constexpr float kHighestPlayerY = static_cast<float>(kBottomBound + kFallStep);
// A sprite whose top is this high or higher has its feet above the world's
// top row: nothing holds it up, so it cannot start a jump.
constexpr float kHighestStandingY = -30.0f;

// Write the player and the grid into `out`, which holds kSaveFileBytes.
void encodeSave(const World& world, const Player& player, uint8_t* out);

// What is wrong with a file's bytes, as one console line without its newline;
// empty when the bytes make a world the game can play.
std::string findSaveDamage(const uint8_t* bytes, size_t size);

// Apply checked bytes: every cell is stored finished (tile from the catalogue
// by typeId), and the returned record keeps `current`'s sprite and screen
// size, with loadFailed 0. A player at kHighestStandingY or above comes back
// in the air (onGround 0), whatever the file says.
Player decodeSave(const uint8_t* bytes, World* world, const Player& current, const BlockCatalogue catalogue);

// The player record as a load of `fields` (a record read from a file)
// gives it: the file's fields with `current`'s sprite and screen size,
// loadFailed 0, and in the air at kHighestStandingY or above.
Player asLoaded(const Player& fields, const Player& current);
