// The save tool's picture of a whole world, as a memory bitmap.
#pragma once

#include "player/Player.h"
#include "world/World.h"

struct ALLEGRO_BITMAP;

// A memory bitmap of the whole world painted as the save tool's map at
// `scale` (1 to 10), or null if it cannot be made.
ALLEGRO_BITMAP* makeWorldMap(const World& world, const Player& player, int scale);
