// Saves written by a thread of their own, and what is saved.
#include "save/SaveWriter.h"

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <new>

#include "platform/Worker.h"

#include "world/Notices.h"

namespace {

// The fields of the record that play changes only through the player:
// the counts and the slot (a move counts through playerMoves).
bool sameCountsAndSlot(const Player& a, const Player& b) {
  return a.dirtCount == b.dirtCount && a.grassCount == b.grassCount && a.stoneCount == b.stoneCount &&
         a.goldCount == b.goldCount && a.selectedSlot == b.selectedSlot && a.loadRequested == b.loadRequested;
}

// Whether `state` holds every saved field of `player` as it is, and the grid.
bool holdsExactly(const SaveWriter* writer, const SavedState& state, const Player& player) {
  const Player& r = state.record;
  return state.valid && state.cellChanges == writer->cellChanges && sameCountsAndSlot(r, player) &&
         r.x == player.x && r.y == player.y && r.onGround == player.onGround &&
         std::equal(std::begin(r.keys), std::end(r.keys), std::begin(player.keys));
}

SavedState stateNow(const SaveWriter* writer, const Player& player) {
  return {true, player, writer->cellChanges, writer->playerMoves};
}

std::string saveFilePath(const SaveWriter* writer) { return writer->directory + "/" + kSaveFileName; }

// Whether the save file is still the one the writer last wrote or loaded
// (nobody replaced it since); *now is the file as it is.
bool saveFileUnchanged(const SaveWriter* writer, FileIdentity* now) {
  return identifyFile(saveFilePath(writer), now) && *now == writer->saveFile;
}

// Writer thread: write the job handed over and print its lines.
void writeJob(SaveWriter* writer) {
  std::unique_lock lock(writer->mutex);
  const SaveJob job = writer->job;
  lock.unlock();
  std::string cause;
  const bool ok = !job.write || writeSaveFile(writer->directory, job.slot, writer->bytes, kSaveFileBytes,
                                              &cause) != WriteResult::kFailed;
  for (int line = 0; line < job.lines; ++line) {
    std::printf("%s", saveResultLine(job.slot, ok));
    postNotice(saveResultLine(job.slot, ok));
  }
  std::fflush(stdout);
  if (!ok) {
    std::fprintf(stderr, "%s", saveFailureLine(cause).c_str());
    postNotice(saveFailureLine(cause));
  }
  lock.lock();
  writer->finished = true;
  writer->finishedOk = ok;
  writer->failureCause = ok ? std::string() : saveFailureLine(cause);
  writer->busy = false;
}

// Main thread: take the outcome of a finished job into account; whether the
// writer is free. Never waits.
bool collect(SaveWriter* writer) {
  SaveJob job;
  {
    std::lock_guard lock(writer->mutex);
    if (writer->busy) return false;
    if (!writer->finished) return true;
    writer->finished = false;
    if (!writer->finishedOk)
      ++writer->writesFailed;
    else if (writer->job.slot == SaveSlot::kSave)
      ++writer->savesDone;
    if (!writer->finishedOk) return true;  // a failed write changed nothing
    job = writer->job;
  }
  writer->written = job.state;
  if (job.slot == SaveSlot::kSave) {
    writer->inSaveFile = job.state;
    if (!identifyFile(saveFilePath(writer), &writer->saveFile)) writer->inSaveFile.valid = false;
  }
  return true;
}

void handOver(SaveWriter* writer, const SaveJob& job) {
  {
    std::lock_guard lock(writer->mutex);
    writer->job = job;
    writer->busy = true;
  }
  queueJob(writer->worker, [writer] { writeJob(writer); });
}

// Hand over a write of `slot`; the writer is free.
void startWrite(SaveWriter* writer, const World& world, const Player& player, SaveSlot slot, int lines) {
  SaveJob job{slot, lines, true, stateNow(writer, player)};
  FileIdentity now;
  // A Save of the world the save file holds already only needs its lines.
  if (slot == SaveSlot::kSave && holdsExactly(writer, writer->inSaveFile, player) &&
      saveFileUnchanged(writer, &now))
    job.write = false;
  // The buffer is the main thread's until it is handed over.
  if (job.write) encodeSave(world, player, writer->bytes);
  writer->ticksSinceWrite = 0;
  handOver(writer, job);
}

// Hand over the Saves asked for while the writer was busy, if it is free now.
void startMergedSaves(SaveWriter* writer, const World& world, const Player& player) {
  if (!collect(writer) || writer->pendingSaves == 0) return;
  startWrite(writer, world, player, SaveSlot::kSave, writer->pendingSaves);
  writer->pendingSaves = 0;
}

void waitUntilFree(SaveWriter* writer) { waitForWorker(writer->worker); }

}  // namespace

SaveWriter* createSaveWriter(const std::string& directory) {
  uint8_t* bytes = keptSaveBuffer();
  if (bytes == nullptr) return nullptr;
  // Past a file-size limit a write fails and the save says so; by default
  // the signal would end the game.
  signal(SIGXFSZ, SIG_IGN);
  recoverSaveFiles(directory);
  auto* writer = new (std::nothrow) SaveWriter;
  if (writer == nullptr) return nullptr;
  writer->directory = directory;
  writer->bytes = bytes;
  writer->worker = createWorker();
  if (writer->worker == nullptr) {
    delete writer;
    return nullptr;
  }
  return writer;
}

void destroySaveWriter(SaveWriter* writer) {
  if (writer == nullptr) return;
  destroyWorker(writer->worker);
  delete writer;
}

void waitForWrites(SaveWriter* writer, const World& world, const Player& player) {
  for (;;) {
    waitUntilFree(writer);
    collect(writer);
    if (writer->pendingSaves == 0) return;
    startMergedSaves(writer, world, player);
  }
}

void saveInBackground(SaveWriter* writer, const World& world, const Player& player, SaveSlot slot) {
  if (slot == SaveSlot::kSave) {
    ++writer->pendingSaves;
    startMergedSaves(writer, world, player);
    return;
  }
  waitForWrites(writer, world, player);
  startWrite(writer, world, player, slot, 1);
}

bool hasUnsavedChanges(SaveWriter* writer, const Player& player) {
  collect(writer);
  const SavedState& saved = writer->written;
  return saved.valid &&
         (saved.cellChanges != writer->cellChanges || saved.playerMoves != writer->playerMoves ||
          !sameCountsAndSlot(saved.record, player));
}

void noteCellChanged(SaveWriter* writer) { ++writer->cellChanges; }

void markSaved(SaveWriter* writer, const Player& player) {
  collect(writer);
  writer->written = stateNow(writer, player);
  writer->lastX = player.x, writer->lastY = player.y;
  writer->ticksSinceWrite = 0;
}

bool autosaveOnTick(SaveWriter* writer, const World& world, const Player& player) {
  // Only the keys move the player sideways or up; a fall is its own, whatever is held.
  const bool walked =
      (player.keys[ALLEGRO_KEY_LEFT] || player.keys[ALLEGRO_KEY_RIGHT]) && player.x != writer->lastX;
  const bool lifted = player.keys[ALLEGRO_KEY_UP] && player.y < writer->lastY;
  if (walked || lifted) ++writer->playerMoves;
  writer->lastX = player.x, writer->lastY = player.y;
  startMergedSaves(writer, world, player);
  if (writer->ticksSinceWrite < kAutosaveTicks) ++writer->ticksSinceWrite;
  // A write still in flight at the mark: look again on the next tick.
  if (writer->ticksSinceWrite < kAutosaveTicks || !collect(writer) || writer->pendingSaves > 0) return false;
  writer->ticksSinceWrite = 0;
  if (!hasUnsavedChanges(writer, player)) return false;
  startWrite(writer, world, player, SaveSlot::kAutosave, 1);
  return true;
}

Player loadSavedWorld(SaveWriter* writer, World* world, Player player, const BlockCatalogue catalogue) {
  // The changes not yet saved are kept first, as at the end of play.
  finishWrites(writer, *world, player);
  Player loaded;
  FileIdentity now;
  const SavedState& file = writer->inSaveFile;
  if (file.valid && file.cellChanges == writer->cellChanges && saveFileUnchanged(writer, &now)) {
    // The grid is what the file holds: only the record comes back.
    loaded = asLoaded(file.record, player);
    std::printf("Loaded the world!\n");
    postNotice("Loaded the world!");
  } else {
    loaded = loadWorldFrom(writer->directory, world, player, catalogue, &now);
    if (loaded.loadFailed != 0) return loaded;
  }
  writer->saveFile = now;
  writer->inSaveFile = stateNow(writer, loaded);
  markSaved(writer, loaded);
  return loaded;
}

void finishWrites(SaveWriter* writer, const World& world, const Player& player) {
  waitForWrites(writer, world, player);
  if (hasUnsavedChanges(writer, player)) startWrite(writer, world, player, SaveSlot::kAutosave, 1);
  waitForWrites(writer, world, player);
}
