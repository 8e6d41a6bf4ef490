// What the main thread follows between events for the frame's overlay: the
// pointer over the window, and whether the help card shows.
#pragma once

#include "render/RenderContext.h"

struct PointerState {
  bool inside = false;  // the pointer is over the game window
  int x = 0, y = 0;     // its last position there
  bool helpCard = false;
};

// Follow one event: the pointer moving, entering or leaving the window, or
// pressing a button there; F1 shows or hides the card, Escape hides it.
void followEvent(PointerState* state, const ALLEGRO_EVENT& event);

// The overlay of a frame of this record: the cell under the pointer when a
// click there would change it (none outside the window or over the heads-up
// band), and the card.
Overlay overlayFor(const PointerState& state, const World& world, const Player& player);
