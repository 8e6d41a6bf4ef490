// The writer thread: saves, loads and autosaves in the order asked for,
// autosaves only of what the player changed, and Save clicks that never wait
// for a write in flight.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "SaveTestFiles.h"
#include "TestWorlds.h"
#include "save/SaveWriter.h"

using namespace savetest;

namespace {

using SaveWriterTest = SaveDirTest;

// Under a file-size limit a write fails with its line instead of the signal
// ending the process; the child starts with the signal's default action.
TEST_F(SaveWriterTest, AFileSizeLimitFailsTheWriterThreadsSaveButNotTheGame) {
  Player player = makeStartingPlayer();
  for (player.dirtCount = 1; player.dirtCount <= 2; ++player.dirtCount)
    saveWorldTo(directory, world.get(), player);
  const std::vector<int> counts = dirtCounts();
  std::vector<std::string> files = listing();
  files.push_back("console.txt");
  std::fflush(stdout);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::freopen((directory / "console.txt").c_str(), "w", stdout);
    signal(SIGXFSZ, SIG_DFL);
    const rlimit small{1 << 20, 1 << 20};
    setrlimit(RLIMIT_FSIZE, &small);
    SaveWriter* writer = createSaveWriter(directory);
    if (writer == nullptr) _exit(2);
    saveInBackground(writer, *world, player, SaveSlot::kSave);  // fails halfway through the temporary
    destroySaveWriter(writer);
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::ifstream console(directory / "console.txt");
  EXPECT_EQ("Failed to save the world!\n", std::string(std::istreambuf_iterator<char>(console), {}));
  EXPECT_EQ(counts, dirtCounts());
  EXPECT_EQ(files, listing());  // no temporary left behind
}

// Saves, loads and autosaves asked for back to back come out in order, each
// load reading what the save before it wrote (run under ThreadSanitizer too).
TEST_F(SaveWriterTest, TheWriterKeepsTheOrderOfSavesLoadsAndAutosaves) {
  SaveWriter* writer = createSaveWriter(directory);
  ASSERT_NE(nullptr, writer);
  Player player = makeStartingPlayer();
  markSaved(writer, player);
  std::string expected;
  testing::internal::CaptureStdout();
  for (int count = 1; count <= 6; ++count) {
    player.dirtCount = count;
    writeCatalogueEntry(world.get(), count, 0, catalogue[kGold]);
    noteCellChanged(writer);
    saveInBackground(writer, *world, player, SaveSlot::kSave);
    expected += "Saved the world!\n";
    if (count % 2 == 0) {
      // A change after the save is on disk (a Save merged into a later write
      // would take it along): the load autosaves it, then throws it away.
      waitForWrites(writer, *world, player);
      writeCatalogueEntry(world.get(), count, 1, catalogue[kGold]);
      noteCellChanged(writer);
      player.dirtCount = 50 + count;
      player = loadSavedWorld(writer, world.get(), player, catalogue);
      expected += "Autosaved the world!\nLoaded the world!\n";
      EXPECT_EQ(count, player.dirtCount);
      EXPECT_EQ(kGold, cellAt(*world, count, 0).typeId);
      EXPECT_NE(kGold, cellAt(*world, count, 1).typeId);
    }
  }
  waitForWrites(writer, *world, player);
  player.dirtCount = 100;
  finishWrites(writer, *world, player);
  expected += "Autosaved the world!\n";
  destroySaveWriter(writer);
  EXPECT_EQ(expected, testing::internal::GetCapturedStdout());
  EXPECT_EQ((std::vector<int>{6, 5, 4, 3}), dirtCounts());
  EXPECT_EQ((std::vector<int>{100, 56, 54}), dirtCounts(SaveSlot::kAutosave));
}

// Autosaves on a fake clock: every kAutosaveTicks ticks of play when the
// player changed something (a cell, a count, a move of the player's keys;
// never a fall of its own), before a Load and at the end with changes only,
// and a failed one keeps the changes unsaved.
TEST_F(SaveWriterTest, AutosavesComeOnlyWithChangesNotYetSaved) {
  SaveWriter* writer = createSaveWriter(directory);
  ASSERT_NE(nullptr, writer);
  Player player = makeStartingPlayer();
  markSaved(writer, player);
  auto ticks = [&](int count) {
    int started = 0;
    for (int i = 0; i < count; ++i) started += autosaveOnTick(writer, *world, player);
    waitForWrites(writer, *world, player);
    return started;
  };
  testing::internal::CaptureStdout();
  player.y += 2.5f;  // a fall at the start
  EXPECT_EQ(0, ticks(2 * kAutosaveTicks));
  player.keys[ALLEGRO_KEY_UP] = 1;  // held through the fall, where no jump can start
  player.y += 2.5f;
  EXPECT_EQ(0, ticks(2 * kAutosaveTicks));
  player.keys[ALLEGRO_KEY_UP] = 0;
  finishWrites(writer, *world, player);  // and the end of play: nothing written
  EXPECT_TRUE(listing().empty());
  player.keys[ALLEGRO_KEY_RIGHT] = 1;  // a step
  player.x += 2.5f;
  EXPECT_EQ(0, ticks(kAutosaveTicks - 1));
  EXPECT_EQ(1, ticks(1));
  EXPECT_EQ(0, ticks(kAutosaveTicks));  // saved since
  player.dirtCount = 4;
  EXPECT_EQ(0, ticks(kAutosaveTicks / 2));
  saveInBackground(writer, *world, player, SaveSlot::kSave);  // restarts the interval
  noteCellChanged(writer);                                    // a cell alone counts
  EXPECT_EQ(0, ticks(kAutosaveTicks - 1));
  EXPECT_EQ(1, ticks(1));
  EXPECT_EQ("Autosaved the world!\nSaved the world!\nAutosaved the world!\n",
            testing::internal::GetCapturedStdout());

  const fs::path autosave = directory / slotFiles(SaveSlot::kAutosave).current;
  fs::remove(autosave);
  fs::create_directories(autosave / "x");  // the next autosave fails
  player.selectedSlot = 3;
  testing::internal::CaptureStdout();
  EXPECT_EQ(1, ticks(kAutosaveTicks));
  EXPECT_TRUE(hasUnsavedChanges(writer, player));
  fs::remove_all(autosave);
  player = loadSavedWorld(writer, world.get(), player, catalogue);  // with changes: autosaved first
  player = loadSavedWorld(writer, world.get(), player, catalogue);  // none since the load
  finishWrites(writer, *world, player);
  EXPECT_EQ("Failed to autosave the world!\nAutosaved the world!\nLoaded the world!\nLoaded the world!\n",
            testing::internal::GetCapturedStdout());
  EXPECT_EQ(3, static_cast<int>(readFile(autosave)[32]));
  destroySaveWriter(writer);
}

// The rename of a write into place waits until the test lets it go (five
// seconds at most), so that Save clicks come while the write is in flight.
std::atomic<bool> released{false};
std::atomic<int> renamesIntoPlace{0};
int heldRename(int dirFd, const char* from, int toDirFd, const char* to) {
  for (int i = 0; i < 5000 && !released; ++i) usleep(1000);
  const int result = renameat(dirFd, from, toDirFd, to);
  if (std::strcmp(to, kSaveFileName) == 0) ++renamesIntoPlace;
  return result;
}

TEST_F(SaveWriterTest, SavesAskedForDuringAWriteMergeIntoOneLaterWriteOfTheNewestWorld) {
  released = false, renamesIntoPlace = 0;
  const SaveDiskCalls real = saveDiskCalls;
  saveDiskCalls.renameAt = heldRename;
  SaveWriter* writer = createSaveWriter(directory);
  ASSERT_NE(nullptr, writer);
  Player player = makeStartingPlayer();
  markSaved(writer, player);
  testing::internal::CaptureStdout();
  for (int click = 1; click <= 50; ++click) {
    player.dirtCount = click;
    saveInBackground(writer, *world, player, SaveSlot::kSave);
    autosaveOnTick(writer, *world, player);
  }
  EXPECT_EQ(0, renamesIntoPlace);  // no click waited for the write in flight
  released = true;
  waitForWrites(writer, *world, player);
  // The main thread looks at the writer, never waiting, while a write
  // finishes (ThreadSanitizer sees whether the two share that state safely).
  released = false;
  player.dirtCount = 51;
  saveInBackground(writer, *world, player, SaveSlot::kSave);
  released = true;
  for (int look = 0; look < 5000 && hasUnsavedChanges(writer, player); ++look) usleep(1000);
  EXPECT_FALSE(hasUnsavedChanges(writer, player));
  destroySaveWriter(writer);
  saveDiskCalls = real;
  std::string expected;
  for (int click = 1; click <= 51; ++click) expected += "Saved the world!\n";
  EXPECT_EQ(expected, testing::internal::GetCapturedStdout());
  EXPECT_EQ(3, renamesIntoPlace);
  EXPECT_EQ((std::vector<int>{51, 50, 1, -1}), dirtCounts());
}

}  // namespace
