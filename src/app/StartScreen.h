// The start screen's own event loop: display size and a new or saved world.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>

#include "player/Player.h"

// Run the start screen on the start display until "New World" or "Load World",
// then replace the start display with the game display of the chosen size
// (`display` names it on return) and set the chosen screen size and
// loadRequested in `player`. Null then, or the line the start-up failure
// prints: the window was closed ("Quitting.", nothing built or saved), or a
// bitmap or the game display could not be made. A lost X server ends the
// process from here.
const char* runStartMenu(Player* player, ALLEGRO_FONT* font, ALLEGRO_DISPLAY*& display,
                         ALLEGRO_EVENT_QUEUE* eventQueue, ALLEGRO_EVENT event);

// Destroy the start display and make the game display, a frameless one or a
// window with expose events, and the current display; the bitmaps made on
// the start display become the game display's. Null if it cannot be made.
ALLEGRO_DISPLAY* replaceStartDisplay(ALLEGRO_DISPLAY* start, int width, int height, bool frameless);
