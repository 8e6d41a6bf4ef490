// Walking, jumping and falling, tick by tick, on small hand-built grids.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <vector>

#include "TestWorlds.h"
#include "player/Movement.h"
#include "save/SaveFile.h"

namespace {

// A player on a hand-built grid with the main loop's two tick counters.
struct Walker {
  std::unique_ptr<World> world = makeUniformWorld(kAir);
  Player player = makeStartingPlayer();
  int32_t tickCount = 0;
  int32_t jumpEndTick = 0;

  // Place the sprite and hold exactly the given movement keys.
  void put(float x, float y, std::initializer_list<int> held = {}) {
    player.x = x, player.y = y;
    hold(held);
  }
  // Hold exactly the given movement keys.
  void hold(std::initializer_list<int> held) {
    for (int key : {ALLEGRO_KEY_UP, ALLEGRO_KEY_LEFT, ALLEGRO_KEY_RIGHT}) player.keys[key] = 0;
    for (int key : held) player.keys[key] = 1;
  }
  // One movement step.
  void tick() { player = updatePlayer(player, world.get(), &tickCount, &jumpEndTick); }
  // Several steps, collecting x or y after each.
  std::vector<float> trace(int ticks, bool ofY = true) {
    std::vector<float> seen;
    for (int i = 0; i < ticks; ++i) {
      tick();
      seen.push_back(ofY ? player.y : player.x);
    }
    return seen;
  }
};

// A cell of the given passability whose left edge is at x.
Cell cellAtX(bool passable, float x) {
  Cell cell{};
  cell.passable = passable ? 1 : 0;
  cell.x = x;
  return cell;
}

// The heights of one double jump from standing at 100.0, ticks 1 to 42.
std::vector<float> doubleJumpFrom100() {
  std::vector<float> y = {95.0f, 92.5f, 90.0f, 87.5f, 85.0f, 82.5f, 80.0f, 77.5f, 75.0f, 72.5f, 75.0f};
  for (int tick = 12; tick <= 21; ++tick) y.push_back(72.5f - 2.5f * (tick - 12));  // 72.5 .. 50.0
  for (int tick = 22; tick <= 41; ++tick) y.push_back(50.0f + 2.5f * (tick - 21));  // 52.5 .. 100.0
  y.push_back(100.0f);                                                              // stands one tick
  return y;
}

}  // namespace

TEST(MovementTest, CanMoveLeftTable) {
  struct Case {
    bool lowerOpen, upperOpen;
    float lowerX, upperX, x;
    bool allowed;
  } const cases[] = {
      {true, true, -10.0f, -10.0f, 0.0f, false},  // left bound, open cells
      {true, true, 0.0f, 0.0f, -2.5f, false},
      {true, true, 0.0f, 0.0f, 2.5f, true},
      {false, false, 0.0f, 0.0f, 0.0f, false},
      {false, true, 40.0f, 40.0f, 50.0f, false},  // lower half against the wall
      {true, false, 40.0f, 40.0f, 50.0f, false},  // upper half against the wall
      {false, false, 40.0f, 40.0f, 50.0f, false},
      {false, false, 40.0f, 40.0f, 52.5f, true},  // equality only: not on the boundary
      {false, false, 40.0f, 40.0f, 47.5f, true},
      {false, false, 30.0f, 30.0f, 50.0f, true},  // the blocked cells lie further left
  };
  for (const Case& c : cases)
    EXPECT_EQ(canMoveLeft(cellAtX(c.lowerOpen, c.lowerX), cellAtX(c.upperOpen, c.upperX), c.x), c.allowed)
        << "lower " << c.lowerOpen << "@" << c.lowerX << " upper " << c.upperOpen << "@" << c.upperX << " x "
        << c.x;
}

// Standing at y = 100.0 on a solid row with the jump key held from then on.
TEST(MovementTest, JumpSequenceWithKeyHeld) {
  for (float x : {50.0f, 55.0f}) {
    SCOPED_TRACE(x);
    Walker run;
    setRow(run.world.get(), 12);
    run.put(x, 100.0f);
    run.tick();
    run.tick();  // settled: on the ground, counters past 0
    ASSERT_EQ(run.player.y, 100.0f);
    ASSERT_EQ(run.player.onGround, 1);
    run.hold({ALLEGRO_KEY_UP});
    std::vector<float> expected = doubleJumpFrom100();
    const std::vector<float> once = expected;
    expected.insert(expected.end(), once.begin(), once.end());  // the pattern again from tick 43
    EXPECT_EQ(run.trace(84), expected);
    EXPECT_EQ(run.player.x, x);
  }
}

// Releasing the key pauses the lift; pressing it again before the jump's end resumes it.
TEST(MovementTest, ReleasedJumpKeyPausesLift) {
  Walker run;
  setRow(run.world.get(), 12);
  run.put(50.0f, 100.0f);
  run.tick();
  run.tick();
  run.hold({ALLEGRO_KEY_UP});
  EXPECT_EQ(run.trace(3), (std::vector<float>{95.0f, 92.5f, 90.0f}));
  run.hold({});
  EXPECT_EQ(run.trace(2), (std::vector<float>{92.5f, 95.0f}));
  run.hold({ALLEGRO_KEY_UP});
  EXPECT_EQ(run.trace(6), (std::vector<float>{92.5f, 90.0f, 87.5f, 85.0f, 82.5f, 85.0f}));
}

// The head-room test looks at the row of the sprite's top edge at entry, so
// the first lift enters the solid row above by 5 pixels.
TEST(MovementTest, SolidCellAboveHead) {
  Walker run;
  setRow(run.world.get(), 12);
  setRow(run.world.get(), 9);
  run.put(50.0f, 100.0f);
  run.tick();
  run.hold({ALLEGRO_KEY_UP});
  std::vector<float> expected;
  for (int i = 0; i < 12; ++i) expected.insert(expected.end(), {95.0f, 97.5f, 100.0f});
  EXPECT_EQ(run.trace(36), expected);
}

TEST(MovementTest, NoJumpOnTheVeryFirstTick) {
  Walker run;
  setRow(run.world.get(), 12);
  run.put(50.0f, 100.0f, {ALLEGRO_KEY_UP});
  run.player.onGround = 1;
  run.tick();
  EXPECT_EQ(run.player.y, 100.0f);
  EXPECT_EQ(run.tickCount, 1);
  run.tick();
  EXPECT_EQ(run.player.y, 95.0f);
  EXPECT_EQ(run.jumpEndTick, 11);
}

TEST(MovementTest, WorldBounds) {
  Walker run;  // all open: only the bounds hold the sprite
  run.put(0.0f, kBottomBound, {ALLEGRO_KEY_LEFT});
  EXPECT_EQ(run.trace(3, false), (std::vector<float>{0.0f, 0.0f, 0.0f}));
  run.put(7185.0f, kBottomBound, {ALLEGRO_KEY_RIGHT});
  EXPECT_EQ(run.trace(3, false), (std::vector<float>{7187.5f, 7187.5f, 7187.5f}));
  run.put(100.0f, 4712.5f, {});
  run.player.onGround = 0;
  EXPECT_EQ(run.trace(5), (std::vector<float>{4715.0f, 4717.5f, 4720.0f, 4720.0f, 4720.0f}));
  EXPECT_EQ(run.player.onGround, 1);
}

// Support under the right column counts only when the sprite reaches into it.
TEST(MovementTest, StandingAcrossTwoColumns) {
  struct Case {
    float x;
    int solidColumn;
    bool stands;
  } const cases[] = {
      {50.0f, 5, true}, {50.0f, 6, false}, {50.0f, 4, false}, {52.5f, 6, true},
      {57.5f, 6, true}, {57.5f, 5, true},  {57.5f, 7, false}, {60.0f, 5, false},
  };
  for (const Case& c : cases) {
    Walker run;
    setCell(run.world.get(), c.solidColumn, 12);
    run.put(c.x, 100.0f);
    run.tick();
    EXPECT_EQ(run.player.y, c.stands ? 100.0f : 102.5f) << "x " << c.x << " solid column " << c.solidColumn;
    EXPECT_EQ(run.player.onGround, c.stands ? 1 : 0) << "x " << c.x << " solid column " << c.solidColumn;
  }
}

// With y off the grid lines the sprite spans three rows, but a sideways step
// tests only the top two; once it reaches into the third row's solid column it
// stands with its lower edge inside that cell.
TEST(MovementTest, StepOverLowSolidCellStandsInsideIt) {
  Walker run;
  setCell(run.world.get(), 6, 11);
  run.put(50.0f, 95.0f, {ALLEGRO_KEY_RIGHT});
  run.tick();
  EXPECT_EQ(run.player.x, 52.5f);
  EXPECT_EQ(run.player.y, 95.0f);
  EXPECT_EQ(run.player.onGround, 1);
}

TEST(MovementTest, WalkingIntoWalls) {
  Walker run;
  setRow(run.world.get(), 12);
  setCell(run.world.get(), 4, 11);  // a one-cell step on the left, at the sprite's lower half
  setCell(run.world.get(), 7, 10);  // an overhang on the right, at its upper half
  run.put(57.5f, 100.0f, {ALLEGRO_KEY_LEFT});
  EXPECT_EQ(run.trace(4, false), (std::vector<float>{55.0f, 52.5f, 50.0f, 50.0f}));
  run.hold({ALLEGRO_KEY_RIGHT});
  EXPECT_EQ(run.trace(5, false), (std::vector<float>{52.5f, 55.0f, 57.5f, 60.0f, 60.0f}));
  EXPECT_EQ(run.player.y, 100.0f);
}

// Open space: the two steps cancel. A wall on the right: the left step is
// taken and the right step, tested against the entry columns, takes it back.
// A wall on the left: one step right, then the steps cancel.
TEST(MovementTest, LeftAndRightHeldTogether) {
  const struct {
    int wallColumn;  // -1: none
    float x, after;
  } kCases[] = {{-1, 52.5f, 52.5f}, {6, 50.0f, 50.0f}, {4, 50.0f, 52.5f}};
  for (const auto& c : kCases) {
    Walker run;
    setRow(run.world.get(), 12);
    if (c.wallColumn >= 0)
      for (int row : {10, 11}) setCell(run.world.get(), c.wallColumn, row);
    run.put(c.x, 100.0f, {ALLEGRO_KEY_LEFT, ALLEGRO_KEY_RIGHT});
    EXPECT_EQ(run.trace(3, false), std::vector<float>(3, c.after)) << "wall " << c.wallColumn;
  }
}

// Columns left of the grid count as open: the sprite walks on to x = 0.0.
TEST(MovementTest, WalksOnToColumnZero) {
  for (float x : {7.5f, 5.0f, 2.5f}) {
    Walker run;
    setRow(run.world.get(), 12);
    run.put(x, 100.0f, {ALLEGRO_KEY_LEFT});
    const std::vector<float> seen = run.trace(5, false);
    EXPECT_EQ(seen.back(), 0.0f) << x;
    EXPECT_TRUE(std::is_sorted(seen.rbegin(), seen.rend())) << x;
  }
}

// Above the grid nothing is read: cells there count as open, so the sprite
// falls back until the grid's top row holds it. Walker under the sanitizer builds.
TEST(MovementTest, AboveTheTopEdge) {
  Walker run;
  setRow(run.world.get(), 0);
  run.put(100.0f, -20.0f, {ALLEGRO_KEY_LEFT});
  run.tick();
  EXPECT_EQ(run.player.y, -20.0f);  // stands on row 0
  EXPECT_EQ(run.player.onGround, 1);

  Walker air;  // no top row: falls from far above into the open grid
  air.put(0.0f, -105.0f, {ALLEGRO_KEY_UP, ALLEGRO_KEY_LEFT, ALLEGRO_KEY_RIGHT});
  air.player.onGround = 1;
  for (int i = 0; i < 200; ++i) air.tick();
  EXPECT_GT(air.player.y, 300.0f);

  Walker edge;  // the far right column with every key held
  setRow(edge.world.get(), 0);
  edge.put(7187.5f, -22.5f, {ALLEGRO_KEY_UP, ALLEGRO_KEY_LEFT, ALLEGRO_KEY_RIGHT});
  for (int i = 0; i < 500; ++i) edge.tick();
  EXPECT_LT(edge.player.y, -10.0f);
}

// The loader refuses positions outside kLowest/HighestPlayerX/Y, so play must
// never leave them from any position it accepts. From the range's corners,
// loaded as a file would be (over a jump still lifting before the load), and
// from standing on a solid top row, play every key pattern for a long while.
TEST(MovementTest, AcceptedPositionsStayAcceptedUnderPlay) {
  auto roofed = makeUniformWorld(kAir);
  setRow(roofed.get(), 0);
  auto open = makeUniformWorld(kAir);
  auto load = [](World* world, float x, float y, uint8_t onGround) {
    std::vector<uint8_t> bytes(kSaveFileBytes);
    Player stored = makeStartingPlayer();
    stored.x = x, stored.y = y, stored.onGround = onGround;
    encodeSave(*world, stored, bytes.data());
    return decodeSave(bytes.data(), world, makeStartingPlayer(), testCatalogue());
  };
  struct Start {
    World* world;
    Player player;
  };
  std::vector<Start> starts;
  for (World* world : {roofed.get(), open.get()})
    for (float x : {kLowestPlayerX, 0.0f, 7187.5f, kHighestPlayerX})
      for (float y : {kLowestPlayerY, kHighestStandingY, -29.99f, -20.0f, kHighestPlayerY})
        for (uint8_t onGround : {0, 1}) starts.push_back({world, load(world, x, y, onGround)});

  float lowest = 0.0f;
  uint32_t random = 12345;
  for (const Start& start : starts)
    for (int pattern = 0; pattern < 10; ++pattern) {
      Player player = start.player;
      int32_t tickCount = 100, jumpEndTick = 105;  // a jump lifting when the file was loaded
      endJump(tickCount, &jumpEndTick);
      for (int tick = 0; tick < 1500; ++tick) {
        random = random * 1664525u + 1013904223u;
        // 0-7: Up, Left and Right held in every combination; 8: all toggled at
        // random; 9: Up held, walking both ways in turn.
        const int keys = pattern < 8    ? pattern
                         : pattern == 8 ? (random >> 16) & 7
                                        : 1 | (tick / 97 % 2 ? 2 : 4);
        player.keys[ALLEGRO_KEY_UP] = keys & 1;
        player.keys[ALLEGRO_KEY_LEFT] = (keys >> 1) & 1;
        player.keys[ALLEGRO_KEY_RIGHT] = (keys >> 2) & 1;
        player = updatePlayer(player, start.world, &tickCount, &jumpEndTick);
        lowest = std::min(lowest, player.y);
        ASSERT_TRUE(player.x >= kLowestPlayerX && player.x <= kHighestPlayerX && player.y >= kLowestPlayerY &&
                    player.y <= kHighestPlayerY)
            << "from (" << start.player.x << ", " << start.player.y << ") onGround "
            << int(start.player.onGround) << ", pattern " << pattern << ", tick " << tick << ": (" << player.x
            << ", " << player.y << ")";
      }
    }
  std::printf("lowest y reached: %.1f (bound %.1f)\n", lowest, kLowestPlayerY);
  EXPECT_LT(lowest, -60.0f);  // the double jump did happen up there
}
