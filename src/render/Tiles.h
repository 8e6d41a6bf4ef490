// The catalogue's tiles: six 10 x 10 squares of one colour each, in one atlas.
#pragma once

#include "world/World.h"

// Fill the catalogue and create its six tiles (needs a current display);
// false if a tile cannot be made (nothing is left behind then).
bool buildBlockCatalogue(BlockCatalogue catalogue);

// Destroy the tiles and their atlas and clear the entries' tiles; a catalogue
// without tiles is left as it is.
void destroyBlockCatalogue(BlockCatalogue catalogue);
