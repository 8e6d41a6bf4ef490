// The save file: its byte layout, the round trip, damaged files and failed
// saves. Files live in a fresh directory per test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "TestWorlds.h"
#include "save/SaveFile.h"
#include "save/SaveWriter.h"
#include "world/Terrain.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t getU32(const Bytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}
void putU32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
size_t cellOffset(int index) { return kSavePlayerBytes + kSaveCellBytes * index; }

// A record with every saved field set to something other than its default.
Player distinctPlayer() {
  Player p{.x = 1234.5f,
           .y = -67.25f,
           .dirtCount = 11,
           .grassCount = -22,
           .stoneCount = INT32_MAX,
           .goldCount = INT32_MIN,
           .sprite = reinterpret_cast<ALLEGRO_BITMAP*>(0x7777),
           .onGround = 1,
           .selectedSlot = 3,
           .screenWidth = 1680,
           .screenHeight = 1050,
           .loadRequested = 1,
           .loadFailed = 1};
  p.keys[0] = p.keys[ALLEGRO_KEY_LEFT] = p.keys[ALLEGRO_KEY_UP] = p.keys[ALLEGRO_KEY_MAX - 1] = 1;
  return p;
}

class SaveFile : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/tessaly-save-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(name));
    directory = name;
    path = (directory / kSaveFileName).string();
    fillTracedCatalogue(catalogue, 0x3000);
    world = generated(1);
  }
  void TearDown() override {
    fs::permissions(directory, fs::perms::owner_all);
    fs::remove_all(directory);
  }

  // A new world from `seed`.
  std::unique_ptr<World> generated(uint32_t seed) const {
    auto out = std::make_unique<World>();
    generateWorldFromSeed(out.get(), catalogue, seed);
    return out;
  }
  static Bytes encoded(const World& w, const Player& p) {
    Bytes bytes(kSaveFileBytes);
    encodeSave(w, p, bytes.data());
    return bytes;
  }
  static Bytes readFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void writeFile(const std::string& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  // Names of the files in the test's directory.
  std::vector<std::string> listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Save `w` and `p` to the test's directory (or to `to`); the console's output.
  std::string save(const World& w, const Player& p, const std::string& to = "") {
    testing::internal::CaptureStdout();
    saveWorldTo(to.empty() ? directory.string() : to, &w, p);
    return testing::internal::GetCapturedStdout();
  }
  // Load the test's file into `w`; the console's output goes to *out.
  Player load(World* w, const Player& current, const BlockCatalogue with, std::string* out) {
    testing::internal::CaptureStdout();
    const Player loaded = loadWorldFrom(path, w, current, with);
    *out = testing::internal::GetCapturedStdout();
    return loaded;
  }

  fs::path directory;
  std::string path;
  BlockCatalogue catalogue;
  std::unique_ptr<World> world;
};

TEST_F(SaveFile, ANewWorldSavedAtOnceHasTheDocumentedLayout) {
  const Player player = makeStartingPlayer();
  EXPECT_EQ("Saved the world!\n", save(*world, player));
  EXPECT_EQ("Saved the world!\n", save(*world, player));  // replaces the first, which is kept
  EXPECT_EQ((std::vector<std::string>{kKeptSaveNames[0], kSaveFileName}), listing());
  const Bytes file = readFile(path);
  ASSERT_EQ(9677080u, file.size());
  // Row 479's record of every column starts at 280 + 13440 * col + 13412.
  for (int col = 0; col < kWorldColumns; ++col)
    ASSERT_EQ(0u, getU32(file, 280 + 13440 * col + 13412 + 8)) << col;

  int wrong = 0;
  for (int index = 0; index < kWorldCells; ++index) {
    const Cell& cell = world->cells[index];
    const size_t at = cellOffset(index);
    const size_t nameLength = strnlen(cell.name, 8);
    Bytes name(8, 0);
    std::memcpy(name.data(), cell.name, nameLength);
    wrong += !std::equal(name.begin(), name.end(), file.begin() + at) ||
             getU32(file, at + 8) != static_cast<uint32_t>(cell.typeId) || getU32(file, at + 12) != 0 ||
             file[at + 16] != cell.passable || file[at + 17] || file[at + 18] || file[at + 19] ||
             getU32(file, at + 20) != std::bit_cast<uint32_t>(index / 480 * 10.0f) ||
             getU32(file, at + 24) != std::bit_cast<uint32_t>(index % 480 * 10.0f);
  }
  EXPECT_EQ(0, wrong);
}

TEST_F(SaveFile, PlayerFieldsStandAtTheirOffsetsAndMeaninglessBytesAreZero) {
  Player player = distinctPlayer();
  const Bytes bytes = encoded(*world, player);
  const struct {
    size_t offset;
    uint32_t value;
  } kFields[] = {{0, std::bit_cast<uint32_t>(1234.5f)},
                 {4, std::bit_cast<uint32_t>(-67.25f)},
                 {8, 11},
                 {12, static_cast<uint32_t>(-22)},
                 {16, 0x7FFFFFFF},
                 {20, 0x80000000},
                 {24, 0},
                 {28, 1},
                 {32, 3},
                 {36, 1},
                 {36 + ALLEGRO_KEY_LEFT, 0x00010001},  // keys 82, 84
                 {260, 0x00010000},
                 {264, 1680},
                 {268, 1050},
                 {272, 1},
                 {276, 1}};  // key 226, pad
  for (const auto& f : kFields) EXPECT_EQ(f.value, getU32(bytes, f.offset)) << "offset " << f.offset;

  // Another sprite, other tiles and junk after the names' terminators save to the same bytes.
  auto copy = std::make_unique<World>(*world);
  for (Cell& cell : copy->cells) {
    cell.bitmap = reinterpret_cast<ALLEGRO_BITMAP*>(0xBAD);
    const size_t length = strnlen(cell.name, 8);
    if (length < 8) std::memset(cell.name + length + 1, 'j', 7 - length);
  }
  player.sprite = reinterpret_cast<ALLEGRO_BITMAP*>(0x8888);
  EXPECT_TRUE(bytes == encoded(*copy, player));
}

TEST_F(SaveFile, RoundTripRestoresTheFileAndKeepsTheRunningGamesSpriteAndScreen) {
  writeCatalogueEntry(world.get(), 10, 130, catalogue[kUnderground]);
  const Player saved = distinctPlayer();
  save(*world, saved);
  // The tile slots hold junk, and one cell's position was not where it stands.
  Bytes file = readFile(path);
  putU32(file, cellOffset(0) + 12, 0xDEADBEEF);
  putU32(file, cellOffset(479) + 12, 0xDEADBEEF);  // a Null cell
  putU32(file, cellOffset(1000) + 20, std::bit_cast<uint32_t>(12345.0f));
  writeFile(path, file);

  BlockCatalogue running;
  fillTracedCatalogue(running, 0x9000);
  auto target = generated(2);
  const Player current{.x = 30.0f,
                       .y = 800.0f,
                       .sprite = reinterpret_cast<ALLEGRO_BITMAP*>(0x4242),
                       .selectedSlot = 1,
                       .screenWidth = 1280,
                       .screenHeight = 768};
  std::string out;
  const Player loaded = load(target.get(), current, running, &out);
  EXPECT_EQ("Loaded the world!\n", out);
  Player expected = saved;  // all but the running game's sprite and screen, and loadFailed 0
  expected.sprite = current.sprite, expected.screenWidth = 1280, expected.screenHeight = 768;
  expected.loadFailed = 0;
  expected.onGround = 0;  // y = -67.25: nothing holds a sprite up there
  EXPECT_TRUE(samePlayer(expected, loaded));

  int wrong = 0;
  for (int index = 0; index < kWorldCells; ++index) {
    const Cell& a = world->cells[index];
    const Cell& b = target->cells[index];
    wrong += std::memcmp(a.name, b.name, 8) || a.typeId != b.typeId || a.passable != b.passable ||
             b.bitmap != running[b.typeId].bitmap || b.y != a.y || b.x != (index == 1000 ? 12345.0f : a.x);
  }
  EXPECT_EQ(0, wrong);
}

TEST_F(SaveFile, NoFileLeavesWorldAndRecordAsTheyWereButMarksTheLoadFailed) {
  const auto before = std::make_unique<World>(*world);
  Player current = distinctPlayer();
  current.loadFailed = 0;
  std::string out;
  const Player result = load(world.get(), current, catalogue, &out);
  EXPECT_EQ("No save found\n", out);
  current.loadFailed = 1;
  EXPECT_TRUE(samePlayer(current, result));
  EXPECT_EQ(0, std::memcmp(before.get(), world.get(), sizeof(World)));
}

TEST_F(SaveFile, DamagedFilesAreRefusedWithOneLineAndChangeNothing) {
  const Bytes good = encoded(*generated(3), distinctPlayer());
  const float kNaN = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* name;
    std::function<void(Bytes&)> damage;
  } kCases[] = {
      {"empty", [](Bytes& b) { b.clear(); }},
      {"truncated", [](Bytes& b) { b.pop_back(); }},
      {"one byte too long", [](Bytes& b) { b.push_back(0); }},
      {"typeId 7 in the last cell", [](Bytes& b) { putU32(b, cellOffset(kWorldCells - 1) + 8, 7); }},
      {"typeId -1 in the first cell", [](Bytes& b) { putU32(b, cellOffset(0) + 8, 0xFFFFFFFF); }},
      {"NaN x", [&](Bytes& b) { putU32(b, 0, std::bit_cast<uint32_t>(kNaN)); }},
      {"huge x", [](Bytes& b) { putU32(b, 0, std::bit_cast<uint32_t>(1e30f)); }},
      {"NaN y", [&](Bytes& b) { putU32(b, 4, std::bit_cast<uint32_t>(kNaN)); }},
      {"y far below the world", [](Bytes& b) { putU32(b, 4, std::bit_cast<uint32_t>(5000.0f)); }},
      {"x left of the world", [](Bytes& b) { putU32(b, 0, std::bit_cast<uint32_t>(-3.0f)); }},
  };
  const auto before = std::make_unique<World>(*world);
  const Player current = makeStartingPlayer();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = good;
    c.damage(bytes);
    writeFile(path, bytes);
    std::string out;
    const Player result = load(world.get(), current, catalogue, &out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;  // exactly one line
    EXPECT_EQ(std::string::npos, out.find("Loaded")) << out;
    Player expected = current;
    expected.loadFailed = 1;
    EXPECT_TRUE(samePlayer(expected, result));
    EXPECT_EQ(0, std::memcmp(before.get(), world.get(), sizeof(World)));
    EXPECT_TRUE(bytes == readFile(path));  // loading never changes the file
  }
}

TEST_F(SaveFile, PositionsAtTheWorldsLimitsAreAccepted) {
  Bytes bytes = encoded(*world, makeStartingPlayer());
  const struct {
    float x, y;
    bool accepted;
  } kCases[] = {{kLowestPlayerX, kLowestPlayerY, true},
                {kHighestPlayerX, kHighestPlayerY, true},
                {std::nextafter(kLowestPlayerX, -1e9f), 800.0f, false},
                {std::nextafter(kHighestPlayerX, 1e9f), 800.0f, false},
                {30.0f, std::nextafter(kLowestPlayerY, -1e9f), false},
                {30.0f, std::nextafter(kHighestPlayerY, 1e9f), false}};
  for (const auto& c : kCases) {
    putU32(bytes, 0, std::bit_cast<uint32_t>(c.x));
    putU32(bytes, 4, std::bit_cast<uint32_t>(c.y));
    EXPECT_EQ(c.accepted, findSaveDamage(bytes.data(), bytes.size()).empty()) << c.x << "," << c.y;
  }
}

TEST_F(SaveFile, AFailedSaveLeavesThePreviousFileByteForByte) {
  save(*world, distinctPlayer());
  save(*world, makeStartingPlayer());
  const Bytes old = readFile(path);
  const Bytes kept = readFile((directory / kKeptSaveNames[0]).string());
  const std::vector<std::string> files = listing();
  const auto other = generated(4);

  // Files may grow to 1 MiB only: the write of the new file fails halfway.
  rlimit limit{};
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &limit));
  rlimit small = limit;
  small.rlim_cur = 1 << 20;
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  const std::string out = save(*other, distinctPlayer());
  setrlimit(RLIMIT_FSIZE, &limit);
  signal(SIGXFSZ, previousHandler);
  EXPECT_EQ("Failed to save the world!\n", out);
  EXPECT_TRUE(old == readFile(path));
  EXPECT_TRUE(kept == readFile((directory / kKeptSaveNames[0]).string()));  // not moved on
  EXPECT_EQ(files, listing());                                              // no temporary left behind

  // A directory that may not be written (root writes anyway, so only for others).
  if (geteuid() != 0) {
    fs::permissions(directory, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ("Failed to save the world!\n", save(*other, distinctPlayer()));
    fs::permissions(directory, fs::perms::owner_all);
    EXPECT_TRUE(old == readFile(path));
    EXPECT_EQ(files, listing());
  }
  // A directory that is a plain file fails for everyone.
  EXPECT_EQ("Failed to save the world!\n", save(*other, distinctPlayer(), path));
  EXPECT_TRUE(old == readFile(path));
}

// A save replaces the old file through a temporary, yet keeps what the
// player set on the old one, and gives a first save the umask's permissions
// (whatever a leftover temporary had). The game itself never touches the
// umask: see NoUmaskInTheGame in tests/CMakeLists.txt.
TEST_F(SaveFile, SavesKeepTheFilesPermissions) {
  writeFile((directory / kSaveTemporaryName).string(), {1, 2, 3});
  fs::permissions(directory / kSaveTemporaryName, fs::perms::owner_read);
  const mode_t previousMask = umask(027);
  save(*world, makeStartingPlayer());
  EXPECT_EQ(0640u, static_cast<unsigned>(fs::status(path).permissions()) & 0777u);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  save(*world, makeStartingPlayer());
  umask(previousMask);
  EXPECT_EQ(0600u, static_cast<unsigned>(fs::status(path).permissions()) & 0777u);
}

TEST_F(SaveFile, AFreshWorldIsAccepted) {
  const Bytes bytes = encoded(*world, makeStartingPlayer());
  EXPECT_EQ("", findSaveDamage(bytes.data(), bytes.size()));
}

// The dirt count stored in a file of the test's directory; -1 if there is no
// complete file of that name.
int dirtIn(const fs::path& directory, const char* name) {
  if (!fs::is_regular_file(directory / name)) return -1;
  std::ifstream in(directory / name, std::ios::binary);
  Bytes bytes{std::istreambuf_iterator<char>(in), {}};
  return bytes.size() == kSaveFileBytes ? static_cast<int>(getU32(bytes, 8)) : -1;
}

TEST_F(SaveFile, SavesKeepTheThreePreviousNewestFirstAndAutosavesTouchNone) {
  Player player = makeStartingPlayer();
  auto dirtCounts = [&] {
    std::vector<int> counts = {dirtIn(directory, kSaveFileName)};
    for (const char* kept : kKeptSaveNames) counts.push_back(dirtIn(directory, kept));
    counts.push_back(dirtIn(directory, kAutosaveFileName));
    return counts;
  };
  for (int count = 1; count <= 5; ++count) {
    player.dirtCount = count;
    ASSERT_EQ("Saved the world!\n", save(*world, player));
  }
  EXPECT_EQ((std::vector<int>{5, 4, 3, 2, -1}), dirtCounts());

  // A save stopped after keeping the previous ones but before its rename.
  const int dir = open(directory.c_str(), O_RDONLY | O_DIRECTORY);
  renameat(dir, kKeptSaveNames[1], dir, kKeptSaveNames[2]);
  renameat(dir, kKeptSaveNames[0], dir, kKeptSaveNames[1]);
  linkat(dir, kSaveFileName, dir, kKeptSaveNames[0], 0);
  close(dir);
  player.dirtCount = 6;
  save(*world, player);
  EXPECT_EQ((std::vector<int>{6, 5, 4, 3, -1}), dirtCounts());  // none pushed out twice

  // A kept file that is no save at all never stops a save.
  fs::remove(directory / kKeptSaveNames[0]);
  fs::create_directories(directory / kKeptSaveNames[0] / "x");
  player.dirtCount = 7;
  EXPECT_EQ("Saved the world!\n", save(*world, player));
  EXPECT_EQ(7, dirtIn(directory, kSaveFileName));
  EXPECT_EQ(6, dirtIn(directory, kKeptSaveNames[0]));

  player.dirtCount = 9;
  testing::internal::CaptureStdout();
  saveWorldTo(directory, world.get(), player, SaveSlot::kAutosave);
  EXPECT_EQ("Autosaved the world!\n", testing::internal::GetCapturedStdout());
  EXPECT_EQ(9, dirtCounts().back());
  EXPECT_EQ(7, dirtCounts().front());

  // A directory in the save's place: the save fails and moves no kept save.
  fs::remove(directory / kSaveFileName);
  fs::create_directories(directory / kSaveFileName / "x");
  EXPECT_EQ("Failed to save the world!\n", save(*world, player));
  EXPECT_EQ((std::vector<int>{-1, 6, -1, 4, 9}), dirtCounts());  // .2 is the directory from above
}

// A child process saves two worlds in turn and is killed at random moments:
// every file is complete, holding one of them, and at most one temporary is
// left, which the next save takes over.
TEST_F(SaveFile, ASaveKilledAtAnyMomentLeavesOnlyCompleteFiles) {
  Player a = makeStartingPlayer(), b = makeStartingPlayer();
  a.dirtCount = 1, b.dirtCount = 2;
  const Bytes bytesA = encoded(*world, a), bytesB = encoded(*world, b);
  uint32_t random = 99;
  for (int round = 0; round < 12; ++round) {
    std::fflush(stdout);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::freopen("/dev/null", "w", stdout);
      for (int i = 0;; ++i) saveWorldTo(directory, world.get(), i % 2 ? b : a);
    }
    random = random * 1664525u + 1013904223u;
    usleep(5000 + (random >> 8) % 60000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    int others = 0;
    for (const std::string& name : listing()) {
      const Bytes file = readFile((directory / name).string());
      if (name == kSaveTemporaryName || name.find(".wld") == std::string::npos)
        ++others;
      else
        EXPECT_TRUE(file == bytesA || file == bytesB) << name << " in round " << round;
    }
    EXPECT_LE(others, 1) << "round " << round;
  }
  save(*world, a);
  EXPECT_FALSE(fs::exists(directory / kSaveTemporaryName));
}

TEST_F(SaveFile, LoadRefusesWhatIsNotARegularFileWithoutWaiting) {
  const std::function<void()> kMakers[] = {
      [&] { ASSERT_EQ(0, mkfifo(path.c_str(), 0644)); },  // nobody ever writes to it
      [&] { fs::create_directory(path); },
      [&] { fs::create_symlink("/dev/zero", path); },
  };
  const auto before = std::make_unique<World>(*world);
  for (const auto& make : kMakers) {
    make();
    std::string out;
    const Player result = load(world.get(), makeStartingPlayer(), catalogue, &out);
    EXPECT_EQ("The save file is not a regular file\n", out);
    EXPECT_EQ(1, result.loadFailed);
    EXPECT_EQ(0, std::memcmp(before.get(), world.get(), sizeof(World)));
    fs::remove(path);
  }
}

TEST_F(SaveFile, TemporariesOfEarlierVersionsAreRemovedAndFailedWritesLeaveNone) {
  for (const char* name : {"TessalySave.wld.a1B2c3", "TessalySave.wld.XXXXXX", "TessalySave.wld.abc",
                           "TessalySave.wld.ab-cd1", "Other.wld.a1B2c3"})
    writeFile((directory / name).string(), {1});
  EXPECT_EQ(2, removeOldTemporaries(directory));
  EXPECT_EQ((std::vector<std::string>{"Other.wld.a1B2c3", "TessalySave.wld.ab-cd1", "TessalySave.wld.abc"}),
            listing());
  // The autosave's name taken by a directory: the rename fails.
  fs::create_directories(directory / kAutosaveFileName / "x");
  testing::internal::CaptureStdout();
  saveWorldTo(directory, world.get(), makeStartingPlayer(), SaveSlot::kAutosave);
  EXPECT_EQ("Failed to autosave the world!\n", testing::internal::GetCapturedStdout());
  EXPECT_FALSE(fs::exists(directory / kSaveTemporaryName));
}

// Under a file-size limit a write fails with its line instead of the signal
// ending the process; the child starts with the signal's default action.
TEST_F(SaveFile, AFileSizeLimitFailsTheWriterThreadsSaveButNotTheGame) {
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
    saveInBackground(writer, *world, makeStartingPlayer(), SaveSlot::kSave);
    destroySaveWriter(writer);
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::ifstream console(directory / "console.txt");
  EXPECT_EQ("Failed to save the world!\n", std::string(std::istreambuf_iterator<char>(console), {}));
  EXPECT_EQ(std::vector<std::string>{"console.txt"}, listing());
}

// Saves, loads and autosaves asked for back to back come out in order, each
// load reading what the save before it wrote (run under ThreadSanitizer too).
TEST_F(SaveFile, TheWriterKeepsTheOrderOfSavesLoadsAndAutosaves) {
  SaveWriter* writer = createSaveWriter(directory);
  ASSERT_NE(nullptr, writer);
  Player player = makeStartingPlayer();
  markSaved(writer, player);
  auto target = generated(5);
  std::string expected;
  testing::internal::CaptureStdout();
  for (int count = 1; count <= 6; ++count) {
    player.dirtCount = count;
    writeCatalogueEntry(world.get(), count, 0, catalogue[kGold]);
    noteCellChanged(writer);
    saveInBackground(writer, *world, player, SaveSlot::kSave);
    expected += "Saved the world!\n";
    if (count % 2 == 0) {
      const Player loaded = loadSavedWorld(writer, target.get(), player, catalogue);
      expected += "Loaded the world!\n";
      EXPECT_EQ(count, loaded.dirtCount);
      EXPECT_EQ(kGold, cellAt(*target, count, 0).typeId);
    }
  }
  player.dirtCount = 100;
  finishWrites(writer, *world, player);
  expected += "Autosaved the world!\n";
  destroySaveWriter(writer);
  EXPECT_EQ(expected, testing::internal::GetCapturedStdout());
  EXPECT_EQ(6, dirtIn(directory, kSaveFileName));
  EXPECT_EQ(3, dirtIn(directory, kKeptSaveNames[2]));
  EXPECT_EQ(100, dirtIn(directory, kAutosaveFileName));
}

// Autosaves on a fake clock: every kAutosaveTicks ticks of play when the
// player or a cell changed, before a Load and at the end with changes only,
// and a failed one keeps the changes unsaved.
TEST_F(SaveFile, AutosavesComeOnlyWithChangesNotYetSaved) {
  SaveWriter* writer = createSaveWriter(directory);
  ASSERT_NE(nullptr, writer);
  Player player = makeStartingPlayer();
  markSaved(writer, player);
  auto ticks = [&](int count) {
    int started = 0;
    for (int i = 0; i < count; ++i) started += autosaveOnTick(writer, *world, player);
    waitForWrites(writer);
    return started;
  };
  testing::internal::CaptureStdout();
  EXPECT_EQ(0, ticks(2 * kAutosaveTicks));  // nothing changed
  player.x += 2.5f;
  EXPECT_EQ(0, ticks(kAutosaveTicks - 1));
  EXPECT_EQ(1, ticks(1));
  EXPECT_EQ(0, ticks(kAutosaveTicks));  // saved since
  player.x += 2.5f;
  EXPECT_EQ(0, ticks(kAutosaveTicks / 2));
  saveInBackground(writer, *world, player, SaveSlot::kSave);  // restarts the interval
  noteCellChanged(writer);                                    // a cell alone counts
  EXPECT_EQ(0, ticks(kAutosaveTicks - 1));
  EXPECT_EQ(1, ticks(1));
  EXPECT_EQ("Autosaved the world!\nSaved the world!\nAutosaved the world!\n",
            testing::internal::GetCapturedStdout());

  fs::remove(directory / kAutosaveFileName);
  fs::create_directories(directory / kAutosaveFileName / "x");  // the next autosave fails
  player.selectedSlot = 3;
  testing::internal::CaptureStdout();
  EXPECT_EQ(1, ticks(kAutosaveTicks));
  EXPECT_TRUE(hasUnsavedChanges(writer, player));
  fs::remove_all(directory / kAutosaveFileName);
  player = loadSavedWorld(writer, world.get(), player, catalogue);  // with changes: autosaved first
  player = loadSavedWorld(writer, world.get(), player, catalogue);  // none since the load
  finishWrites(writer, *world, player);
  EXPECT_EQ("Failed to autosave the world!\nAutosaved the world!\nLoaded the world!\nLoaded the world!\n",
            testing::internal::GetCapturedStdout());
  EXPECT_EQ(3, static_cast<int>(readFile((directory / kAutosaveFileName).string())[32]));
  destroySaveWriter(writer);
}

}  // namespace
