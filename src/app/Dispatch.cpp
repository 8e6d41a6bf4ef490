// Handing one event of play to its handler.
#include "app/Dispatch.h"

#include "player/Editing.h"
#include "player/Movement.h"

Player dispatchEvent(const ALLEGRO_EVENT& event, Player player, PlayState* state) {
  switch (event.type) {
    case ALLEGRO_EVENT_MOUSE_BUTTON_DOWN:
      return handleMouseDown(event, state->world, state->catalogue, player);
    case ALLEGRO_EVENT_KEY_DOWN:
    case ALLEGRO_EVENT_KEY_UP: return handleKeyEvent(event, player);
    case ALLEGRO_EVENT_TIMER:
      return updatePlayer(player, state->world, &state->tickCount, &state->jumpEndTick);
    case ALLEGRO_EVENT_DISPLAY_SWITCH_OUT: return releaseHeldKeys(player);
    default: return player;
  }
}
