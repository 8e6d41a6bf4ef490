// Timing of the game logic: generation next to a plain fill of the grid, the
// save file next to plain file writes and reads, the main thread's share of a
// save next to the whole save, and one movement tick.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "SaveWorld.h"
#include "TargetReport.h"
#include "TestWorlds.h"
#include "player/Movement.h"
#include "save/SaveFile.h"
#include "save/SaveWriter.h"
#include "world/Terrain.h"

namespace {

constexpr uint32_t kSeed = 20240611u;

// Where the save and plain files go; made by main, removed at the end.
std::string scratchDirectory;

// A freshly generated world on the heap (9.7 MB is too much for a stack).
std::unique_ptr<World> generatedWorld() {
  auto world = std::make_unique<World>();
  generateWorldFromSeed(world.get(), testCatalogue(), kSeed);
  return world;
}

// The bytes of a save of a generated world, as plain data for the file baselines.
const std::vector<uint8_t>& saveBytes() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> out(kSaveFileBytes);
    encodeSave(*generatedWorld(), makeStartingPlayer(), out.data());
    return out;
  }();
  return bytes;
}

// Standard output sent to /dev/null while in scope: the save and load print
// one console line per call, which would bury the report.
struct QuietConsole {
  int saved = -1;
  QuietConsole() {
    std::fflush(stdout);
    saved = dup(STDOUT_FILENO);
    const int sink = open("/dev/null", O_WRONLY);
    if (sink >= 0) {
      dup2(sink, STDOUT_FILENO);
      close(sink);
    }
  }
  ~QuietConsole() {
    std::fflush(stdout);
    if (saved >= 0) {
      dup2(saved, STDOUT_FILENO);
      close(saved);
    }
  }
};

// Write all of `bytes` to a new or truncated file, synced first if asked;
// false on any failure.
bool writePlainFile(const std::string& path, const std::vector<uint8_t>& bytes, bool sync) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  for (size_t written = 0; ok && written < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      written += static_cast<size_t>(n);
  }
  if (sync) ok = ok && fsync(fd) == 0;
  return (close(fd) == 0) && ok;
}

// Read the whole file into `out`, which holds kSaveFileBytes; false unless all of it came.
bool readPlainFile(const std::string& path, uint8_t* out) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  size_t size = 0;
  while (size < kSaveFileBytes) {
    const ssize_t n = read(fd, out + size, kSaveFileBytes - size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    size += static_cast<size_t>(n);
  }
  close(fd);
  return size == kSaveFileBytes;
}

// A file of the scratch directory.
std::string scratchPath(const char* name) { return scratchDirectory + "/" + name; }

// One whole generation of the grid.
void generateWorldBench(benchmark::State& state) {
  auto world = std::make_unique<World>();
  for (auto _ : state) {
    generateWorldFromSeed(world.get(), testCatalogue(), kSeed);
    benchmark::DoNotOptimize(world->cells);
    benchmark::ClobberMemory();
  }
}

// The floor of generation through the same cell writes: one catalogue entry everywhere.
void fillWithCatalogueEntryBench(benchmark::State& state) {
  auto world = std::make_unique<World>();
  const BlockType& stone = testCatalogue()[kStone];
  for (auto _ : state) {
    for (int col = 0; col < kWorldColumns; ++col)
      for (int row = 0; row < kWorldRows; ++row) writeCatalogueEntry(world.get(), col, row, stone);
    benchmark::DoNotOptimize(world->cells);
    benchmark::ClobberMemory();
  }
}

// The bare floor: one pass of whole-record copies, positions included.
void fillPlainCopiesBench(benchmark::State& state) {
  auto world = std::make_unique<World>();
  const BlockType stone = testCatalogue()[kStone];
  for (auto _ : state) {
    for (int col = 0; col < kWorldColumns; ++col)
      for (int row = 0; row < kWorldRows; ++row) {
        Cell& cell = world->cells[col * kWorldRows + row];
        cell = stone;
        cell.x = static_cast<float>(col * kCellSize);
        cell.y = static_cast<float>(row * kCellSize);
      }
    benchmark::DoNotOptimize(world->cells);
    benchmark::ClobberMemory();
  }
}

// The save's bytes made in memory, no file.
void encodeSaveBench(benchmark::State& state) {
  const auto world = generatedWorld();
  const Player player = makeStartingPlayer();
  std::vector<uint8_t> bytes(kSaveFileBytes);
  for (auto _ : state) {
    encodeSave(*world, player, bytes.data());
    benchmark::DoNotOptimize(bytes.data());
    benchmark::ClobberMemory();
  }
}

// The load's check of bytes already in memory.
void checkSaveBench(benchmark::State& state) {
  for (auto _ : state) {
    const std::string damage = findSaveDamage(saveBytes().data(), saveBytes().size());
    if (!damage.empty()) state.SkipWithError("the save bytes look damaged");
  }
}

// The cells stored from bytes already in memory.
void decodeSaveBench(benchmark::State& state) {
  auto world = generatedWorld();
  const Player player = makeStartingPlayer();
  for (auto _ : state) {
    benchmark::DoNotOptimize(decodeSave(saveBytes().data(), world.get(), player, testCatalogue()));
    benchmark::ClobberMemory();
  }
}

// The whole save on one thread: encode, temporary file, fsync, keep the
// previous saves, rename, directory fsync.
void saveWorldBench(benchmark::State& state) {
  const auto world = generatedWorld();
  Player player = makeStartingPlayer();
  const std::string path = scratchPath(kSaveFileName);
  QuietConsole quiet;
  // Each save differs from the one before: a save of the same world writes nothing.
  for (auto _ : state) saveWorldTo(scratchDirectory, world.get(), player), ++player.dirtCount;
  if (std::filesystem::file_size(path) != kSaveFileBytes)
    state.SkipWithError("the save file has the wrong size");
}

// The game's save handed to the writer thread, timed either as play sees it
// (the main thread encodes the snapshot and hands it over; the wait for the
// write, which a save asked for at once after another would also pay, is
// left out) or from the request until the writer has printed its line.
void saveThroughWriter(benchmark::State& state, bool timeTheWrite) {
  const auto world = generatedWorld();
  Player player = makeStartingPlayer();
  QuietConsole quiet;
  SaveWriter* writer = createSaveWriter(scratchDirectory);
  if (writer == nullptr) {
    state.SkipWithError("no save writer");
    return;
  }
  for (auto _ : state) {
    saveInBackground(writer, *world, player, SaveSlot::kSave);
    if (!timeTheWrite) state.PauseTiming();
    waitForWrites(writer, *world, player);
    ++player.dirtCount;
    if (!timeTheWrite) state.ResumeTiming();
  }
  destroySaveWriter(writer);
}

void saveInBackgroundBench(benchmark::State& state) { saveThroughWriter(state, false); }
void saveWriterFullBench(benchmark::State& state) { saveThroughWriter(state, true); }

// A burst of Save clicks while the player walks: 100 clicks 1 ms apart and a
// tick every 16, writes in flight throughout. An iteration's time is the
// longest the main thread spent in one click or tick, and the save must end
// up holding the newest world. `waitEach` times the way each click used to
// wait for the write in flight, the reference.
void saveBurst(benchmark::State& state, bool waitEach) {
  const auto world = generatedWorld();
  Player player = makeStartingPlayer();
  player.keys[ALLEGRO_KEY_RIGHT] = 1;
  QuietConsole quiet;
  SaveWriter* writer = createSaveWriter(scratchDirectory);
  if (writer == nullptr) {
    state.SkipWithError("no save writer");
    return;
  }
  markSaved(writer, player);
  for (auto _ : state) {
    double longest = 0;
    for (int click = 0; click < 100; ++click) {
      ++player.dirtCount;
      player.x += 0.25f;
      const auto start = std::chrono::steady_clock::now();
      if (waitEach) waitForWrites(writer, *world, player);
      saveInBackground(writer, *world, player, SaveSlot::kSave);
      if (click % 16 == 0) autosaveOnTick(writer, *world, player);
      longest =
          std::max(longest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    waitForWrites(writer, *world, player);
    state.SetIterationTime(longest);
    int32_t dirt = -1;
    std::ifstream file(scratchPath(kSaveFileName), std::ios::binary);
    file.seekg(8).read(reinterpret_cast<char*>(&dirt), 4);
    if (dirt != player.dirtCount) state.SkipWithError("the save does not hold the newest world");
  }
  destroySaveWriter(writer);
}
void saveBurstBench(benchmark::State& state) { saveBurst(state, false); }
void saveBurstWaitingBench(benchmark::State& state) { saveBurst(state, true); }

// The save's size written to a file and synced: the save's floor.
void plainWriteSyncedBench(benchmark::State& state) {
  const std::string path = scratchPath("plain-synced.bin");
  for (auto _ : state)
    if (!writePlainFile(path, saveBytes(), true)) state.SkipWithError("plain write failed");
}

// The same write without the sync.
void plainWriteBench(benchmark::State& state) {
  const std::string path = scratchPath("plain.bin");
  for (auto _ : state)
    if (!writePlainFile(path, saveBytes(), false)) state.SkipWithError("plain write failed");
}

// The game's load: read, check, decode into the grid.
void loadWorldBench(benchmark::State& state) {
  auto world = generatedWorld();
  const std::string path = scratchPath(kSaveFileName);
  if (!writePlainFile(path, saveBytes(), false)) {
    state.SkipWithError("cannot write the save file");
    return;
  }
  Player player = makeStartingPlayer();
  QuietConsole quiet;
  for (auto _ : state) {
    player = loadWorldFrom(scratchDirectory, world.get(), player, testCatalogue());
    benchmark::DoNotOptimize(player);
  }
  if (player.loadFailed != 0) state.SkipWithError("the save file did not load");
}

// A plain read into a new buffer each time, as the load makes one per call.
void plainReadBench(benchmark::State& state) {
  const std::string path = scratchPath("plain-read.bin");
  if (!writePlainFile(path, saveBytes(), false)) state.SkipWithError("cannot write the plain file");
  for (auto _ : state) {
    std::vector<uint8_t> bytes(kSaveFileBytes);
    if (!readPlainFile(path, bytes.data())) state.SkipWithError("plain read failed");
    benchmark::DoNotOptimize(bytes.data());
  }
}

// The bare floor: the same read into one buffer kept across reads.
void plainReadReusedBufferBench(benchmark::State& state) {
  const std::string path = scratchPath("plain-read.bin");
  if (!writePlainFile(path, saveBytes(), false)) state.SkipWithError("cannot write the plain file");
  std::vector<uint8_t> bytes(kSaveFileBytes);
  for (auto _ : state) {
    if (!readPlainFile(path, bytes.data())) state.SkipWithError("plain read failed");
    benchmark::DoNotOptimize(bytes.data());
  }
}

// One tick of a player walking with the jump key held, turning at the world's sides.
void updatePlayerBench(benchmark::State& state) {
  constexpr float kLastStepX = 7187.5f;  // the last x a right step reaches
  const auto world = generatedWorld();
  Player player = makeStartingPlayer();
  player.keys[ALLEGRO_KEY_UP] = 1;
  player.keys[ALLEGRO_KEY_RIGHT] = 1;
  int32_t tickCount = 0;
  int32_t jumpEndTick = 0;
  for (auto _ : state) {
    player = updatePlayer(player, world.get(), &tickCount, &jumpEndTick);
    if (player.x >= kLastStepX || player.x <= 0.0f) {
      player.keys[ALLEGRO_KEY_RIGHT] = player.x <= 0.0f;
      player.keys[ALLEGRO_KEY_LEFT] = player.x >= kLastStepX;
    }
    benchmark::DoNotOptimize(player);
  }
  // Walking on the surface means standing on row 121: the sprite's top at 1190 or above.
  if (player.y > 1190.0f) state.SkipWithError("the player fell into the ground");
}

}  // namespace

BENCHMARK(generateWorldBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(fillWithCatalogueEntryBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(fillPlainCopiesBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(encodeSaveBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(checkSaveBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(decodeSaveBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saveWorldBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saveInBackgroundBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saveWriterFullBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saveBurstBench)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(saveBurstWaitingBench)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(plainWriteSyncedBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(plainWriteBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(loadWorldBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(plainReadBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(plainReadReusedBufferBench)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(updatePlayerBench)->Unit(benchmark::kNanosecond)->UseRealTime();

int main(int argc, char** argv) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  scratchDirectory = pattern;
  const int status = runBenchmarks(
      argc, argv,
      {{"generation / fill through writeCatalogueEntry", "generateWorldBench", "fillWithCatalogueEntryBench",
        3.0},
       {"generation / fill by plain record copies", "generateWorldBench", "fillPlainCopiesBench", 0},
       {"save, main thread (encode + hand-off), ms", "saveInBackgroundBench", "", 5.0},
       {"save, main thread / whole save on one thread", "saveInBackgroundBench", "saveWorldBench", 0},
       {"save, request to the writer's line / whole save", "saveWriterFullBench", "saveWorldBench", 0},
       {"burst of 100 Save clicks, longest click or tick, ms", "saveBurstBench", "", 100.0},
       {"burst / each click waiting for the write in flight", "saveBurstBench", "saveBurstWaitingBench", 0},
       {"saveWorldTo / plain write + fsync", "saveWorldBench", "plainWriteSyncedBench", 2.0},
       {"saveWorldTo / plain write, no fsync", "saveWorldBench", "plainWriteBench", 0},
       {"loadWorldFrom / plain read into a new buffer", "loadWorldBench", "plainReadBench", 2.0},
       {"loadWorldFrom / plain read into a kept buffer", "loadWorldBench", "plainReadReusedBufferBench", 0}});
  std::error_code ignored;
  std::filesystem::remove_all(scratchDirectory, ignored);
  return status;
}
