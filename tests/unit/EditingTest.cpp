// Mouse presses: the pointer-to-cell conversion, reach and exposure, digging,
// placing, and the Save and Load buttons in the screen's corner.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>

#include "TestWorlds.h"
#include "app/Dispatch.h"
#include "app/Pointer.h"
#include "player/Editing.h"
#include "render/View.h"
#include "screens/HudLayout.h"

namespace {

// The grid followed by spare Air cells, so that a write past its last cell shows.
struct GuardedWorld {
  World world;
  Cell after[kWorldRows + 1];
};

class Editing : public testing::Test {
 protected:
  void SetUp() override {
    fillTracedCatalogue(catalogue, 0x2000);
    grid = std::make_unique<GuardedWorld>();
    fill(kAir);
    for (Cell& cell : grid->after) cell = catalogue[kAir];
  }

  // Every cell of the grid becomes `kind`.
  void fill(BlockId kind) {
    for (int col = 0; col < kWorldColumns; ++col)
      for (int row = 0; row < kWorldRows; ++row) put(col, row, kind);
  }
  // One cell becomes `kind`.
  void put(int col, int row, BlockId kind) { writeCatalogueEntry(&grid->world, col, row, catalogue[kind]); }
  const Cell& at(int col, int row) const { return cellAt(grid->world, col, row); }

  // A mouse press at screen (x, y) with `button`, as the main loop passes it
  // on; the whole result stays in `last`.
  Player press(const Player& player, int x, int y, int button) {
    const ALLEGRO_EVENT event = mouseEvent(ALLEGRO_EVENT_MOUSE_BUTTON_DOWN, x, y, button);
    last = pressOnScreen(event, &grid->world, catalogue, player);
    lastButton = pressedButton(event, last.player);
    return last.player;
  }

  BlockCatalogue catalogue;
  std::unique_ptr<GuardedWorld> grid;
  MousePress last{};
  HudButton lastButton = HudButton::kNone;
};

// The start-up record moved to (x, y) on a screen of the given size.
Player playerAt(float x, float y, int width = 1440, int height = 900) {
  Player player = makeStartingPlayer();
  player.x = x;
  player.y = y;
  player.screenWidth = width;
  player.screenHeight = height;
  return player;
}

// Whether `cell` is a full copy of catalogue entry `kind` standing at (col, row).
testing::AssertionResult holds(const Cell& cell, const BlockCatalogue catalogue, BlockId kind, int col,
                               int row) {
  const BlockType& entry = catalogue[kind];
  if (cell.typeId != kind || cell.bitmap != entry.bitmap || cell.passable != entry.passable ||
      std::memcmp(cell.name, entry.name, 8) != 0)
    return testing::AssertionFailure() << "holds kind " << cell.typeId << ", expected " << kind;
  if (cell.x != col * 10.0f || cell.y != row * 10.0f)
    return testing::AssertionFailure() << "stands at " << cell.x << "," << cell.y;
  return testing::AssertionSuccess();
}

TEST(ScreenToCell, FollowsTheViewAndItsEdges) {
  const struct {
    int width, height;
    float x, y;
    int mouseX, mouseY, col, row;
  } kCases[] = {
      {1440, 900, 30.0f, 800.0f, 35, 455, 3, 80},          // the start: left edge, centred rows
      {1440, 900, 1002.5f, 800.0f, 729, 455, 101, 80},     // the cell drawn under the pixel
      {1440, 900, 6480.0f, 800.0f, 1439, 455, 719, 80},    // still centred on the last such x
      {1440, 900, 7000.0f, 800.0f, 5, 455, 576, 80},       // right edge
      {1440, 900, 30.0f, 100.0f, 35, 5, 3, 0},             // top edge
      {1440, 900, 30.0f, 4500.0f, 35, 849, 3, 479},        // bottom edge, just above the band
      {1445, 905, 7187.5f, 4720.0f, 1444, 904, 720, 484},  // past the grid on an odd-sized display
  };
  for (const auto& c : kCases) {
    const CellPosition cell = screenToCell(c.mouseX, c.mouseY, playerAt(c.x, c.y, c.width, c.height));
    EXPECT_EQ(c.col, cell.col) << c.x << " " << c.mouseX;
    EXPECT_EQ(c.row, cell.row) << c.y << " " << c.mouseY;
  }
}

TEST_F(Editing, ReachAtTheStartCoversColumns0To7AndRows76To84) {
  const Player player = playerAt(30.0f, 800.0f);
  for (int col = 0; col <= 20; ++col)
    for (int row = 60; row <= 100; ++row)
      EXPECT_EQ(col <= 7 && row >= 76 && row <= 84, canEditCell(grid->world, player, col, row))
          << col << "," << row;
}

TEST_F(Editing, OnlyCellsTouchingOpenSpaceCanBeEdited) {
  fill(kStone);
  const Player player = playerAt(30.0f, 800.0f);
  EXPECT_FALSE(canEditCell(grid->world, player, 3, 80));
  const int kNeighbours[4][2] = {{3, 81}, {3, 79}, {2, 80}, {4, 80}};
  for (auto [col, row] : kNeighbours) {
    for (BlockId open : {kAir, kUnderground}) {
      put(col, row, open);
      EXPECT_TRUE(canEditCell(grid->world, player, 3, 80)) << col << "," << row;
      put(col, row, kStone);
    }
  }
  // What a press on an enclosed block or hole does: the outline test's.
}

TEST_F(Editing, NeighboursOutsideTheGridCountAsSolid) {
  fill(kStone);
  // Where a neighbour index would wrap to another cell, that cell is open.
  put(4, 479, kAir);  // what (5, -1) would read
  put(11, 0, kAir);   // what (10, 480) would read
  const struct {
    int col, row;
    float x, y;
  } kEdges[] = {
      {0, 40, 0.0f, 400.0f}, {5, 0, 50.0f, 0.0f}, {10, 479, 100.0f, 4780.0f}, {719, 40, 7187.5f, 400.0f}};
  for (const auto& e : kEdges)
    EXPECT_FALSE(canEditCell(grid->world, playerAt(e.x, e.y), e.col, e.row)) << e.col << "," << e.row;
}

TEST_F(Editing, DiggingFillsTheCountAndLeavesAirOrUnderground) {
  // With the player at (30, 1200) the click for (col, row) is (col*10+5, (row-75)*10+5).
  const struct {
    int col, row;
    BlockId dug, left;
    int32_t Player::*count;
  } kCases[] = {
      {3, 120, kStone, kAir, &Player::stoneCount},       {4, 121, kGrass, kUnderground, &Player::grassCount},
      {5, 121, kDirt, kUnderground, &Player::dirtCount}, {6, 116, kGold, kAir, &Player::goldCount},
      {0, 124, kGold, kUnderground, &Player::goldCount},
  };
  const Player player = playerAt(30.0f, 1200.0f);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.dug);
    put(c.col, c.row, c.dug);
    Player after = press(player, c.col * 10 + 5, (c.row - 75) * 10 + 5, 1);
    EXPECT_TRUE(holds(at(c.col, c.row), catalogue, c.left, c.col, c.row));
    EXPECT_EQ(1, after.*c.count);
    after.*c.count = 0;
    EXPECT_EQ(0, after.dirtCount + after.grassCount + after.stoneCount + after.goldCount);

    // A full count keeps the block where it is.
    put(c.col, c.row, c.dug);
    Player full = player;
    full.*c.count = INT32_MAX;
    EXPECT_EQ(INT32_MAX, press(full, c.col * 10 + 5, (c.row - 75) * 10 + 5, 1).*c.count);
    EXPECT_EQ(c.dug, at(c.col, c.row).typeId);
  }
  // Null cells and cells out of reach: the outline test's.
}

TEST_F(Editing, PlacingTakesOneBlockFromTheSelectedSlot) {
  const struct {
    int slot;
    int32_t count;
    BlockId cellAfter;
    int32_t countAfter;
  } kCases[] = {
      {1, 2, kDirt, 1}, {2, 2, kGrass, 1}, {3, 2, kStone, 1}, {4, 1, kGold, 0},
      {1, 0, kAir, 0},  {0, 2, kAir, 2},   {5, 2, kAir, 2},   {1, INT32_MIN, kAir, INT32_MIN},
  };
  int32_t Player::*const kCounts[] = {&Player::dirtCount, &Player::grassCount, &Player::stoneCount,
                                      &Player::goldCount};
  const Player start = playerAt(30.0f, 1200.0f);
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "slot " << c.slot << " count " << c.count);
    for (BlockId open : {kAir, kUnderground}) {
      put(3, 121, open);
      Player player = start;
      player.selectedSlot = c.slot;
      for (auto count : kCounts) player.*count = c.count;
      const Player after = press(player, 35, 465, 2);
      EXPECT_TRUE(holds(at(3, 121), catalogue, c.cellAfter == kAir ? open : c.cellAfter, 3, 121));
      const int changed = (c.slot >= 1 && c.slot <= 4) ? c.slot - 1 : -1;
      for (int k = 0; k < 4; ++k)
        EXPECT_EQ(k == changed ? c.countAfter : c.count, after.*kCounts[k]) << "slot count " << k;
    }
  }
  // A block is never replaced by placing.
  put(3, 121, kStone);
  Player player = start;
  player.dirtCount = 4;
  EXPECT_EQ(4, press(player, 35, 465, 2).dirtCount);
  EXPECT_EQ(kStone, at(3, 121).typeId);
}

// The outline under the pointer against what a press there does, at a pixel
// of the cell as the frame draws it. The player stands at (30, 4720) with the
// view against the world's bottom edge, or where a row says: shifted by part
// of a cell on both axes, or on a screen 100 high where rows 5 to 9, within
// reach, lie under the heads-up band.
TEST_F(Editing, TheOutlineShowsExactlyWhereAClickChangesACell) {
  const struct {
    const char* name;
    BlockId kind;  // put at (col, row), every other cell is Air
    int col, row;
    int slot, count;  // the selected slot, and every count
    bool enclosed;    // the four neighbours are Stone
    bool inside;      // the pointer is over the window
    bool outlined, changes;
    float x = 30.0f, y = 4720.0f;
    int height = 900;
    int pixel = 5;          // the pointer's place within the drawn cell, on both axes
    bool mapShown = false;  // the world's map covers the world
  } kCases[] = {
      {"DigABlock", kDirt, 5, 470, 1, 0, false, true, true, true},
      {"PlaceIntoSky", kAir, 5, 470, 1, 2, false, true, true, true},
      {"PlaceFromAnEmptySlot", kAir, 5, 470, 1, 0, false, true, false, false},
      {"PlaceWithNoSlot", kAir, 5, 470, 0, 2, false, true, false, false},
      {"OutOfReach", kDirt, 8, 470, 1, 2, false, true, false, false},
      {"EnclosedBlock", kStone, 5, 470, 1, 2, true, true, false, false},
      {"EnclosedHole", kAir, 5, 470, 1, 2, true, true, false, false},
      {"NullCell", kNull, 5, 470, 1, 2, false, true, false, false},
      {"FullCount", kDirt, 5, 470, 1, INT32_MAX, false, true, false, false},
      {"UnderTheBand", kDirt, 5, 8, 1, 0, false, true, false, false, 30.0f, 40.0f, 100},
      {"Shift1", kDirt, 102, 80, 1, 0, false, true, true, true, 1001.0f, 801.0f, 900, 0},
      {"Shift2", kAir, 103, 81, 1, 2, false, true, true, true, 1002.0f, 802.0f, 900, 0},
      {"Shift3", kDirt, 97, 79, 1, 0, false, true, true, true, 1003.0f, 803.0f, 900, 1},
      {"Shift4", kDirt, 101, 77, 1, 0, false, true, true, true, 1004.0f, 804.0f, 900, 3},
      {"Shift5", kAir, 104, 82, 1, 2, false, true, true, true, 1005.0f, 805.0f, 900, 0},
      {"Shift6", kDirt, 97, 83, 1, 0, false, true, true, true, 1006.0f, 806.0f, 900, 2},
      {"Shift7", kDirt, 99, 78, 1, 0, false, true, true, true, 1007.0f, 807.0f, 900, 0},
      {"Shift8", kAir, 102, 77, 1, 2, false, true, true, true, 1008.5f, 808.5f, 900, 1},
      {"Shift9", kDirt, 96, 80, 1, 0, false, true, true, true, 1009.0f, 809.0f, 900, 0},
      {"PointerOutsideTheWindow", kDirt, 5, 470, 1, 0, false, false, false, true},
      {"UnderTheMap", kDirt, 5, 470, 1, 0, false, true, false, false, 30.0f, 4720.0f, 900, 5, true},
  };
  const int kAround[4][2] = {{0, 1}, {0, -1}, {-1, 0}, {1, 0}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Player player = playerAt(c.x, c.y, 1440, c.height);
    player.selectedSlot = c.slot;
    player.dirtCount = player.grassCount = player.stoneCount = player.goldCount = c.count;
    put(c.col, c.row, c.kind);
    for (auto [dc, dr] : kAround) put(c.col + dc, c.row + dr, c.enclosed ? kStone : kAir);
    const View view = computeView(player.x, player.y, player.screenWidth, player.screenHeight);
    const int x = c.col * 10 - view.viewLeft + c.pixel, y = c.row * 10 - view.viewTop + c.pixel;
    const Panel panel = c.mapShown ? Panel::kWorldMap : Panel::kNone;
    const Overlay overlay = overlayFor(PointerState{c.inside, x, y, panel}, grid->world, player);
    EXPECT_EQ(c.outlined, overlay.outlined);
    if (overlay.outlined) {
      EXPECT_TRUE(overlay.col == c.col && overlay.row == c.row) << overlay.col << "," << overlay.row;
      // Anywhere over the same cell gives the same overlay: no frame to draw.
      EXPECT_TRUE(overlay == overlayFor(PointerState{true, x + 9 - c.pixel, y + 9 - c.pixel, panel},
                                        grid->world, player));
    }
    // The handler's own decision: a primary or another press changes the
    // cell; one that does not leaves the counts too.
    bool changed = false;
    PlayState play{&grid->world, catalogue, 0, 0, nullptr, c.mapShown};
    for (int button : {1, 2}) {
      const Player after =
          dispatchEvent(mouseEvent(ALLEGRO_EVENT_MOUSE_BUTTON_DOWN, x, y, button), player, &play);
      const bool thisChanged = at(c.col, c.row).typeId != c.kind;
      EXPECT_TRUE(thisChanged || samePlayer(after, player)) << "a count changed, button " << button;
      changed |= thisChanged;
      put(c.col, c.row, c.kind);
    }
    EXPECT_EQ(c.changes, changed);
    for (auto [dc, dr] : kAround) put(c.col + dc, c.row + dr, kAir);
    put(c.col, c.row, kAir);
  }
}

TEST(HudButtonAt, SaveAndLoadAreasToThePixelAt1440x900) {
  const Player player = playerAt(30.0f, 800.0f);
  for (int y = 850; y < 900; ++y)
    for (int x = 1280; x < 1440; ++x) {
      const bool row = y >= 876;
      const HudButton expected = !row        ? HudButton::kNone
                                 : x >= 1401 ? HudButton::kLoad
                                 : x >= 1341 ? HudButton::kSave
                                             : HudButton::kNone;
      ASSERT_EQ(expected, hudButtonAt(x, y, player)) << x << "," << y;
    }
}

using EditingButtons = Editing;

// On a 1440 x 900 display the buttons' cells are always out of reach; on one
// only 100 pixels high, with the player at the top-right corner, the cells
// under Save (columns 714 to 716, rows 7 and 8) are within reach.
Player cornerPlayer() { return playerAt(7187.5f, 40.0f, 1440, 100); }

// The handler only reports the button pressed: the saving and loading are
// the event loop's (see the dispatch tests), and no file is touched here.
TEST_F(EditingButtons, APrimaryPressDigsFirstThenReportsTheButton) {
  const Player player = cornerPlayer();
  put(714, 8, kDirt);
  const Player after = press(player, 1385, 80, 1);  // on Save and on cell (714, 8)
  EXPECT_EQ(HudButton::kSave, lastButton);
  EXPECT_TRUE(last.cellChanged);
  EXPECT_EQ(1, after.dirtCount);
  EXPECT_TRUE(holds(at(714, 8), catalogue, kAir, 714, 8));

  press(after, 1420, 90, 1);  // on Load, over an open cell
  EXPECT_EQ(HudButton::kLoad, lastButton);
  EXPECT_FALSE(last.cellChanged);
  EXPECT_TRUE(samePlayer(after, last.player));
}

TEST_F(EditingButtons, OtherButtonsNeverSaveOrLoad) {
  Player player = cornerPlayer();
  player.dirtCount = 1;
  for (auto [x, y] : {std::pair{1385, 80}, std::pair{1385, 80}, std::pair{1420, 90}}) {
    for (int button : {2, 3}) {
      player = press(player, x, y, button);
      EXPECT_EQ(HudButton::kNone, lastButton);
    }
  }
  // The first press on Save placed a block into the cell beneath it instead;
  // the others changed no cell (an empty slot, then a block already there).
  EXPECT_EQ(0, player.dirtCount);
  EXPECT_TRUE(holds(at(714, 8), catalogue, kDirt, 714, 8));
  EXPECT_FALSE(last.cellChanged);
}

TEST_F(EditingButtons, ClicksBeyondTheGridTouchNothingButStillReachTheButtons) {
  // A 1445 x 905 display against the bottom-right corner maps its last pixels
  // to column 720 and row 480, which are within reach here.
  Player player = playerAt(7187.5f, 4760.0f, 1445, 905);
  player.dirtCount = 5;
  const auto before = std::make_unique<GuardedWorld>(*grid);
  const struct {
    int x, y, button;
    HudButton pressed;
  } kPresses[] = {{1444, 860, 2, HudButton::kNone},
                  {1390, 904, 2, HudButton::kNone},
                  {1444, 904, 2, HudButton::kNone},
                  {1444, 860, 1, HudButton::kNone},
                  {1444, 904, 1, HudButton::kLoad}};
  for (const auto& p : kPresses) {
    const Player after = press(player, p.x, p.y, p.button);
    EXPECT_EQ(p.pressed, lastButton) << p.x << "," << p.y;
    EXPECT_FALSE(last.cellChanged);
    EXPECT_TRUE(samePlayer(player, after));
    EXPECT_EQ(0, std::memcmp(before.get(), grid.get(), sizeof(GuardedWorld))) << p.x << "," << p.y;
  }
}

}  // namespace
