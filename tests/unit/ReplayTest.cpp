// The main loop's per-event step, and a recorded play session replayed through it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "TestWorlds.h"
#include "app/Dispatch.h"
#include "save/SaveWriter.h"
#include "world/Terrain.h"

namespace {

// One recorded event, repeated `count` times (ticks mostly).
struct Recorded {
  ALLEGRO_EVENT_TYPE type;
  int code;  // key code, or mouse button
  int mouseX = 0;
  int mouseY = 0;
  int count = 1;
};

// A recorded entry expanded into the library's event record.
ALLEGRO_EVENT toEvent(const Recorded& entry) {
  const bool mouse = entry.type == ALLEGRO_EVENT_MOUSE_BUTTON_DOWN || entry.type == ALLEGRO_EVENT_MOUSE_AXES;
  return mouse ? mouseEvent(entry.type, entry.mouseX, entry.mouseY, entry.code)
               : keyEvent(entry.type, entry.code);
}

// Shorthands for the recording below.
Recorded ticks(int count) { return {ALLEGRO_EVENT_TIMER, 0, 0, 0, count}; }
Recorded keyDown(int code) { return {ALLEGRO_EVENT_KEY_DOWN, code}; }
Recorded keyUp(int code) { return {ALLEGRO_EVENT_KEY_UP, code}; }
Recorded click(int button, int x, int y) { return {ALLEGRO_EVENT_MOUSE_BUTTON_DOWN, button, x, y}; }

// A session on a 1440 x 900 display: fall from the start position and land on
// the surface (row 121), walk right, dig two grass blocks behind, build a
// two-block wall ahead, walk into it, jump over it, walk back left against
// it, and lose focus in the middle of a jump.
const std::vector<Recorded>& recordedSession() {
  static const std::vector<Recorded> session = {
      ticks(170),  // lands at (30.0, 1190.0)
      keyDown(ALLEGRO_KEY_D),
      ticks(40),                                         // x = 130.0
      {ALLEGRO_EVENT_KEY_CHAR, ALLEGRO_KEY_D, 0, 0, 5},  // auto-repeat: dropped
      keyUp(ALLEGRO_KEY_D),
      // View: left case, viewTop 740, so cell (c, r) is under pixel (10c + 5, 10(r - 74) + 5).
      click(1, 125, 475),
      click(1, 115, 475),  // dig (12, 121) and (11, 121): two grass
      keyDown(ALLEGRO_KEY_2),
      keyUp(ALLEGRO_KEY_2),
      click(2, 165, 465),
      click(3, 165, 455),  // place grass at (16, 120) and (16, 119)
      {ALLEGRO_EVENT_MOUSE_AXES, 0, 300, 300, 3},
      keyDown(ALLEGRO_KEY_RIGHT),
      ticks(30),  // stops against the wall at x = 150.0
      keyDown(ALLEGRO_KEY_W),
      ticks(12),
      keyUp(ALLEGRO_KEY_W),  // up and over the wall
      ticks(10),             // down the far side
      keyUp(ALLEGRO_KEY_RIGHT),
      keyDown(ALLEGRO_KEY_LEFT),
      ticks(30),  // back against it at x = 170.0
      keyDown(ALLEGRO_KEY_UP),
      ticks(4),                               // rising beside the wall: no left step
      {ALLEGRO_EVENT_DISPLAY_SWITCH_OUT, 0},  // focus lost: the key-ups go elsewhere
      ticks(40),
      {ALLEGRO_EVENT_DISPLAY_SWITCH_IN, 0},
      keyDown(ALLEGRO_KEY_A),
      ticks(3),
  };
  return session;
}

// The outcome of one replay.
struct Outcome {
  Player player;
  PlayState state;
  std::unique_ptr<World> world;
};

// Generate the fixed world and feed the recorded session from the start position.
Outcome replay(const std::vector<Recorded>& session) {
  Outcome out{makeStartingPlayer(), PlayState{}, std::make_unique<World>()};
  generateWorldFromSeed(out.world.get(), testCatalogue(), 20240611u);
  out.state = PlayState{out.world.get(), testCatalogue(), 0, 0};
  for (const Recorded& entry : session)
    for (int i = 0; i < entry.count; ++i) out.player = dispatchEvent(toEvent(entry), out.player, &out.state);
  return out;
}

}  // namespace

TEST(ReplayTest, EventsReachTheirHandlers) {
  auto world = makeUniformWorld(kAir);
  setRow(world.get(), 12);
  Player held = makeStartingPlayer();
  held.x = 50.0f;
  held.y = 100.0f;
  held.keys[ALLEGRO_KEY_LEFT] = held.keys[ALLEGRO_KEY_UP] = 1;
  PlayState state{world.get(), testCatalogue(), 5, 3};

  // Dropped events change neither the record nor the counters.
  for (ALLEGRO_EVENT_TYPE type :
       {ALLEGRO_EVENT_KEY_CHAR, ALLEGRO_EVENT_MOUSE_AXES, ALLEGRO_EVENT_MOUSE_BUTTON_UP,
        ALLEGRO_EVENT_DISPLAY_SWITCH_IN, ALLEGRO_EVENT_DISPLAY_CLOSE, ALLEGRO_EVENT_DISPLAY_RESIZE}) {
    const Player after = dispatchEvent(toEvent({type, ALLEGRO_KEY_RIGHT}), held, &state);
    EXPECT_TRUE(samePlayer(after, held)) << type;
    EXPECT_EQ(state.tickCount, 5) << type;
    EXPECT_EQ(state.jumpEndTick, 3) << type;
  }

  EXPECT_EQ(dispatchEvent(toEvent(keyDown(ALLEGRO_KEY_D)), held, &state).keys[ALLEGRO_KEY_RIGHT], 1);
  EXPECT_EQ(dispatchEvent(toEvent(keyUp(ALLEGRO_KEY_A)), held, &state).keys[ALLEGRO_KEY_LEFT], 0);

  const Player lost = dispatchEvent(toEvent({ALLEGRO_EVENT_DISPLAY_SWITCH_OUT, 0}), held, &state);
  EXPECT_TRUE(samePlayer(lost, releaseHeldKeys(held)));
  EXPECT_EQ(lost.keys[ALLEGRO_KEY_LEFT] + lost.keys[ALLEGRO_KEY_UP], 0);

  const Player stepped = dispatchEvent(toEvent(ticks(1)), held, &state);
  EXPECT_EQ(stepped.x, 47.5f);
  EXPECT_EQ(state.tickCount, 6);
}

TEST(ReplayTest, RecordedSessionEndsWhereRecorded) {
  const Outcome out = replay(recordedSession());
  const Player& p = out.player;
  EXPECT_EQ(p.x, 170.0f);  // held against the wall by the exact left test
  EXPECT_EQ(p.y, 1190.0f);
  EXPECT_EQ(p.onGround, 1);
  EXPECT_EQ(p.grassCount, 0);
  EXPECT_EQ(p.dirtCount + p.stoneCount + p.goldCount, 0);
  EXPECT_EQ(p.selectedSlot, 2);
  EXPECT_EQ(p.keys[ALLEGRO_KEY_LEFT], 1);
  EXPECT_EQ(p.keys[ALLEGRO_KEY_RIGHT] + p.keys[ALLEGRO_KEY_UP] + p.keys[ALLEGRO_KEY_DOWN], 0);
  EXPECT_EQ(out.state.tickCount, 339);
  EXPECT_EQ(out.state.jumpEndTick, 302);  // the last jump started on tick 292
  EXPECT_EQ(cellAt(*out.world, 12, 121).typeId, kUnderground);
  EXPECT_EQ(cellAt(*out.world, 16, 119).typeId, kGrass);
  EXPECT_EQ(cellAt(*out.world, 16, 120).typeId, kGrass);
}

// The corner buttons' saves and loads go through the save writer: a Load
// with changes not yet saved autosaves them first and ends a jump in
// progress, and a cell changed without any count changing still counts.
TEST(ReplayTest, CornerButtonsSaveAndLoadThroughTheWriter) {
  std::string name = (std::filesystem::temp_directory_path() / "tessaly-replay-XXXXXX").string();
  ASSERT_NE(nullptr, mkdtemp(name.data()));
  SaveWriter* writer = createSaveWriter(name);
  ASSERT_NE(nullptr, writer);
  auto world = makeUniformWorld(kAir);
  setRow(world.get(), 82);  // the start position stands on it
  Player player = makeStartingPlayer();
  player.screenWidth = 1440, player.screenHeight = 900;
  PlayState state{world.get(), testCatalogue(), 0, 0, writer};
  markSaved(writer, player);
  auto step = [&](const Recorded& entry) {
    for (int i = 0; i < entry.count; ++i) player = dispatchEvent(toEvent(entry), player, &state);
  };

  testing::internal::CaptureStdout();
  step(click(1, 1385, 890));  // Save
  step(keyDown(ALLEGRO_KEY_RIGHT));
  step(ticks(4));
  step(keyUp(ALLEGRO_KEY_RIGHT));
  state.jumpEndTick = state.tickCount + 5;
  step(click(1, 1420, 890));  // Load
  EXPECT_EQ(30.0f, player.x);
  EXPECT_EQ(state.tickCount, state.jumpEndTick);

  Cell odd = cellAt(*world, 3, 81);  // as a file may hold it: open, but out of place
  odd.x = 999.0f;
  storeCell(world.get(), cellIndex(3, 81), odd);
  player.selectedSlot = 1;  // an empty slot: placing only puts the cell in place
  markSaved(writer, player);
  step(click(2, 35, 465));
  finishWrites(writer, *world, player);
  destroySaveWriter(writer);
  EXPECT_EQ("Saved the world!\nAutosaved the world!\nLoaded the world!\nAutosaved the world!\n",
            testing::internal::GetCapturedStdout());
  std::filesystem::remove_all(name);
}
