// The pointer and the panel shown, followed for the frame's overlay.
#include "app/Pointer.h"

#include "player/Editing.h"
#include "screens/HudLayout.h"

namespace {

// A panel's key shows it in place of any other, or hides it when it shows.
void toggle(PointerState* state, Panel panel) { state->panel = state->panel == panel ? Panel::kNone : panel; }

}  // namespace

void followEvent(PointerState* state, const ALLEGRO_EVENT& event) {
  switch (event.type) {
    case ALLEGRO_EVENT_MOUSE_AXES:
    case ALLEGRO_EVENT_MOUSE_BUTTON_DOWN:
    case ALLEGRO_EVENT_MOUSE_ENTER_DISPLAY:
      state->inside = true;
      state->x = event.mouse.x;
      state->y = event.mouse.y;
      break;
    case ALLEGRO_EVENT_MOUSE_LEAVE_DISPLAY: state->inside = false; break;
    case ALLEGRO_EVENT_KEY_DOWN:
      if (event.keyboard.keycode == ALLEGRO_KEY_F1) toggle(state, Panel::kHelpCard);
      if (event.keyboard.keycode == ALLEGRO_KEY_M) toggle(state, Panel::kWorldMap);
      if (event.keyboard.keycode == ALLEGRO_KEY_ESCAPE) state->panel = Panel::kNone;
      break;
    default: break;
  }
}

bool mapCoversWorld(const PointerState& state) { return state.panel == Panel::kWorldMap; }

Overlay overlayFor(const PointerState& state, const World& world, const Player& player) {
  Overlay overlay;
  overlay.panel = state.panel;
  // While a button is held the pointer is followed past the window's edges.
  const bool overWorld = state.inside && state.x >= 0 && state.x < player.screenWidth && state.y >= 0 &&
                         state.y < player.screenHeight - kHudLayout.barUp;
  CellPosition cell;
  if (overWorld && !mapCoversWorld(state) && clickChangesCell(world, player, state.x, state.y, &cell)) {
    overlay.outlined = true;
    overlay.col = cell.col;
    overlay.row = cell.row;
  }
  return overlay;
}
