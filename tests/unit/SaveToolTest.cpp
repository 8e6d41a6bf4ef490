// The save tool's logic: its command line, the map picture of a hand-built
// world, and reading, listing and describing good, damaged and missing files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestWorlds.h"
#include "world/SaveFile.h"
#include "world/SaveTool.h"

namespace fs = std::filesystem;

namespace {

TEST(SaveToolArgs, EachCommandTakesItsWordsAndRefusesOthers) {
  const struct {
    std::vector<std::string> words;
    bool ok;
    ToolCommand command;
    std::string file, output;
    int scale;
  } kCases[] = {
      {{"list"}, true, ToolCommand::kList, "", "", 2},
      {{"info"}, true, ToolCommand::kInfo, "TessalySave.wld", "", 2},
      {{"info", "a.wld"}, true, ToolCommand::kInfo, "a.wld", "", 2},
      {{"map"}, true, ToolCommand::kMap, "TessalySave.wld", "TessalySave.png", 2},
      {{"map", "a.wld", "b.png", "--scale", "10"}, true, ToolCommand::kMap, "a.wld", "b.png", 10},
      {{"map", "--scale=1", "out.PNG"}, true, ToolCommand::kMap, "TessalySave.wld", "out.PNG", 1},
      {{"restore", "autosave"}, true, ToolCommand::kRestore, "TessalySave.autosave.wld", "", 2},
      {{"restore", "3"}, true, ToolCommand::kRestore, "TessalySave.3.wld", "", 2},
      {{"list", "--help"}, true, ToolCommand::kHelp, "", "", 2},
      {{}, false, {}, "", "", 0},
      {{"lst"}, false, {}, "", "", 0},
      {{"list", "x"}, false, {}, "", "", 0},
      {{"info", "a", "b"}, false, {}, "", "", 0},
      {{"map", "--scale", "0"}, false, {}, "", "", 0},
      {{"map", "--scale", "11"}, false, {}, "", "", 0},
      {{"map", "--scale", "2x"}, false, {}, "", "", 0},
      {{"map", "--scale"}, false, {}, "", "", 0},
      {{"map", "a.wld", "TessalySave.wld"}, false, {}, "", "", 0},  // never writes over a save
      {{"restore", "4"}, false, {}, "", "", 0},
      {{"restore", "../TessalySave.1.wld"}, false, {}, "", "", 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.words));
    ToolArgs args;
    std::string error;
    ASSERT_EQ(c.ok, parseToolArgs(c.words, &args, &error));
    EXPECT_EQ(c.ok, error.empty());
    if (!c.ok) continue;
    EXPECT_EQ(c.command, args.command);
    if (c.command == ToolCommand::kHelp || c.command == ToolCommand::kList) continue;
    EXPECT_EQ(c.file, args.file);
    if (c.command != ToolCommand::kMap) continue;
    EXPECT_EQ(c.output, args.output);
    EXPECT_EQ(c.scale, args.scale);
  }
}

TEST(SaveToolMap, CellsInTheirTileColoursAndThePlayerWhereTheRecordPutsIt) {
  auto world = makeUniformWorld(kAir);
  setCell(world.get(), 0, 0, kStone);
  setCell(world.get(), 719, 479, kGold);
  setCell(world.get(), 5, 130, kDirt);
  setCell(world.get(), 10, 200, kUnderground);
  setCell(world.get(), 300, 2, kGrass);
  struct Rgb {
    int r, g, b;
  };
  const struct {
    int col, row;
    Rgb colour;
  } kCells[] = {{0, 0, {125, 125, 125}}, {719, 479, {255, 255, 0}}, {5, 130, {160, 100, 25}},
                {10, 200, {0, 0, 0}},    {300, 2, {0, 255, 0}},     {1, 0, {125, 125, 255}}};
  for (int scale : {1, 3, 10}) {
    SCOPED_TRACE(scale);
    const int width = 720 * scale, height = 480 * scale;
    const size_t pitch = 4 * width + 8;  // rows may be padded
    std::vector<uint8_t> rgba(pitch * height, 0xEE);
    // The player at x 35, y 1190: its figure covers world pixels 35..44, 1190..1209.
    paintWorldMap(*world, 35.0f, 1190.0f, scale, rgba.data(), pitch);
    auto pixel = [&](int x, int y) {
      const uint8_t* p = &rgba[pitch * y + 4 * x];
      return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    for (const auto& c : kCells)
      for (int dy : {0, scale - 1})
        for (int dx : {0, scale - 1})
          EXPECT_EQ(pixel(c.col * scale + dx, c.row * scale + dy),
                    (std::vector<int>{c.colour.r, c.colour.g, c.colour.b, 255}))
              << c.col << "," << c.row;
    const std::vector<int> figure{0, 125, 125, 255};
    const int left = 35 * scale / 10, top = 119 * scale, right = left + scale, bottom = top + 2 * scale;
    EXPECT_EQ(pixel(left, top), figure);
    EXPECT_EQ(pixel(right - 1, bottom - 1), figure);
    EXPECT_NE(pixel(right, top), figure);
    EXPECT_NE(pixel(left, bottom), figure);
    EXPECT_NE(pixel(left, top - 1), figure);
    EXPECT_EQ(rgba[pitch * (height - 1) + 4 * width], 0xEE) << "wrote into a row's padding";
  }
  // A player partly outside the world is cut to the picture.
  std::vector<uint8_t> small(720 * 480 * 4);
  paintWorldMap(*world, -2.5f, -100.0f, 1, small.data(), 720 * 4);
  paintWorldMap(*world, 7190.0f, 4722.5f, 1, small.data(), 720 * 4);
  EXPECT_EQ(small[4 * (719 + 720 * 472) + 1], 125);
}

class SaveToolFiles : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/tessaly-tool-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(name));
    directory = name;
  }
  void TearDown() override { fs::remove_all(directory); }
  std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = (directory / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
  }
  fs::path directory;
};

TEST_F(SaveToolFiles, GoodDamagedAndMissingFilesAreListedAndDescribed) {
  auto world = makeUniformWorld(kAir);
  setRow(world.get(), 479, kNull);
  setCell(world.get(), 4, 300, kGold);
  Player player = makeStartingPlayer();
  player.x = 97.5f;
  player.y = 1190.0f;
  player.goldCount = 7;
  player.keys[ALLEGRO_KEY_LEFT] = 1;
  std::vector<uint8_t> bytes(kSaveFileBytes);
  encodeSave(*world, player, bytes.data());

  const SaveRead good = readSaveFile(write("good.wld", bytes));
  ASSERT_TRUE(good.found && good.problem.empty()) << good.problem;
  const DecodedSave decoded = decodeCheckedSave(good.bytes);
  EXPECT_EQ(listLine("good.wld", good, &decoded.player).substr(24),
            "  " + formatFileTime(good.written) + "  x 97.5 y 1190  dirt 0 grass 0 stone 0 gold 7  ok");
  const std::string info = infoText("good.wld", good, *decoded.world, decoded.player);
  EXPECT_NE(info.find("Player: x 97.5, y 1190,"), std::string::npos) << info;
  EXPECT_NE(info.find("Held keys: 82\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Cells: Null 720, Air 344879, Dirt 0, Grass 0, Stone 0, Gold 1, Underground 0\n"),
            std::string::npos)
      << info;

  bytes[280 + 28 * 5 + 8] = 9;  // column 0, row 5: an unknown kind
  std::vector<uint8_t> longer(bytes);
  longer.resize(kSaveFileBytes + 4096);
  fs::create_directory(directory / "dir.wld");
  const struct {
    std::string path, problem;
    bool found;
  } kBad[] = {
      {write("typeid.wld", bytes),
       "The save file is damaged: the cell at column 0, row 5 has unknown block type 9", true},
      {write("short.wld", {1, 2, 3}), "The save file is damaged: it holds 3 bytes, not 9677080", true},
      {write("long.wld", longer), "The save file is damaged: it holds 9681176 bytes, not 9677080", true},
      {(directory / "dir.wld").string(), "The save file is not a regular file", true},
      {(directory / "none.wld").string(), "No save found", false},
  };
  for (const auto& bad : kBad) {
    const SaveRead read = readSaveFile(bad.path);
    EXPECT_EQ(bad.found, read.found) << bad.path;
    EXPECT_EQ(bad.problem, read.problem);
    EXPECT_EQ(listLine("x", read, nullptr).substr(24),
              "  " + formatFileTime(read.written) + "  " + bad.problem);
  }
}

}  // namespace
