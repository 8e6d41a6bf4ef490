// A save written on the calling thread, for the tests and benchmarks: what
// the writer thread does for a Save, without the thread.
#pragma once

#include <cstdio>
#include <string>

#include "save/SaveDisk.h"
#include "save/SaveFile.h"

// Save `world` and `player` to the game's files in `directory` through the
// kept buffer, printing the line (and a failure's cause on standard error). Never while a SaveWriter has a
// write in flight.
inline void saveWorldTo(const std::string& directory, const World* world, const Player& player,
                        SaveSlot slot = SaveSlot::kSave) {
  uint8_t* bytes = keptSaveBuffer();
  if (bytes != nullptr) encodeSave(*world, player, bytes);
  std::string cause = "the save buffer: out of memory";
  const bool ok = bytes != nullptr &&
                  writeSaveFile(directory, slot, bytes, kSaveFileBytes, &cause) != WriteResult::kFailed;
  std::printf("%s", saveResultLine(slot, ok));
  if (!ok) std::fprintf(stderr, "%s", saveFailureLine(cause).c_str());
}
