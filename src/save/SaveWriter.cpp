// Saves written by a thread of their own, and what is saved.
#include "save/SaveWriter.h"

#include <signal.h>

#include <cstdio>
#include <new>
#include <system_error>

namespace {

// The fields of the record that a save keeps and play changes.
bool sameSavedFields(const Player& a, const Player& b) {
  return a.x == b.x && a.y == b.y && a.dirtCount == b.dirtCount && a.grassCount == b.grassCount &&
         a.stoneCount == b.stoneCount && a.goldCount == b.goldCount && a.onGround == b.onGround &&
         a.selectedSlot == b.selectedSlot && a.loadRequested == b.loadRequested;
}

void writerThreadMain(SaveWriter* writer) {
  std::unique_lock lock(writer->mutex);
  for (;;) {
    writer->changed.wait(lock, [&] { return writer->busy || writer->stopping; });
    if (!writer->busy) return;  // stopping, with nothing left to write
    const SaveSlot slot = writer->slot;
    lock.unlock();
    const bool ok = writeSaveFile(writer->directory, slot, writer->bytes, kSaveFileBytes);
    std::printf("%s", saveResultLine(slot, ok));
    std::fflush(stdout);
    lock.lock();
    writer->lastWriteOk = ok;
    writer->busy = false;
    writer->changed.notify_all();
  }
}

// Main thread: wait for the write in flight, then take its outcome into account.
void settle(SaveWriter* writer) {
  bool ok;
  {
    std::unique_lock lock(writer->mutex);
    writer->changed.wait(lock, [&] { return !writer->busy; });
    ok = writer->lastWriteOk;
  }
  if (!writer->unsettled) return;
  writer->unsettled = false;
  if (ok) {
    writer->savedRecord = writer->writtenRecord;
    writer->haveBaseline = true;
  } else {
    writer->cellsChanged = writer->cellsChanged || writer->writtenCellsChanged;
  }
}

// Whether a write is in flight, without waiting.
bool writeInFlight(SaveWriter* writer) {
  std::lock_guard lock(writer->mutex);
  return writer->busy;
}

}  // namespace

SaveWriter* createSaveWriter(const std::string& directory) {
  uint8_t* bytes = keptSaveBuffer();
  if (bytes == nullptr) return nullptr;
  // Past a file-size limit a write fails and the save says so; by default
  // the signal would end the game.
  signal(SIGXFSZ, SIG_IGN);
  removeOldTemporaries(directory);
  auto* writer = new (std::nothrow) SaveWriter;
  if (writer == nullptr) return nullptr;
  writer->directory = directory;
  writer->bytes = bytes;
  try {
    writer->thread = std::thread(writerThreadMain, writer);
  } catch (const std::system_error&) {
    delete writer;
    return nullptr;
  }
  return writer;
}

void destroySaveWriter(SaveWriter* writer) {
  if (writer == nullptr) return;
  {
    std::lock_guard lock(writer->mutex);
    writer->stopping = true;
    writer->changed.notify_all();
  }
  writer->thread.join();
  delete writer;
}

void waitForWrites(SaveWriter* writer) { settle(writer); }

void saveInBackground(SaveWriter* writer, const World& world, const Player& player, SaveSlot slot) {
  settle(writer);
  // The buffer is the main thread's until it is handed over below.
  encodeSave(world, player, writer->bytes);
  writer->unsettled = true;
  writer->writtenRecord = player;
  writer->writtenCellsChanged = writer->cellsChanged;
  writer->cellsChanged = false;
  writer->ticksSinceWrite = 0;
  std::lock_guard lock(writer->mutex);
  writer->slot = slot;
  writer->busy = true;
  writer->changed.notify_all();
}

bool hasUnsavedChanges(SaveWriter* writer, const Player& player) {
  settle(writer);
  return writer->haveBaseline && (writer->cellsChanged || !sameSavedFields(writer->savedRecord, player));
}

void noteCellChanged(SaveWriter* writer) { writer->cellsChanged = true; }

void markSaved(SaveWriter* writer, const Player& player) {
  settle(writer);
  writer->haveBaseline = true;
  writer->savedRecord = player;
  writer->cellsChanged = false;
  writer->ticksSinceWrite = 0;
}

bool autosaveOnTick(SaveWriter* writer, const World& world, const Player& player) {
  if (writer->ticksSinceWrite < kAutosaveTicks) ++writer->ticksSinceWrite;
  // A write still in flight at the mark: look again on the next tick.
  if (writer->ticksSinceWrite < kAutosaveTicks || writeInFlight(writer)) return false;
  writer->ticksSinceWrite = 0;
  if (!hasUnsavedChanges(writer, player)) return false;
  saveInBackground(writer, world, player, SaveSlot::kAutosave);
  return true;
}

Player loadSavedWorld(SaveWriter* writer, World* world, Player player, const BlockCatalogue catalogue) {
  if (hasUnsavedChanges(writer, player)) saveInBackground(writer, *world, player, SaveSlot::kAutosave);
  // The load reads into the buffer a write may still be using.
  settle(writer);
  const Player loaded = loadWorldFrom(writer->directory + "/" + kSaveFileName, world, player, catalogue);
  if (loaded.loadFailed == 0) markSaved(writer, loaded);
  return loaded;
}

void finishWrites(SaveWriter* writer, const World& world, const Player& player) {
  if (hasUnsavedChanges(writer, player)) saveInBackground(writer, world, player, SaveSlot::kAutosave);
  settle(writer);
}
