// Keyboard input: held movement flags and the inventory slot (also the wheel's).
#include "player/Player.h"

#include <initializer_list>

namespace {

// The flag a movement key holds, or -1 for keys that hold nothing.
int heldFlagOf(int keycode) {
  switch (keycode) {
    case ALLEGRO_KEY_UP:
    case ALLEGRO_KEY_W: return ALLEGRO_KEY_UP;
    case ALLEGRO_KEY_DOWN:
    case ALLEGRO_KEY_S: return ALLEGRO_KEY_DOWN;
    case ALLEGRO_KEY_LEFT:
    case ALLEGRO_KEY_A: return ALLEGRO_KEY_LEFT;
    case ALLEGRO_KEY_RIGHT:
    case ALLEGRO_KEY_D: return ALLEGRO_KEY_RIGHT;
    default: return -1;
  }
}

}  // namespace

Player handleKeyEvent(ALLEGRO_EVENT event, Player player) {
  const bool down = event.type == ALLEGRO_EVENT_KEY_DOWN;
  if (!down && event.type != ALLEGRO_EVENT_KEY_UP) return player;
  const int keycode = event.keyboard.keycode;
  const int flag = heldFlagOf(keycode);
  if (flag >= 0) {
    player.keys[flag] = down ? 1 : 0;
  } else if (down && keycode >= ALLEGRO_KEY_1 && keycode <= ALLEGRO_KEY_4) {
    player.selectedSlot = keycode - ALLEGRO_KEY_1 + 1;
  }
  return player;
}

Player handleMouseWheel(ALLEGRO_EVENT event, Player player) {
  const int steps = event.mouse.dz;
  if (event.type != ALLEGRO_EVENT_MOUSE_AXES || steps == 0) return player;
  const bool valid = player.selectedSlot >= 1 && player.selectedSlot <= 4;
  // Wheel up gives a positive dz; slots 1 to 4 are counted 0 to 3 here.
  const int64_t from = valid ? player.selectedSlot - 1 : (steps < 0 ? -1 : 4);
  const int64_t to = ((from - steps) % 4 + 4) % 4;
  player.selectedSlot = static_cast<int32_t>(to + 1);
  return player;
}

Player releaseHeldKeys(Player player) {
  for (int flag : {ALLEGRO_KEY_LEFT, ALLEGRO_KEY_RIGHT, ALLEGRO_KEY_UP, ALLEGRO_KEY_DOWN})
    player.keys[flag] = 0;
  return player;
}
