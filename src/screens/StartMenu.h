// The start screen's picture: display size and a new or saved world.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>

// Paint the whole start screen onto the current target and flip.
void drawStartMenu(ALLEGRO_BITMAP* menuButtonBitmap, ALLEGRO_FONT* font);
