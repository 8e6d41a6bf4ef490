// The start screen's picture: display size and a new or saved world.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>

// Paint the whole start screen onto the current target and flip; the button
// `picked` (-1 for none) has a white frame round it.
void drawStartMenu(ALLEGRO_BITMAP* menuButtonBitmap, ALLEGRO_FONT* font, int picked);
