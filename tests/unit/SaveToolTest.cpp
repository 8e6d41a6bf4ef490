// The save tool's logic: its command line and the map picture of a hand-built
// world (files and their lines: tests/tool).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestWorlds.h"
#include "tool/SaveTool.h"

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
      {{"map"}, true, ToolCommand::kMap, "TessalySave.wld", "TessalySave.png", 2},
      {{"map", "a.wld", "b.png", "--scale", "10"}, true, ToolCommand::kMap, "a.wld", "b.png", 10},
      {{"map", "--scale=1", "out.PNG"}, true, ToolCommand::kMap, "TessalySave.wld", "out.PNG", 1},
      {{"restore", "autosave"}, true, ToolCommand::kRestore, "TessalySave.autosave.wld", "", 2},
      {{"list", "--help"}, true, ToolCommand::kHelp, "", "", 2},
      {{}, false, {}, "", "", 0},
      {{"lst"}, false, {}, "", "", 0},
      {{"info", "a", "b"}, false, {}, "", "", 0},
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
  const uint8_t* corner = &small[4 * (719 + 720 * 472)];
  EXPECT_EQ((std::vector<int>{corner[0], corner[1], corner[2], corner[3]}),
            (std::vector<int>{0, 125, 125, 255}));
}

}  // namespace
