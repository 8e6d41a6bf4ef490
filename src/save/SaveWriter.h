// Saves written by a thread of their own, so that play never waits for the
// disk, and the book-keeping of what is saved: autosaves when there are
// changes not yet saved.
//
// The main thread encodes the player and the grid into the kept save buffer
// (a snapshot) and hands it over; the writer thread writes the file, syncs,
// renames and prints the line. While a write is in flight the buffer is the
// writer's: the next save, autosave or load first waits for it, so they all
// come out in the order they were asked for.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "player/Player.h"
#include "save/SaveFile.h"
#include "world/World.h"

// Five minutes of play at 60 ticks a second.
constexpr int32_t kAutosaveTicks = 5 * 60 * 60;

struct SaveWriter {
  std::string directory;  // where the game's files live
  uint8_t* bytes;         // the kept save buffer

  // Shared with the writer thread, under `mutex`.
  std::mutex mutex;
  std::condition_variable changed;
  bool busy = false;  // a write was handed over and has not finished
  bool stopping = false;
  SaveSlot slot = SaveSlot::kSave;  // of the write handed over
  bool lastWriteOk = false;         // of the write finished last
  std::thread thread;

  // The main thread's own.
  bool haveBaseline = false;  // savedRecord means something
  Player savedRecord;         // as last saved, autosaved or loaded
  bool cellsChanged = false;  // since then
  int32_t ticksSinceWrite = 0;
  bool unsettled = false;  // a write's outcome not yet taken into account
  Player writtenRecord;    // what that write holds
  bool writtenCellsChanged = false;
};

// Start the writer thread for the game's files in `directory`, with the kept
// save buffer. Ignores SIGXFSZ, so that a file-size limit fails a write
// instead of ending the process, and removes the temporaries of earlier
// versions. Null if the buffer or the thread cannot be made.
SaveWriter* createSaveWriter(const std::string& directory);

// Wait for the write in flight, then stop and join the thread.
void destroySaveWriter(SaveWriter* writer);

// Wait until the write in flight (if any) has finished and printed its line.
void waitForWrites(SaveWriter* writer);

// Snapshot the player and the grid and hand them to the writer thread; waits
// for the write in flight first.
void saveInBackground(SaveWriter* writer, const World& world, const Player& player, SaveSlot slot);

// Whether the player's saved fields differ from the last save, autosave or
// load, or a cell changed since; a write that failed saved nothing. False
// before the first baseline (markSaved).
bool hasUnsavedChanges(SaveWriter* writer, const Player& player);

// The main thread changed a cell of the grid.
void noteCellChanged(SaveWriter* writer);

// Take the player and the grid as they are as saved (a new world at start).
void markSaved(SaveWriter* writer, const Player& player);

// One tick of play: every kAutosaveTicks ticks since the last write, an
// autosave if there are changes. True if it started one.
bool autosaveOnTick(SaveWriter* writer, const World& world, const Player& player);

// The game's Load: autosave the changes not yet saved, wait for every write,
// then load the save file through the kept buffer (see loadWorldFrom). A
// successful load becomes the saved state.
Player loadSavedWorld(SaveWriter* writer, World* world, Player player, const BlockCatalogue catalogue);

// The end of play: autosave the changes not yet saved and wait until every
// write is done.
void finishWrites(SaveWriter* writer, const World& world, const Player& player);
