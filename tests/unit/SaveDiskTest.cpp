// The save files on disk: loads that refuse what they cannot play, writes
// that keep the files before them, all or nothing, also when a step fails or
// the process stops at any step.
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "SaveTestFiles.h"
#include "TestWorlds.h"
#include "save/SaveDisk.h"
#include "save/SaveWriter.h"

using namespace savetest;

namespace {

class SaveDisk : public SaveDirTest {
 protected:
  // Load the test's save into `w`; the console's output goes to *out.
  Player load(World* w, const Player& current, std::string* out) {
    testing::internal::CaptureStdout();
    const Player loaded = loadWorldFrom(directory, w, current, catalogue);
    *out = testing::internal::GetCapturedStdout();
    return loaded;
  }
  // A player whose dirt count tells its saves apart.
  static Player withDirt(int count) {
    Player player = makeStartingPlayer();
    player.dirtCount = count;
    return player;
  }
};

// No file, damaged files (the limits of a position: SaveFileTest) and what is not a regular file: one line,
// the world and the record as they were but loadFailed, and the file untouched.
TEST_F(SaveDisk, LoadsRefuseWhatTheyCannotPlayWithOneLineAndChangeNothing) {
  const Bytes good = encoded(*generated(3), makeStartingPlayer());
  const float kNaN = std::numeric_limits<float>::quiet_NaN();
  const auto damaged = [&](std::function<void(Bytes&)> damage) {
    return [this, good, damage] {
      Bytes bytes = good;
      damage(bytes);
      writeFile(path, bytes);
    };
  };
  const struct {
    const char* name;
    std::function<void()> make;
    const char* line;     // empty: any one line
    bool asRoot = false;  // only root can give a link to another user
  } kCases[] = {
      {"no file", [] {}, "No save found\n"},
      {"empty", damaged([](Bytes& b) { b.clear(); }),
       "The save file is damaged: it holds 0 bytes, not 9677080\n"},
      {"truncated", damaged([](Bytes& b) { b.pop_back(); }), ""},
      {"one byte too long", damaged([](Bytes& b) { b.push_back(0); }), ""},
      {"typeId 7 in the last cell", damaged([](Bytes& b) { putU32(b, 280 + 28 * (kWorldCells - 1) + 8, 7); }),
       ""},
      {"typeId -1 in the first cell", damaged([](Bytes& b) { putU32(b, 280 + 8, 0xFFFFFFFF); }), ""},
      {"NaN x", damaged([&](Bytes& b) { putU32(b, 0, std::bit_cast<uint32_t>(kNaN)); }), ""},
      {"NaN y", damaged([&](Bytes& b) { putU32(b, 4, std::bit_cast<uint32_t>(kNaN)); }), ""},
      // Nobody ever writes to the FIFO: a read would wait for ever.
      {"a FIFO", [&] { ASSERT_EQ(0, mkfifo(path.c_str(), 0644)); }, "The save file is not a regular file\n"},
      {"a directory", [&] { fs::create_directory(path); }, "The save file is not a regular file\n"},
      {"a link to a device", [&] { fs::create_symlink("/dev/zero", path); },
       "The save file is not a regular file\n"},
      {"a link to itself", [&] { fs::create_symlink(kSaveFileName, path); },
       "The save file could not be read: Too many levels of symbolic links\n"},
      // In a shared folder: it may lead to any file the player can read.
      {"another user's link to a save",
       [&] {
         writeFile(directory / "private.wld", good);
         fs::create_symlink("private.wld", path);
         ASSERT_EQ(0, lchown(path.c_str(), 65534, 65534));
       },
       "TessalySave.wld: a link that another user owns, not followed\n", true},
  };
  const auto before = std::make_unique<World>(*world);
  Player current = makeStartingPlayer();
  current.dirtCount = 5;
  std::error_code noError;  // a link to itself is neither a file nor an error here
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.asRoot && geteuid() != 0) continue;
    c.make();
    const Bytes file = fs::is_regular_file(path, noError) ? readFile(path) : Bytes();
    std::string out;
    const Player result = load(world.get(), current, &out);
    if (*c.line != '\0') {
      EXPECT_EQ(c.line, out);
    }
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;  // exactly one line
    EXPECT_EQ(std::string::npos, out.find("Loaded")) << out;
    Player expected = current;
    expected.loadFailed = 1;
    EXPECT_TRUE(samePlayer(expected, result));
    EXPECT_EQ(0, std::memcmp(before.get(), world.get(), sizeof(World)));
    if (fs::is_regular_file(path, noError)) {
      EXPECT_TRUE(file == readFile(path));  // loading never changes the file
    }
    fs::remove(path);
  }
}

// (A write that fails halfway: SaveWriterTest's file-size limit.)
TEST_F(SaveDisk, AFailedSaveLeavesThePreviousFilesByteForByte) {
  save(*world, withDirt(1));
  save(*world, withDirt(2));
  const Bytes old = readFile(path);
  const std::vector<std::string> files = listing();
  const auto other = generated(4);

  // A directory that may not be written (root writes anyway, so only for others).
  if (geteuid() != 0) {
    fs::permissions(directory, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ("Failed to save the world!\n", save(*other, withDirt(3)));
    fs::permissions(directory, fs::perms::owner_all);
    EXPECT_EQ(files, listing());
  }
  // A directory that is a plain file fails for everyone.
  EXPECT_EQ("Failed to save the world!\n", save(*other, withDirt(3), path));
  // Something other than a save under one of the names: nothing moves.
  fs::create_directories(directory / slotFiles(SaveSlot::kSave).kept[1] / "x");
  testing::internal::CaptureStderr();
  EXPECT_EQ("Failed to save the world!\n", save(*other, withDirt(3)));
  EXPECT_EQ("TessalySave.2.wld: not a regular file\n", testing::internal::GetCapturedStderr());
  fs::create_directories(directory / slotFiles(SaveSlot::kAutosave).current / "x");
  EXPECT_EQ("Failed to autosave the world!\n", save(*other, withDirt(3), "", SaveSlot::kAutosave));
  // Another user's link under any of the names: the write fails, naming it, and adds nothing.
  const fs::path shared = directory / "shared";
  fs::create_directory(shared);
  for (const SaveSlotFiles& slot : kSaveSlotFiles)
    for (int i = -1; i < slot.keptCount && geteuid() == 0; ++i) {
      const fs::path link = shared / (i < 0 ? slot.current : slot.kept[i]);
      fs::create_symlink("private", link);
      ASSERT_EQ(0, lchown(link.c_str(), 65534, 65534));
      std::string cause;
      const uint8_t byte = 2;
      const SaveSlot which = &slot == kSaveSlotFiles ? SaveSlot::kSave : SaveSlot::kAutosave;
      EXPECT_EQ(WriteResult::kFailed, writeSaveFile(shared, which, &byte, 1, &cause));
      EXPECT_EQ(link.filename().string() + ": " + kForeignLinkProblem, cause);
      fs::remove(link);
      EXPECT_TRUE(fs::is_empty(shared));
    }
  EXPECT_FALSE(fs::exists(directory / kSaveTemporaryName));
  EXPECT_TRUE(old == readFile(path));
  EXPECT_EQ(2, dirtIn(directory / kSaveFileName));
  EXPECT_EQ(1, dirtIn(directory / slotFiles(SaveSlot::kSave).kept[0]));
}

// A save replaces the old file through a temporary, yet keeps what the
// player set on the old one, and gives a first save the umask's permissions
// (whatever a leftover temporary had). The game itself never touches the
// umask: see NoUmaskInTheGame in tests/CMakeLists.txt.
TEST_F(SaveDisk, SavesKeepTheFilesPermissions) {
  writeFile(directory / kSaveTemporaryName, {1, 2, 3});
  fs::permissions(directory / kSaveTemporaryName, fs::perms::owner_read);
  const mode_t previousMask = umask(027);
  save(*world, withDirt(1));
  EXPECT_EQ(0640u, static_cast<unsigned>(fs::status(path).permissions()) & 0777u);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  save(*world, withDirt(2));
  umask(previousMask);
  EXPECT_EQ(0600u, static_cast<unsigned>(fs::status(path).permissions()) & 0777u);
}

// Saves keep three before them and autosaves two, newest first; a save of
// the world the save holds moves nothing; the player's own files that look
// like the game's survive a start and every write.
TEST_F(SaveDisk, WritesKeepTheFilesBeforeThemAndTouchNoOthers) {
  const char* kLookalikes[] = {"TessalySave.wld.backup", "TessalySave.wld.a1B2c3", "TessalySave.4.wld",
                               "TessalySave.tmp.old"};
  for (const char* name : kLookalikes) writeFile(directory / name, {1});
  for (int count = 1; count <= 5; ++count) ASSERT_EQ("Saved the world!\n", save(*world, withDirt(count)));
  EXPECT_EQ((std::vector<int>{5, 4, 3, 2}), dirtCounts());
  EXPECT_EQ("Saved the world!\n", save(*world, withDirt(5)));  // nothing changed
  EXPECT_EQ((std::vector<int>{5, 4, 3, 2}), dirtCounts());
  for (int count = 11; count <= 14; ++count)
    ASSERT_EQ("Autosaved the world!\n", save(*world, withDirt(count), "", SaveSlot::kAutosave));
  EXPECT_EQ((std::vector<int>{14, 13, 12}), dirtCounts(SaveSlot::kAutosave));
  EXPECT_EQ((std::vector<int>{5, 4, 3, 2}), dirtCounts());
  SaveWriter* writer = createSaveWriter(directory);  // a start
  destroySaveWriter(writer);
  for (const char* name : kLookalikes) EXPECT_TRUE(fs::exists(directory / name)) << name;
  EXPECT_EQ(7u + std::size(kLookalikes), listing().size());
}

// The directory calls of a write, counted; the call numbered `failAt` fails,
// or from `stopAt` on every call fails without effect, as if the process had
// been killed there. `noLinks` plays a file system without hard links,
// `flags` the directory's inode flags.
struct Seam {
  int calls = 0, failAt = -1, stopAt = -1;
  bool noLinks = false;
  int flags = 0;
  bool hit() {
    const int n = calls++;
    if (n == failAt || (stopAt >= 0 && n >= stopAt)) return errno = EIO, true;
    return false;
  }
} seam;
SaveDiskCalls seamCalls = {
    [](int a, const char* b, int c, const char* d) { return seam.hit() ? -1 : renameat(a, b, c, d); },
    [](int a, const char* b, int c, const char* d, int e) {
      return seam.hit() ? -1 : seam.noLinks ? (errno = EPERM, -1) : linkat(a, b, c, d, e);
    },
    [](int a, const char* b, int c) { return seam.hit() ? -1 : unlinkat(a, b, c); },
    [](int a, const char* b, int c, mode_t d) { return seam.hit() ? -1 : openat(a, b, c, d); },
    [](int, int* flags) { return *flags = seam.flags, 0; },
};

// The rotation does not look inside the files: small ones, told apart by
// their one byte, keep the table quick also in the sanitized builds. A
// write (of 20) or a restore of a kept file (a reordering: none goes, none
// is there twice) ends with `after` or leaves `before` (or, stopped, a set
// moved halfway that loses nothing either).
TEST_F(SaveDisk, AWriteOrRestoreFailedOrStoppedAtAnyStepLosesNoFile) {
  const SaveDiskCalls real = saveDiskCalls;
  const struct {
    bool noLinks, stop;
    int restore;              // the kept file restored (0 is .1), or -1 for a write
    std::vector<int> before;  // the marks of the save and its kept files; -1 none
    std::vector<int> after;
    std::vector<int> between = {};  // a stop may also leave this whole set
  } kCases[] = {
      {false, false, -1, {10, 11, 12, 13}, {20, 10, 11, 12}},
      {true, false, -1, {10, 11, 12, 13}, {20, 10, 11, 12}},
      {false, true, -1, {10, 11, 12, 13}, {20, 10, 11, 12}},
      {true, true, -1, {10, 11, 12, 13}, {20, 10, 11, 12}},
      {false, true, -1, {10, 11, -1, -1}, {20, 10, 11, -1}},
      {true, true, -1, {10, 11, -1, -1}, {20, 10, 11, -1}},
      {true, true, -1, {-1, 11, -1, 13}, {20, 11, -1, 13}},
      // A free name is filled, nothing goes.
      {false, true, -1, {10, -1, 12, 13}, {20, 10, 12, 13}},
      {true, false, -1, {10, 11, -1, 13}, {20, 10, 11, 13}},
      {false, false, 0, {10, 11, 12, 13}, {11, 10, 12, 13}},
      {true, true, 0, {10, 11, 12, 13}, {11, 10, 12, 13}},
      {false, true, 1, {10, 11, 12, 13}, {12, 10, 11, 13}},
      {true, false, 1, {10, 11, 12, 13}, {12, 10, 11, 13}},
      {false, false, 2, {10, 11, 12, 13}, {13, 10, 11, 12}},
      {true, true, 2, {10, 11, 12, 13}, {13, 10, 11, 12}},
      {false, true, 2, {10, -1, 12, 13}, {13, 10, 12, -1}, {10, 13, 12, -1}},
      {true, true, 1, {-1, 11, 12, 13}, {12, 11, -1, 13}},
  };
  const SaveSlotFiles& files = slotFiles(SaveSlot::kSave);
  const auto name = [&](int i) { return directory / (i ? files.kept[i - 1] : files.current); };
  const auto write = [&](int mark, int restore = -1, std::string* cause = nullptr) {
    const uint8_t byte = static_cast<uint8_t>(mark);
    if (restore < 0) return writeSaveFile(directory, SaveSlot::kSave, &byte, 1, cause);
    const int dirFd = lockSaveDirectory(directory);
    const WriteResult result = restoreKeptSaveLocked(dirFd, restore, &byte, 1, nullptr, cause);
    unlockSaveDirectory(dirFd);
    return result;
  };
  const auto marks = [&] {
    std::vector<int> found;
    for (int i = 0; i < 4; ++i) found.push_back(fs::exists(name(i)) ? readFile(name(i)).at(0) : -1);
    return found;
  };
  const auto lay = [&](const std::vector<int>& set) {
    for (const auto& entry : fs::directory_iterator(directory)) fs::remove(entry.path());
    for (int i = 0; i < 4; ++i)
      if (set[i] >= 0) writeFile(name(i), {static_cast<uint8_t>(set[i])});
  };
  for (const auto& c : kCases) {
    for (int step = 0;; ++step) {
      SCOPED_TRACE(testing::Message()
                   << "links " << !c.noLinks << ", stop " << c.stop << ", restore " << c.restore << ", "
                   << testing::PrintToString(c.before) << ", step " << step);
      lay(c.before);
      seam = {0, c.stop ? -1 : step, c.stop ? step : -1, c.noLinks};
      saveDiskCalls = seamCalls;
      const WriteResult result = write(c.restore < 0 ? 20 : c.before[c.restore + 1], c.restore);
      saveDiskCalls = real;
      const int calls = seam.calls;
      ASSERT_TRUE(recoverSaveFiles(directory));  // the next start
      const std::vector<int> now = marks();
      EXPECT_TRUE(now == c.before || now == c.after || now == c.between) << testing::PrintToString(now);
      if (!c.stop) {
        EXPECT_EQ(now == c.after ? WriteResult::kWritten : WriteResult::kFailed, result);
      }
      for (const char* held : files.held) EXPECT_FALSE(fs::exists(directory / held)) << held;
      EXPECT_EQ(WriteResult::kWritten, write(21));  // and the next save
      EXPECT_EQ(21, marks()[0]);
      if (calls <= step) break;  // the write got through without reaching the step
    }
  }
  // A folder that only lets files be added is found out before the first change.
  for (const int restore : {-1, 1}) {
    lay({10, 11, 12, 13});
    seam = {0, -1, -1, false, FS_APPEND_FL};
    saveDiskCalls = seamCalls;
    std::string cause;
    EXPECT_EQ(WriteResult::kFailed, write(restore < 0 ? 20 : 12, restore, &cause));
    saveDiskCalls = real;
    EXPECT_EQ(0, seam.calls);  // nothing created, moved or removed
    EXPECT_EQ("TessalySave.wld: Operation not permitted (the folder is append-only)", cause);
  }
}

// A child process saves two worlds in turn and is killed at random moments:
// every file is complete, holding one of them, and the next save finishes
// cleanly.
TEST_F(SaveDisk, ASaveKilledAtAnyMomentLeavesOnlyCompleteFiles) {
  const Bytes bytesA = encoded(*world, withDirt(1)), bytesB = encoded(*world, withDirt(2));
  uint32_t random = 99;
  for (int round = 0; round < 12; ++round) {
    std::fflush(stdout);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::freopen("/dev/null", "w", stdout);
      for (int i = 0;; ++i) saveWorldTo(directory, world.get(), withDirt(1 + i % 2));
    }
    random = random * 1664525u + 1013904223u;
    usleep(5000 + (random >> 8) % 60000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    for (const std::string& name : listing()) {
      if (name.find(".wld") == std::string::npos) continue;
      const Bytes file = readFile(directory / name);
      EXPECT_TRUE(file == bytesA || file == bytesB) << name << " in round " << round;
    }
  }
  EXPECT_EQ("Saved the world!\n", save(*world, withDirt(3)));
  for (const std::string& name : listing()) EXPECT_TRUE(name.ends_with(".wld")) << name;  // nothing left over
}

}  // namespace
