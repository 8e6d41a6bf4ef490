// Handing one event of play to its handler.
#include "app/Dispatch.h"

#include "player/Editing.h"
#include "player/Movement.h"

HudButton pressedButton(const ALLEGRO_EVENT& event, const Player& after) {
  if (event.mouse.button != 1) return HudButton::kNone;
  return hudButtonAt(event.mouse.x, event.mouse.y, after);
}

MousePress pressOnScreen(const ALLEGRO_EVENT& event, World* world, const BlockType* catalogue,
                         const Player& player) {
  const bool onBand = event.mouse.y >= player.screenHeight - kHudLayout.barUp;
  if (onBand && hudButtonAt(event.mouse.x, event.mouse.y, player) == HudButton::kNone) return {player, false};
  return handleMouseDown(event, world, catalogue, player);
}

namespace {

// A mouse press, and the file work of the button it pressed.
Player pressMouse(const ALLEGRO_EVENT& event, Player player, PlayState* state) {
  // The press's sound is worked out before it acts; a dig or a place sounds
  // only if the cell did change (not on the band, not under the map).
  const Sound sound = state->worldCovered ? Sound::kCount : pressSound(*state->world, player, event);
  const MousePress press = state->worldCovered ? MousePress{player, false}
                                               : pressOnScreen(event, state->world, state->catalogue, player);
  cue(state->sounds, press.cellChanged || sound == Sound::kTick ? sound : Sound::kCount);
  if (state->saves == nullptr) return press.player;
  if (press.cellChanged) noteCellChanged(state->saves);
  switch (pressedButton(event, press.player)) {
    case HudButton::kSave:
      saveInBackground(state->saves, *state->world, press.player, SaveSlot::kSave);
      break;
    case HudButton::kLoad: {
      const Player loaded = loadSavedWorld(state->saves, state->world, press.player, state->catalogue);
      if (loaded.loadFailed == 0) endJump(state->tickCount, &state->jumpEndTick);
      cue(state->sounds, loaded.loadFailed == 0 ? Sound::kDone : Sound::kFailure);
      // A fall cut short by the load lands nowhere.
      if (state->sounds != nullptr) state->sounds->falling = false;
      return loaded;
    }
    case HudButton::kNone: break;
  }
  return press.player;
}

}  // namespace

Player dispatchEvent(const ALLEGRO_EVENT& event, Player player, PlayState* state) {
  switch (event.type) {
    case ALLEGRO_EVENT_MOUSE_BUTTON_DOWN: return pressMouse(event, player, state);
    case ALLEGRO_EVENT_KEY_DOWN:
    case ALLEGRO_EVENT_KEY_UP: return handleKeyEvent(event, player);
    case ALLEGRO_EVENT_MOUSE_AXES: return handleMouseWheel(event, player);
    case ALLEGRO_EVENT_TIMER: {
      const Player before = player;
      const int32_t jumpEndTick = state->jumpEndTick;
      player = updatePlayer(player, state->world, &state->tickCount, &state->jumpEndTick);
      if (state->saves != nullptr) autosaveOnTick(state->saves, *state->world, player);
      cueTick(state->sounds, before, player, state->jumpEndTick != jumpEndTick, state->saves);
      return player;
    }
    case ALLEGRO_EVENT_DISPLAY_SWITCH_OUT: return releaseHeldKeys(player);
    default: return player;
  }
}
