// The logic of tessaly-save, the save tool: its command line, reading a save
// file the way the game checks it, the listing and info texts, the count of
// each kind and the whole-world map picture. Everything that does not need
// the image library lives here, so the tests drive it directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "player/Player.h"
#include "world/World.h"

constexpr const char* kDefaultMapName = "TessalySave.png";
constexpr int kDefaultMapScale = 2;
constexpr int kLargestMapScale = 10;

enum class ToolCommand { kHelp, kList, kInfo, kMap, kRestore };

// A parsed command line.
struct ToolArgs {
  ToolCommand command = ToolCommand::kHelp;
  std::string file;    // info, map: the save read; restore: the file brought back
  std::string output;  // map: the picture written
  int scale = kDefaultMapScale;
  std::string folder;  // -C: the folder to work in, empty for the game's own
};

// The usage text printed by --help.
extern const char kSaveToolUsage[];

// Parse the arguments after the program name. False with a one-line reason
// for anything the usage does not allow.
bool parseToolArgs(const std::vector<std::string>& words, ToolArgs* args, std::string* error);

// The save files of the working directory in the order `list` shows them:
// each slot's current file and its kept ones.
std::vector<std::string> saveToolFiles();

// The file that `restore NAME` brings back ("1", "2", "3", "autosave",
// "autosave.1", "autosave.2": the game's files but the save itself), or
// empty for any other name.
std::string restoreSourceName(const std::string& name);

// One save file as read from disk. `problem` is empty exactly when the game
// would load the bytes; otherwise it is one line: the game's own damage line,
// or why the file could not be read at all (then `found` says whether
// anything of that name exists).
struct SaveRead {
  bool found = false;
  std::string problem;
  std::vector<uint8_t> bytes;  // the whole file when it could be read
  timespec written{};          // modification time
};

// Read and check `path` as the game's load does, without ever blocking on
// it: a missing file, a directory, a FIFO or a device, an unreadable, short
// or long file and damaged contents each give the game's line. Holds the
// directory's lock (of the working directory) while it reads, if it can,
// after finishing or undoing a write that was stopped halfway.
SaveRead readSaveFile(const std::string& path);

// Make `source`, a save file of the working directory, the save. A kept
// save is reordered, not copied: it becomes the save, the current save the
// first kept one and the kept saves before it move down behind that, so no
// world goes and none is there twice (restoring the first kept save again
// undoes it). An autosave is saved as the game would save it: the current
// save is kept first, the kept ones move down. The restored save keeps the
// time its world was saved. Holds the directory's lock throughout, so the
// game's writes wait for it and it for them. A damaged source changes
// nothing. The line to print either way (a failure's names the file and the
// cause).
bool restoreKeptSave(const std::string& source, std::string* line);

// A checked save decoded by the game's decoder into a grid of its own.
struct DecodedSave {
  std::unique_ptr<World> world;
  Player player;
};

// Decode bytes that readSaveFile accepted.
DecodedSave decodeCheckedSave(const std::vector<uint8_t>& bytes);

// How many cells of each kind the grid holds, by typeId.
void countKinds(const World& world, int64_t counts[kBlockKinds]);

// How the tool names a problem of a file: "NAME: PROBLEM".
std::string fileProblem(const std::string& name, const std::string& problem);

// One line of `list` (no newline): name, time written, and either the
// player's position and inventory followed by "ok", or the problem.
std::string listLine(const std::string& name, const SaveRead& read, const Player* player);

// The text of `info` for an accepted file, decoded into `world` and `player`:
// the player fields the game reads and the number of cells of each kind.
std::string infoText(const std::string& name, const SaveRead& read, const World& world, const Player& player);

// The map picture's size at `scale`: one scale x scale square per cell.
constexpr int mapWidth(int scale) { return kWorldColumns * scale; }
constexpr int mapHeight(int scale) { return kWorldRows * scale; }

// Paint the whole world into RGBA pixels (r, g, b, a bytes in that order,
// rows `pitch` bytes apart): each cell in its tile colour, then the player as
// the game draws it, a 10 x 20 figure at its position, all at scale / 10 of
// the world's pixels and cut to the picture.
void paintWorldMap(const World& world, float playerX, float playerY, int scale, uint8_t* rgba, size_t pitch);
