// What the main thread follows between events for the frame's overlay: the
// pointer over the window, and the panel shown over the game.
#pragma once

#include "render/RenderContext.h"

struct PointerState {
  bool inside = false;  // the pointer is over the game window
  int x = 0, y = 0;     // its last position there
  Panel panel = Panel::kNone;
};

// Follow one event: the pointer moving, entering or leaving the window, or
// pressing a button there; F1 shows or hides the card and M the map (the
// later key wins: one hides the other), Escape hides either.
void followEvent(PointerState* state, const ALLEGRO_EVENT& event);

// Whether the map covers the world: then no click changes a cell and no
// cell is outlined (the band's buttons still work).
bool mapCoversWorld(const PointerState& state);

// The overlay of a frame of this record: the cell under the pointer when a
// click there would change it (none outside the window, over the heads-up
// band or while the map shows), and the panel.
Overlay overlayFor(const PointerState& state, const World& world, const Player& player);
