// Files for the save tests: a fresh directory under TMPDIR for each test,
// whole files read and written, and the dirt count that tells the tests'
// worlds apart.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "SaveWorld.h"
#include "TestWorlds.h"
#include "save/SaveDisk.h"
#include "world/Terrain.h"

namespace savetest {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// A new empty directory in the temporary directory (TMPDIR, else /tmp).
inline fs::path makeScratchDirectory(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  return mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
}

// The whole file in one read (a byte at a time takes seconds for a save in
// the unoptimised sanitized build).
inline Bytes readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  Bytes bytes(in ? static_cast<size_t>(in.tellg()) : 0);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}
inline void writeFile(const fs::path& file, const Bytes& bytes) {
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

inline uint32_t getU32(const Bytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}
inline void putU32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The dirt count stored in a save file of 9,677,080 bytes; -1 for anything else.
inline int dirtIn(const fs::path& file) {
  std::error_code error;
  if (!fs::is_regular_file(file) || fs::file_size(file, error) != 9677080) return -1;
  Bytes head(12);
  std::ifstream(file, std::ios::binary).read(reinterpret_cast<char*>(head.data()), 12);
  return static_cast<int>(getU32(head, 8));
}

// A test with a fresh directory and a generated world.
class SaveDirTest : public testing::Test {
 protected:
  void SetUp() override {
    directory = makeScratchDirectory("tessaly-save");
    ASSERT_FALSE(directory.empty());
    path = (directory / kSaveFileName).string();
    fillTracedCatalogue(catalogue, 0x3000);
    world = generated(1);
  }
  void TearDown() override {
    fs::permissions(directory, fs::perms::owner_all);
    fs::remove_all(directory);
  }
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
  // Names of the files in the test's directory.
  std::vector<std::string> listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Save `w` and `p` to the test's directory (or to `to`); the console's output.
  std::string save(const World& w, const Player& p, const std::string& to = "",
                   SaveSlot slot = SaveSlot::kSave) {
    testing::internal::CaptureStdout();
    saveWorldTo(to.empty() ? directory.string() : to, &w, p, slot);
    return testing::internal::GetCapturedStdout();
  }
  // The dirt counts of a slot's files, current first (-1: none).
  std::vector<int> dirtCounts(SaveSlot slot = SaveSlot::kSave) const {
    const SaveSlotFiles& files = slotFiles(slot);
    std::vector<int> counts = {dirtIn(directory / files.current)};
    for (int i = 0; i < files.keptCount; ++i) counts.push_back(dirtIn(directory / files.kept[i]));
    return counts;
  }

  fs::path directory;
  std::string path;
  BlockCatalogue catalogue;
  std::unique_ptr<World> world;
};

}  // namespace savetest
