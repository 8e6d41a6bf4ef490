// The save-file loader under libFuzzer: whatever a file holds, the check either
// refuses it with one line or the loaded world is one that play can run on,
// shown by decoding it and walking the loaded player about for a few ticks.
// The save tool's listing, info text and map go over the same inputs.
//
// An input of kRawInputBytes or more is the file's bytes as they stand. A
// shorter one patches a valid file (a new world saved at once), so that the
// fuzzer gets past the size check at once: byte 0 with its low bit set makes
// byte 1 a length change of -128 to 127 bytes, bits 1 to 4 of byte 0 are held
// movement keys, and every following 8-byte group writes 4 bytes where its
// first byte says: 0 anywhere, 1 the player block, 2 a cell's typeId, 3 a
// cell's x or y; bytes 1 to 3 of the group pick the place, 4 to 7 the value.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "player/Movement.h"
#include "save/SaveFile.h"
#include "tool/SaveTool.h"
#include "world/Terrain.h"

namespace {

constexpr size_t kRawInputBytes = 1 << 16;
constexpr size_t kHeaderBytes = 2;
constexpr size_t kPatchBytes = 8;
constexpr int kLengthSlack = 128;
constexpr int kTicks = 32;

// Stop the run as a crash when an accepted file broke a promise of the loader.
#define REQUIRE(condition)                                                         \
  do {                                                                             \
    if (!(condition)) {                                                            \
      std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                \
    }                                                                              \
  } while (0)

struct Fixture {
  BlockCatalogue catalogue;
  World world;                // where accepted files are loaded
  std::vector<uint8_t> base;  // a valid file, then zeros for longer inputs
  std::vector<uint8_t> file;  // base with the current input's patches
  SaveRead read;              // the tool's view of the current input
  std::vector<uint8_t> map;   // the tool's map at scale 1
};

// The fixture shared by every run, made once.
Fixture& fixture() {
  static Fixture* made = [] {
    auto* f = new Fixture;
    fillCatalogueEntries(f->catalogue);
    for (int id = 0; id < kBlockKinds; ++id)
      f->catalogue[id].bitmap = reinterpret_cast<ALLEGRO_BITMAP*>(0x1000 + 0x10 * id);
    generateWorldFromSeed(&f->world, f->catalogue, 1);
    f->base.assign(kSaveFileBytes + kLengthSlack, 0);
    encodeSave(f->world, makeStartingPlayer(), f->base.data());
    f->file = f->base;
    f->map.resize(static_cast<size_t>(mapWidth(1)) * mapHeight(1) * 4);
    return f;
  }();
  return *made;
}

// A little-endian 24-bit number from three bytes.
size_t get24(const uint8_t* at) { return at[0] | at[1] << 8 | static_cast<size_t>(at[2]) << 16; }

// Where a patch group writes, kept inside a file of `size` bytes.
size_t patchOffset(const uint8_t* group, size_t size) {
  const size_t place = get24(group + 1);
  const size_t cell = kSavePlayerBytes + kSaveCellBytes * (place % kWorldCells);
  size_t offset = 0;
  switch (group[0] & 3) {
    case 0: offset = place; break;
    case 1: offset = place % kSavePlayerBytes; break;
    case 2: offset = cell + 8; break;
    case 3: offset = cell + (place & 1 ? 24 : 20); break;
  }
  return size < 4 ? 0 : std::min(offset, size - 4);
}

// Load checked bytes and run the loaded player for a few ticks.
void loadAndPlay(const uint8_t* bytes, size_t size, uint8_t heldKeys) {
  Fixture& f = fixture();
  const std::string damage = findSaveDamage(bytes, size);
  f.read.found = true;
  f.read.problem = damage;
  if (!damage.empty()) {
    REQUIRE(damage.find('\n') == std::string::npos);
    REQUIRE(listLine(kSaveFileName, f.read, nullptr).find(damage) != std::string::npos);
    return;
  }
  REQUIRE(size == kSaveFileBytes);
  Player current = makeStartingPlayer();
  current.sprite = reinterpret_cast<ALLEGRO_BITMAP*>(0x4242);
  Player player = decodeSave(bytes, &f.world, current, f.catalogue);
  REQUIRE(player.sprite == current.sprite && player.loadFailed == 0);
  REQUIRE(player.screenWidth == current.screenWidth && player.screenHeight == current.screenHeight);
  for (const Cell& cell : f.world.cells) {
    REQUIRE(cell.typeId >= 0 && cell.typeId < kBlockKinds);
    REQUIRE(cell.bitmap == f.catalogue[cell.typeId].bitmap);
  }
  // What the tool's info and map make of it.
  f.read.bytes.assign(bytes, bytes + size);
  const std::string info = infoText(kSaveFileName, f.read, f.world, player);
  REQUIRE(info.find("Cells: Null ") != std::string::npos && info.back() == '\n');
  int64_t counts[kBlockKinds];
  countKinds(f.world, counts);
  int64_t total = 0;
  for (int64_t count : counts) total += count;
  REQUIRE(total == kWorldCells);
  REQUIRE(listLine(kSaveFileName, f.read, &player).ends_with("  ok"));
  paintWorldMap(f.world, player.x, player.y, 1, f.map.data(), static_cast<size_t>(mapWidth(1)) * 4);
  const int markX = static_cast<int>(static_cast<double>(player.x) / kCellSize);
  const int markY = static_cast<int>(static_cast<double>(player.y) / kCellSize);
  if (markX >= 0 && markY >= 0 && markX < mapWidth(1) && markY < mapHeight(1))
    REQUIRE(f.map[(static_cast<size_t>(markY) * mapWidth(1) + markX) * 4 + 1] == kPlayerColour.g);

  const int kKeys[] = {ALLEGRO_KEY_LEFT, ALLEGRO_KEY_RIGHT, ALLEGRO_KEY_UP, ALLEGRO_KEY_DOWN};
  for (int i = 0; i < 4; ++i)
    if (heldKeys & (1 << i)) player.keys[kKeys[i]] = 1;
  int32_t tick = 0, jumpEnd = 0;
  for (int i = 0; i < kTicks; ++i) {
    player = updatePlayer(player, &f.world, &tick, &jumpEnd);
    REQUIRE(std::isfinite(player.x) && std::isfinite(player.y));
  }
}

// Write a seed file unless one of that name is there.
void writeSeed(const std::filesystem::path& path, const uint8_t* bytes, size_t size) {
  if (std::filesystem::exists(path)) return;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), size);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Fixture& f = fixture();
  // With a corpus directory named, start it with the valid file and a few patches.
  if (const char* corpus = std::getenv("TESSALY_FUZZ_CORPUS")) {
    const std::filesystem::path dir(corpus);
    std::filesystem::create_directories(dir);
    writeSeed(dir / "new-world.wld", f.base.data(), kSaveFileBytes);
    const uint8_t kUnchanged[] = {0, 0};
    const uint8_t kWalkRight[] = {1 << 2, 0, 1, 0, 0, 0, 0x00, 0x80, 0xDE, 0x45};  // x = 7120
    const uint8_t kDugHole[] = {1 << 4, 0, 2, 0x50, 0, 0, 6, 0, 0, 0};             // cell 80 Underground
    writeSeed(dir / "patch-unchanged", kUnchanged, sizeof kUnchanged);
    writeSeed(dir / "patch-walk-right", kWalkRight, sizeof kWalkRight);
    writeSeed(dir / "patch-dug-hole", kDugHole, sizeof kDugHole);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= kRawInputBytes) {
    loadAndPlay(data, size, 0);
    return 0;
  }
  if (size < kHeaderBytes) return 0;
  Fixture& f = fixture();
  const int lengthChange = (data[0] & 1) ? static_cast<int8_t>(data[1]) : 0;
  const size_t length = kSaveFileBytes + lengthChange;
  std::vector<size_t> patched;
  for (size_t at = kHeaderBytes; at + kPatchBytes <= size; at += kPatchBytes) {
    const size_t offset = patchOffset(data + at, length);
    std::memcpy(f.file.data() + offset, data + at + 4, 4);
    patched.push_back(offset);
  }
  loadAndPlay(f.file.data(), length, static_cast<uint8_t>(data[0] >> 1));
  for (size_t offset : patched) std::memcpy(f.file.data() + offset, f.base.data() + offset, 4);
  return 0;
}
