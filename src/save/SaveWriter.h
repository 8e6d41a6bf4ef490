// Saves written by a thread of their own, so that play never waits for the
// disk, and the book-keeping of what is saved: autosaves when the player
// changed something not yet saved.
//
// The main thread encodes the player and the grid into the kept save buffer
// (a snapshot) and hands it over; the writer thread writes the file (see
// SaveDisk.h) and prints the line, and for a failure its cause on standard
// error (kept in failureCause for the window to show). While a write is in flight the buffer is
// the writer's: Save clicks that come meanwhile are not waited for but merged
// into one later write of the world as it is then, which prints one line for
// each of them once it is on disk. Loads and the end of play wait for every
// write asked for before them, so lines come out in the order of the clicks.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "player/Player.h"
#include "save/SaveDisk.h"
#include "save/SaveFile.h"
#include "world/World.h"

struct Worker;

// Five minutes of play at 60 ticks a second.
constexpr int32_t kAutosaveTicks = 5 * 60 * 60;

// What a file holds, as the main thread's counts of changes stood when the
// world was encoded (or loaded).
struct SavedState {
  bool valid = false;
  Player record;             // counts and slot as saved
  uint64_t cellChanges = 0;  // cells the player had changed by then
  uint64_t playerMoves = 0;  // ticks the player's keys had moved the player by then
};

// One write handed to the writer thread.
struct SaveJob {
  SaveSlot slot = SaveSlot::kSave;
  int lines = 1;      // clicks it answers, one line each
  bool write = true;  // false: the file holds this world already
  SavedState state;   // what the written file will hold
};

struct SaveWriter {
  std::string directory;  // where the game's files live
  uint8_t* bytes;         // the kept save buffer

  Worker* worker;  // the writer thread, one job at a time

  // Shared with the writer thread, under `mutex`.
  std::mutex mutex;
  bool busy = false;      // a job was handed over and has not finished
  SaveJob job;            // the one handed over
  bool finished = false;  // a job finished that the main thread has not looked at
  bool finishedOk = false;
  std::string failureCause;  // the last write's cause line if it failed, else empty

  // The main thread's own.
  int pendingSaves = 0;  // Save clicks not yet handed over
  uint64_t cellChanges = 0;
  uint64_t playerMoves = 0;
  float lastX = 0, lastY = 0;  // the player at the last tick
  SavedState written;          // the last save, autosave or load
  SavedState inSaveFile;       // what the save file holds, if known
  FileIdentity saveFile;       // the save file then
  int32_t ticksSinceWrite = 0;
  int savesDone = 0;     // writes of the save file finished well
  int writesFailed = 0;  // writes of any file that failed
};

// Start the writer thread for the game's files in `directory`, with the kept
// save buffer. Ignores SIGXFSZ, so that a file-size limit fails a write
// instead of ending the process, and finishes or undoes a write a killed
// game left unfinished. Null if the buffer or the thread cannot be made.
SaveWriter* createSaveWriter(const std::string& directory);

// Stop and join the thread once the job in flight is done; Save clicks not
// yet handed over are dropped (finishWrites first writes them).
void destroySaveWriter(SaveWriter* writer);

// Wait until every Save asked for so far is on disk (those not yet handed
// over are written with the world as it is now) and its lines printed.
void waitForWrites(SaveWriter* writer, const World& world, const Player& player);

// A Save (or an autosave) of the world as it is. Never waits: with a write
// in flight, a Save is merged into the next write (see above).
void saveInBackground(SaveWriter* writer, const World& world, const Player& player, SaveSlot slot);

// Whether the player changed something since the last save, autosave or
// load that finished: a cell, a count or the slot, or a move of the player's
// keys. Never waits: a write still in flight has not saved anything yet.
// False before the first markSaved.
bool hasUnsavedChanges(SaveWriter* writer, const Player& player);

// The main thread changed a cell of the grid.
void noteCellChanged(SaveWriter* writer);

// Take the player and the grid as they are as saved (a new world at start).
void markSaved(SaveWriter* writer, const Player& player);

// One tick of play, after the player's move: counts a step or a lift the
// keys made (never a fall, whatever is held), hands over merged Saves once
// the writer is free, and every kAutosaveTicks ticks since the last write
// starts an autosave if there are changes. True if it started one.
bool autosaveOnTick(SaveWriter* writer, const World& world, const Player& player);

// The game's Load: wait for the Saves asked for, autosave the changes not yet
// saved, then load the save file through the kept buffer (see loadWorldFrom).
// If the world is still what the save file holds, only the record is taken
// back. A successful load becomes the saved state.
Player loadSavedWorld(SaveWriter* writer, World* world, Player player, const BlockCatalogue catalogue);

// The end of play: write the Saves asked for, autosave the changes not yet
// saved and wait until every write is done.
void finishWrites(SaveWriter* writer, const World& world, const Player& player);
