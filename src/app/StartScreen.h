// The start screen's own event loop: display size and a new or saved world.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>

#include "player/Player.h"

// Run the start screen on the start display until "New World" or "Load World",
// then replace the start display with the game display of the chosen size
// (`display` names it on return) and return the record with the chosen
// screen size and loadRequested. Closing the window ends the process
// ("Quitting.", status 1); so does a game display that cannot be made.
Player runStartMenu(Player player, ALLEGRO_FONT* font, ALLEGRO_DISPLAY*& display,
                    ALLEGRO_EVENT_QUEUE* eventQueue, ALLEGRO_EVENT event);
