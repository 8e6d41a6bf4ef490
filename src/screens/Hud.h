// The heads-up band along the bottom of the game screen.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>

#include "player/Player.h"
#include "world/World.h"

// Draw the bar, the position and inventory lines, the marker beside the
// selected slot and the Save and Load buttons onto the current target, every
// position worked out from the record's screen size.
void drawHud(const Player& player, const BlockType* catalogue, ALLEGRO_FONT* font,
             ALLEGRO_BITMAP* buttonBitmap, ALLEGRO_BITMAP* hudBarBitmap);
