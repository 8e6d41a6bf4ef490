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
// The game's files, all in one directory (the working directory in play).
constexpr const char* kSaveFileName = "TessalySave.wld";
// The three saves before the current one, newest first.
constexpr const char* kKeptSaveNames[] = {"TessalySave.1.wld", "TessalySave.2.wld", "TessalySave.3.wld"};
constexpr const char* kAutosaveFileName = "TessalySave.autosave.wld";
// Every save and autosave is written here first; at most this one file is
// ever left half-written, and the next write reuses the name.
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

// Which of the game's files a write replaces.
enum class SaveSlot {
  kSave,      // kSaveFileName; the file it replaces is kept as kKeptSaveNames[0]
  kAutosave,  // kAutosaveFileName; touches no other file
};

// Replace the slot's file in `directory` with `bytes`, never leaving a partial
// file: write kSaveTemporaryName, sync it, then (for a save) keep the
// previous saves (.2 to .3, .1 to .2, the current save to .1, it staying in
// place meanwhile), rename the temporary over the file and sync the
// directory. A failure before the rename changes no other file. Writers in
// other processes (a tool) take turns through a lock on the directory.
// False on any failure.
bool writeSaveFile(const std::string& directory, SaveSlot slot, const uint8_t* bytes, size_t size);

// Remove the temporaries earlier versions of the game left behind
// ("TessalySave.wld." and six letters or digits); the number removed.
int removeOldTemporaries(const std::string& directory);

// The buffer saves and loads share, kSaveFileBytes + 1 long, made and
// touched once so that no save or load allocates or faults pages in. False
// if it cannot be made (each save and load then fails with its line).
bool reserveSaveBuffer();
uint8_t* keptSaveBuffer();

// Synchronous save to / load from the game's files in `directory`, printing
// the console lines, all through the kept buffer: the writer thread's work
// done on the calling thread. Never call these while a SaveWriter has a write
// in flight.
void saveWorldTo(const std::string& directory, const World* world, const Player& player,
                 SaveSlot slot = SaveSlot::kSave);
// Read the save at `path` into `bytes` (kSaveFileBytes + 1 long) without ever
// blocking: anything but a regular file is refused before it is read. Sets
// *size; on failure the console line without its newline (a longer file is
// refused here, a shorter one is left to findSaveDamage).
bool readSaveBytes(const std::string& path, uint8_t* bytes, size_t* size, std::string* failure);

// Loads `path`; refuses, without blocking, anything that is not a regular file.
Player loadWorldFrom(const std::string& path, World* world, Player player, const BlockCatalogue catalogue);

// The console lines of a finished write.
const char* saveResultLine(SaveSlot slot, bool ok);
