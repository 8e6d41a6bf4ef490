// New worlds: sky, a thinning grass band, dirt and stone, gold at depth.
#pragma once

#include <cstdint>

#include "world/World.h"

// The world generator's random source: a 32-bit linear congruential generator
// with the classic multiplier 214013 and increment 2531011, returning 15 bits
// per draw. Written out here so every platform makes the same world.
struct TerrainRandom {
  uint32_t state = 0;
};

// The next draw, 0 to 32767.
inline int drawRandom(TerrainRandom* random) {
  random->state = random->state * 214013u + 2531011u;
  return static_cast<int>((random->state >> 16) & 0x7FFFu);
}

// The kind generation puts at `row` for the draw's d = n mod 100; rows 479
// and below are left Null.
BlockId terrainKindAt(int row, int d);

// Fill the grid from the given seed: one draw per cell, in index order.
void generateWorldFromSeed(World* world, const BlockCatalogue catalogue, uint32_t seed);

// Fill the grid with a new world seeded from the current time in seconds.
void generateWorld(World* world, const BlockCatalogue catalogue);
