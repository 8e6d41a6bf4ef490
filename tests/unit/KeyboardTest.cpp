// Key presses and releases: the held movement flags and the inventory slot.
#include <gtest/gtest.h>

#include "TestWorlds.h"
#include "player/Player.h"

namespace {

// Feed one key event through the handler.
Player press(Player player, ALLEGRO_EVENT_TYPE type, int keycode) {
  return handleKeyEvent(keyEvent(type, keycode), player);
}

struct MovementKey {
  int letter;
  int arrow;
};

constexpr MovementKey kMovementKeys[] = {
    {ALLEGRO_KEY_W, ALLEGRO_KEY_UP},
    {ALLEGRO_KEY_S, ALLEGRO_KEY_DOWN},
    {ALLEGRO_KEY_A, ALLEGRO_KEY_LEFT},
    {ALLEGRO_KEY_D, ALLEGRO_KEY_RIGHT},
};

}  // namespace

// Each letter and its arrow set and clear the arrow's flag and nothing else;
// with both held, releasing either one clears the shared flag.
TEST(KeyboardTest, LetterAndArrowShareOneFlag) {
  const Player start = makeStartingPlayer();
  for (const MovementKey& key : kMovementKeys) {
    for (int code : {key.letter, key.arrow}) {
      SCOPED_TRACE(code);
      Player expected = start;
      expected.keys[key.arrow] = 1;
      const Player held = press(start, ALLEGRO_EVENT_KEY_DOWN, code);
      EXPECT_TRUE(samePlayer(held, expected));
      // Pressing again sets, never toggles.
      EXPECT_TRUE(samePlayer(press(held, ALLEGRO_EVENT_KEY_DOWN, code), expected));
      EXPECT_TRUE(samePlayer(press(held, ALLEGRO_EVENT_KEY_UP, code), start));
      EXPECT_TRUE(samePlayer(press(start, ALLEGRO_EVENT_KEY_UP, code), start));
    }
    Player both = press(press(start, ALLEGRO_EVENT_KEY_DOWN, key.letter), ALLEGRO_EVENT_KEY_DOWN, key.arrow);
    EXPECT_EQ(press(both, ALLEGRO_EVENT_KEY_UP, key.letter).keys[key.arrow], 0);
    EXPECT_EQ(press(both, ALLEGRO_EVENT_KEY_UP, key.arrow).keys[key.arrow], 0);
  }
}

// Main-keyboard digits select on key-down, even for an empty slot; their
// key-up changes nothing.
TEST(KeyboardTest, DigitsSelectOnKeyDownOnly) {
  Player player = makeStartingPlayer();
  for (int slot : {3, 1, 4, 2, 2}) {
    const Player before = player;
    player = press(player, ALLEGRO_EVENT_KEY_DOWN, ALLEGRO_KEY_1 + slot - 1);
    EXPECT_EQ(player.selectedSlot, slot);
    Player expected = before;
    expected.selectedSlot = slot;
    EXPECT_TRUE(samePlayer(player, expected));
    for (int release = ALLEGRO_KEY_1; release <= ALLEGRO_KEY_4; ++release)
      EXPECT_TRUE(samePlayer(press(player, ALLEGRO_EVENT_KEY_UP, release), player)) << release;
  }
}

// The wheel steps through the slots, down to the next and up to the
// previous one, wrapping at both ends; a slot outside 1 to 4 comes back in.
TEST(KeyboardTest, TheWheelStepsThroughTheSlots) {
  const struct {
    int slot, dz, expected;
  } kSteps[] = {{1, -1, 2}, {3, -1, 4}, {4, -1, 1}, {2, 1, 1},  {1, 1, 4}, {1, -2, 3},
                {2, 0, 2},  {0, -1, 1}, {0, 1, 4},  {9, -1, 1}, {-3, 1, 4}};
  for (const auto& s : kSteps) {
    Player player = makeStartingPlayer();
    player.selectedSlot = s.slot;
    ALLEGRO_EVENT event = mouseEvent(ALLEGRO_EVENT_MOUSE_AXES, 0, 0, 0);
    event.mouse.dz = s.dz;
    Player expected = player;
    expected.selectedSlot = s.expected;
    EXPECT_TRUE(samePlayer(handleMouseWheel(event, player), expected)) << s.slot << " " << s.dz;
  }
}

TEST(KeyboardTest, OtherKeysChangeNothing) {
  Player player = makeStartingPlayer();
  player.selectedSlot = 2;
  player.keys[ALLEGRO_KEY_LEFT] = 1;
  // The keypad's digits, digits past the slots, other letters, and the ends of the range.
  for (int code : std::initializer_list<int>{
           ALLEGRO_KEY_PAD_1, ALLEGRO_KEY_PAD_2, ALLEGRO_KEY_PAD_3, ALLEGRO_KEY_PAD_4, ALLEGRO_KEY_PAD_8,
           ALLEGRO_KEY_0, ALLEGRO_KEY_5, ALLEGRO_KEY_9, ALLEGRO_KEY_SPACE, ALLEGRO_KEY_ESCAPE, ALLEGRO_KEY_Q,
           ALLEGRO_KEY_ENTER, 0, ALLEGRO_KEY_MAX - 1})
    for (ALLEGRO_EVENT_TYPE type : {ALLEGRO_EVENT_KEY_DOWN, ALLEGRO_EVENT_KEY_UP})
      EXPECT_TRUE(samePlayer(press(player, type, code), player)) << "key " << code << " type " << type;
}

TEST(KeyboardTest, ReleaseHeldKeysClearsOnlyMovementFlags) {
  Player player = makeStartingPlayer();
  for (const MovementKey& key : kMovementKeys) player = press(player, ALLEGRO_EVENT_KEY_DOWN, key.letter);
  player.selectedSlot = 3;
  player.stoneCount = 7;
  Player expected = player;
  for (const MovementKey& key : kMovementKeys) expected.keys[key.arrow] = 0;
  EXPECT_TRUE(samePlayer(releaseHeldKeys(player), expected));
}
